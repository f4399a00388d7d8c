// A mixer device described as data: destinations, their source lines and their controls. It
// answers the mixer calls the way winmm does, records every write, and counts opens and closes
// so tests can see that no handle is left open.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "recorder/mixer/MixerApi.h"

namespace velto::test {

struct FakeControl {
    DWORD id = 0;
    DWORD type = 0;
    DWORD flags = 0;
    DWORD items = 0;
    std::vector<std::wstring> texts;  // list entries in array order (channels x items)
    std::vector<DWORD> params;        // dwParam1 of each list entry
    std::vector<DWORD> values;        // one per entry; volume and mute controls have one
};

struct FakeLine {
    DWORD id = 0;
    DWORD type = 0;
    std::wstring name;
    DWORD channels = 2;
    std::vector<FakeControl> controls;
    std::vector<FakeLine> sources;  // destinations only
    bool failReadById = false;      // MIXER_GETLINEINFOF_LINEID fails
    bool failControls = false;      // MIXER_GETLINECONTROLSF_ALL fails
    // Reported connections; -1 reports sources.size().
    int connections = -1;
};

FakeControl Volume(DWORD id, DWORD value);
FakeControl Mute(DWORD id, DWORD value);
// A single-select list, uniform (one channel): item k has text texts[k], line ID params[k];
// `selected` is the index of the item whose value is 1 (-1: none).
FakeControl SelectList(DWORD id, std::vector<std::wstring> texts, std::vector<DWORD> params,
                       int selected);

class FakeMixer : public MixerApi {
public:
    struct Write {
        DWORD controlId;
        std::vector<DWORD> values;
    };

    UINT devices = 1;
    bool openFails = false;
    std::vector<FakeLine> destinations;

    int opens = 0;
    int closes = 0;
    std::vector<Write> writes;

    FakeControl* FindControl(DWORD id);

    UINT GetNumDevs() override { return devices; }
    MMRESULT Open(UINT device, HMIXER* mixer) override;
    MMRESULT Close(HMIXER mixer) override;
    MMRESULT GetDevCaps(UINT device, MIXERCAPSW* caps) override;
    MMRESULT GetLineInfo(HMIXER mixer, MIXERLINEW* line, DWORD flags) override;
    MMRESULT GetLineControls(HMIXER mixer, MIXERLINECONTROLSW* controls, DWORD flags) override;
    MMRESULT GetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* details, DWORD flags) override;
    MMRESULT SetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* details, DWORD flags) override;

private:
    FakeLine* FindLine(DWORD id);
    bool IsOpen(HMIXER mixer) const { return mixer && opens > closes; }
};

}  // namespace velto::test

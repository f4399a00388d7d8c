// The handful of mixer calls the recording-line search makes. The program talks to winmm's
// mixer through SystemMixer(); tests put a scripted mixer topology behind the same interface,
// since no real sound card can be made to show every layout the search has to cope with.
#pragma once

#include <windows.h>
#include <mmsystem.h>

namespace velto {

class MixerApi {
public:
    virtual ~MixerApi() = default;
    virtual UINT GetNumDevs() = 0;
    virtual MMRESULT Open(UINT device, HMIXER* mixer) = 0;
    virtual MMRESULT Close(HMIXER mixer) = 0;
    virtual MMRESULT GetDevCaps(UINT device, MIXERCAPSW* caps) = 0;
    // `flags` carry only the MIXER_GET* query kind; the object kind is the open handle.
    virtual MMRESULT GetLineInfo(HMIXER mixer, MIXERLINEW* line, DWORD flags) = 0;
    virtual MMRESULT GetLineControls(HMIXER mixer, MIXERLINECONTROLSW* controls, DWORD flags) = 0;
    virtual MMRESULT GetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* details, DWORD flags) = 0;
    virtual MMRESULT SetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* details, DWORD flags) = 0;
};

// winmm's mixer (the W functions: item and line names may be Korean).
MixerApi& SystemMixer();

// One open mixer device, closed when the scope ends. Every operation opens device 0 afresh and
// holds nothing between calls, so a device that changes between recordings is picked up.
class MixerSession {
public:
    MixerSession(MixerApi& api, UINT device) : api_(api)
    {
        if (api_.Open(device, &mixer_) != MMSYSERR_NOERROR) mixer_ = nullptr;
    }
    ~MixerSession()
    {
        if (mixer_) api_.Close(mixer_);
    }
    MixerSession(const MixerSession&) = delete;
    MixerSession& operator=(const MixerSession&) = delete;

    explicit operator bool() const noexcept { return mixer_ != nullptr; }
    HMIXER get() const noexcept { return mixer_; }

private:
    MixerApi& api_;
    HMIXER mixer_ = nullptr;
};

}  // namespace velto

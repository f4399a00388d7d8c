#include "recorder/mixer/MixerApi.h"

namespace velto {
namespace {

class WinmmMixer final : public MixerApi {
public:
    UINT GetNumDevs() override { return ::mixerGetNumDevs(); }
    MMRESULT Open(UINT device, HMIXER* mixer) override
    {
        return ::mixerOpen(mixer, device, 0, 0, MIXER_OBJECTF_MIXER);
    }
    MMRESULT Close(HMIXER mixer) override { return ::mixerClose(mixer); }
    MMRESULT GetDevCaps(UINT device, MIXERCAPSW* caps) override
    {
        return ::mixerGetDevCapsW(device, caps, sizeof(*caps));
    }
    MMRESULT GetLineInfo(HMIXER mixer, MIXERLINEW* line, DWORD flags) override
    {
        return ::mixerGetLineInfoW(Object(mixer), line, flags | MIXER_OBJECTF_HMIXER);
    }
    MMRESULT GetLineControls(HMIXER mixer, MIXERLINECONTROLSW* controls, DWORD flags) override
    {
        return ::mixerGetLineControlsW(Object(mixer), controls, flags | MIXER_OBJECTF_HMIXER);
    }
    MMRESULT GetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* details, DWORD flags) override
    {
        return ::mixerGetControlDetailsW(Object(mixer), details, flags | MIXER_OBJECTF_HMIXER);
    }
    MMRESULT SetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* details, DWORD flags) override
    {
        return ::mixerSetControlDetails(Object(mixer), details, flags | MIXER_OBJECTF_HMIXER);
    }

private:
    static HMIXEROBJ Object(HMIXER mixer) { return reinterpret_cast<HMIXEROBJ>(mixer); }
};

}  // namespace

MixerApi& SystemMixer()
{
    static WinmmMixer mixer;
    return mixer;
}

}  // namespace velto

// The recording-volume page of the options sheet: a trackbar on the sound card's recording
// line, the automatic level set-up ("설정") and the Windows recording control ("녹음컨트롤").
//
// The set-up runs on the user-interface thread, driven by two timers on the page: every
// second the volume goes one step up and the test tone starts again; every 200 ms the level
// capture is checked for clipping, which backs the volume off and ends the set-up. The wait
// box stays up meanwhile; its modal loop keeps delivering the timers.
#pragma once

#include <windows.h>

#include <string>

#include "recorder/ui/MainWindowOps.h"
#include "recorder/dialogs/PropertySheet.h"
#include "recorder/mixer/LevelSetup.h"
#include "recorder/mixer/MixerApi.h"
#include "recorder/mixer/SetupWaitDlg.h"
#include "recorder/mixer/VolumeSlider.h"

namespace velto {

// The Windows volume control under `windowsDir`: "\sndvol32.exe", then
// "\system32\sndvol32.exe", then "\system\sndvol32.exe". Empty when none exists.
std::wstring FindVolumeControl(const std::wstring& windowsDir);

class COptionMixerDlg : public CPropertyPage {
public:
    static constexpr UINT_PTR kClipTimer = 1;
    static constexpr UINT kClipCheckMs = 200;
    static constexpr UINT_PTR kRaiseTimer = 4;
    static constexpr UINT kRaiseStepMs = 1000;
    static constexpr double kToneFrequency = 450.0;
    static constexpr int16_t kToneAmplitude = 22050;
    // After clipping the lowered volume plays this long before the set-up ends.
    static constexpr DWORD kSettleMs = 1000;

    // `host` may be null (then no fall-back to the main window's volume control). `mixer` is
    // the mixer the trackbar's line is looked up on.
    COptionMixerDlg(HINSTANCE instance, MainWindowOps* host, MixerApi& mixer = SystemMixer());
    ~COptionMixerDlg() override;

    bool settingUp() const noexcept { return running_; }
    // The line behind the trackbar.
    const CMixerLine& line() noexcept { return volumeSlider_.line(); }

protected:
    BOOL OnInitDialog() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void StartSetUp();
    void OnRaiseTimer();
    void OnClipTimer();
    enum class StopOrder { ToneFirst, CaptureFirst };
    void FinishSetUp(StopOrder order);
    void SetVolumeAndTrackbar(int volume);
    void RestartTone();
    void EnableSetUpButtons(bool enable);
    void OpenRecordingControl();

    // The recording line behind the trackbar.
    void AttachVolumeLine();
    int RediscoverVolume();
    void ApplyTrackbar(HWND trackbar);
    void WriteVolume(int volume);

    MainWindowOps* host_;
    CVolumeSlider secondSlider_;  // on the hidden trackbar; never attached
    CVolumeSlider volumeSlider_;
    bool running_ = false;
    bool waitShown_ = false;
    CSetupWaitDlg waitDlg_;
    CLevelSetupSteps steps_;
    int16_t toneAmplitude_ = kToneAmplitude;
    bool inRaise_ = false;
};

}  // namespace velto

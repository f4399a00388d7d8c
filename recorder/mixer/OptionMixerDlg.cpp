#include "recorder/mixer/OptionMixerDlg.h"

#include <commctrl.h>

#include "common/AppMessageBox.h"
#include "common/ProgramFolder.h"
#include "recorder/mixer/LevelCapture.h"
#include "recorder/mixer/WaveOutPlayer.h"
#include "recorder/res/resource.h"

namespace velto {

namespace {

constexpr int kTrackbarTop = 65535;  // the trackbar shows the volume upside down

bool StartProgram(const std::wstring& commandLine, int show)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = static_cast<WORD>(show);
    PROCESS_INFORMATION pi{};
    std::wstring line = commandLine;
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi))
        return false;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return true;
}

}  // namespace

std::wstring FindVolumeControl(const std::wstring& windowsDir)
{
    for (const wchar_t* folder : {L"", L"\\system32", L"\\system"}) {
        std::wstring path = windowsDir + folder + L"\\sndvol32.exe";
        if (FileExists(path)) return path;
    }
    return {};
}

COptionMixerDlg::COptionMixerDlg(HINSTANCE instance, MainWindowOps* host, MixerApi& mixer)
    : CPropertyPage(instance, IDD_OPTION_MIXER),
      host_(host),
      secondSlider_(mixer),
      volumeSlider_(mixer),
      waitDlg_(instance)
{
}

COptionMixerDlg::~COptionMixerDlg() = default;

BOOL COptionMixerDlg::OnInitDialog()
{
    AttachVolumeLine();
    running_ = false;
    waitShown_ = false;
    return TRUE;
}

INT_PTR COptionMixerDlg::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
        case WM_VSCROLL: ApplyTrackbar(reinterpret_cast<HWND>(lp)); return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wp)) {
                case IDC_MIXER_SELECT_WAVE:
                case IDC_MIXER_SELECT_MIC: return TRUE;
                case IDC_MIXER_SETUP: StartSetUp(); return TRUE;
                case IDC_MIXER_RECORD_CONTROL: OpenRecordingControl(); return TRUE;
                default: break;
            }
            break;
        case WM_TIMER:
            if (wp == kRaiseTimer) OnRaiseTimer();
            if (wp == kClipTimer) OnClipTimer();
            return TRUE;
        case WM_CLOSE:
            if (running_) return TRUE;
            break;
        case WM_DESTROY:
            // The sheet closed under a running set-up: the tone and the capture must not outlive
            // the page.
            if (running_) {
                ::KillTimer(hwnd(), kClipTimer);
                ::KillTimer(hwnd(), kRaiseTimer);
                g_testTone.Stop();
                g_levelCapture.Stop();
                running_ = false;
            }
            break;
        default: break;
    }
    return CPropertyPage::HandleMessage(msg, wp, lp);
}

void COptionMixerDlg::EnableSetUpButtons(bool enable)
{
    ::EnableWindow(item(IDC_MIXER_SETUP), enable ? TRUE : FALSE);
    ::EnableWindow(item(IDOK), enable ? TRUE : FALSE);
}

void COptionMixerDlg::StartSetUp()
{
    AppMessageBox(sheet(),
                  L"녹음에 알맞은 볼륨을 설정하기 위해 \n\n현재 재생중인 음악을 종료해 주시기 "
                  L"바랍니다.");
    EnableSetUpButtons(false);

    steps_.Reset();
    g_levelCapture.Stop();
    g_testTone.Stop();
    if (RediscoverVolume() == -1) AppMessageBox(sheet(), L"녹음컨트롤 실패 (01)");
    running_ = true;
    // The clipping check listens to the recording line from here on.
    g_levelCapture.Start();

    if (!::SetTimer(hwnd(), kClipTimer, kClipCheckMs, nullptr)) {
        ::MessageBoxW(hwnd(), L"Not enough timers available for this window.", L"Sound Test ",
                      MB_OK | MB_ICONWARNING);
        // Without its clipping check the set-up cannot go on: back to idle.
        g_levelCapture.Stop();
        EnableSetUpButtons(true);
        running_ = false;
    } else if (!::SetTimer(hwnd(), kRaiseTimer, kRaiseStepMs, nullptr)) {
        AppMessageBox(sheet(), L"녹음컨트롤 실패(02)");
    }
    if (host_) host_->OpenVolumeControl();
}

void COptionMixerDlg::OnRaiseTimer()
{
    // A box shown by the tone (no output device) runs its own message loop, which delivers
    // the next ticks: one step at a time.
    if (inRaise_ || !running_) return;
    inRaise_ = true;
    const int volume = steps_.Raise();
    if (volume < 0) {
        FinishSetUp(StopOrder::ToneFirst);
    } else {
        SetVolumeAndTrackbar(volume);
        toneAmplitude_ = kToneAmplitude;
        RestartTone();
    }
    inRaise_ = false;
}

void COptionMixerDlg::OnClipTimer()
{
    if (running_) {
        const CLevelCapture::Block block = g_levelCapture.Snapshot();
        if (BlockClips(block.data(), block.size())) {
            ::KillTimer(hwnd(), kClipTimer);
            ::KillTimer(hwnd(), kRaiseTimer);
            SetVolumeAndTrackbar(steps_.BackOff());
            RestartTone();
            ::Sleep(kSettleMs);
            FinishSetUp(StopOrder::CaptureFirst);
        }
    }
    if (!waitShown_ && running_) {
        waitShown_ = true;
        waitDlg_.Run(hwnd());
    }
}

void COptionMixerDlg::FinishSetUp(StopOrder order)
{
    ::KillTimer(hwnd(), kClipTimer);
    ::KillTimer(hwnd(), kRaiseTimer);
    if (order == StopOrder::ToneFirst) {
        g_testTone.Stop();
        g_levelCapture.Stop();
    } else {
        g_levelCapture.Stop();
        g_testTone.Stop();
    }
    EnableSetUpButtons(true);
    running_ = false;
    waitDlg_.EnableConfirm(true);
    waitShown_ = false;
}

void COptionMixerDlg::SetVolumeAndTrackbar(int volume)
{
    WriteVolume(volume);
    ::SendMessageW(item(IDC_MIXER_VOLUME), TBM_SETPOS, TRUE, kTrackbarTop - volume);
}

void COptionMixerDlg::RestartTone()
{
    g_testTone.Set(toneAmplitude_, kToneFrequency);
    g_testTone.Restart();
}

void COptionMixerDlg::OpenRecordingControl()
{
    if (::waveInGetNumDevs() == 0) {
        ::MessageBoxW(hwnd(), L"사운드 카드를 찾을수 없습니다. 사운드 카드와 마이크를 연결하세요",
                      L"Note", MB_OK | MB_ICONWARNING);
        return;
    }
    wchar_t windowsDir[MAX_PATH] = {};
    ::GetWindowsDirectoryW(windowsDir, MAX_PATH);
    const std::wstring program = FindVolumeControl(windowsDir);
    std::wstring commandLine;
    if (!program.empty()) {
        commandLine = L"\"" + program + L"\" /r /rec /record";
    } else {
        // Windows Vista and later have no sndvol32.exe: the Sound control panel's recording
        // page is where the recording level is set there.
        wchar_t system[MAX_PATH] = {};
        ::GetSystemDirectoryW(system, MAX_PATH);
        commandLine = L"\"" + std::wstring(system) + L"\\control.exe\" mmsys.cpl,,1";
    }
    if (!StartProgram(commandLine, SW_SHOW))
        ::MessageBoxW(hwnd(), L"Volume Control을 띄울수 없습니다.", L"주의",
                      MB_OK | MB_ICONWARNING);
}

// ---- the recording line (bound to the trackbar) ----

void COptionMixerDlg::AttachVolumeLine()
{
    secondSlider_.SetTrackbar(item(IDC_MIXER_VOLUME_UNUSED));
    volumeSlider_.SetTrackbar(item(IDC_MIXER_VOLUME));
    volumeSlider_.Attach(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, item(IDC_MIXER_SELECT_WAVE));
    // Without a select list the line is taken by unmuting it: the box says so.
    if (!volumeSlider_.selectFlag()) ::SetDlgItemTextW(hwnd(), IDC_MIXER_SELECT_WAVE, L"음소거");
    ::SetDlgItemTextW(hwnd(), IDC_MIXER_LINE_NAME, volumeSlider_.lineName().c_str());
    // Whatever is recorded while the page is open comes from this line.
    volumeSlider_.SetState(1);
}

int COptionMixerDlg::RediscoverVolume()
{
    // Only the line is looked up again; the trackbar keeps what it shows.
    CMixerLine& line = volumeSlider_.line();
    line.Discover(MIXERLINE_COMPONENTTYPE_DST_WAVEIN);
    return line.HasLine() ? static_cast<int>(line.volume()) : -1;
}

void COptionMixerDlg::ApplyTrackbar(HWND trackbar)
{
    if (trackbar && trackbar == volumeSlider_.trackbar()) volumeSlider_.ApplyPosition();
    if (trackbar && trackbar == secondSlider_.trackbar()) secondSlider_.ApplyPosition();
}

void COptionMixerDlg::WriteVolume(int volume)
{
    volumeSlider_.line().SetVolume(static_cast<DWORD>(volume));
}

}  // namespace velto

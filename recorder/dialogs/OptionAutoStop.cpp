#include "recorder/dialogs/OptionAutoStop.h"

#include "recorder/app/Banner.h"
#include "recorder/app/Settings.h"
#include "recorder/recording/Recorder.h"
#include "recorder/res/resource.h"

namespace velto {

StopTimeParts SplitStopTime(int seconds)
{
    return {seconds / 3600, (seconds % 3600) / 60, seconds % 60};
}

int JoinStopTime(const StopTimeParts& parts)
{
    return parts.hours * 3600 + parts.minutes * 60 + parts.seconds;
}

COptionAutoStop::COptionAutoStop(HINSTANCE instance, MainWindowOps* host)
    : CPropertyPage(instance, IDD_OPTION_AUTOSTOP), host_(host)
{
}

BOOL COptionAutoStop::OnInitDialog()
{
    SetBannerMovie(item(IDC_AUTOSTOP_BANNER), BannerMoviePath());

    // The page shows what is stored, and the shared values follow it even if the sheet is
    // then cancelled; the main window's own values are not touched.
    LoadSettings();
    const int seconds = g_autoStop.seconds.load();
    const StopTimeParts parts = SplitStopTime(seconds);
    SetUpSpin(IDC_AUTOSTOP_HOURS_SPIN, kMaxHours, parts.hours);
    SetUpSpin(IDC_AUTOSTOP_MINUTES_SPIN, kMaxMinutes, parts.minutes);
    SetUpSpin(IDC_AUTOSTOP_SECONDS_SPIN, kMaxSeconds, parts.seconds);

    const bool on = g_autoStop.enabled.load() == 1;
    ::CheckDlgButton(hwnd(), IDC_AUTOSTOP_ENABLE, on ? BST_CHECKED : BST_UNCHECKED);
    EnableTimeEdits(on);
    return TRUE;
}

void COptionAutoStop::SetUpSpin(int spinId, int maximum, int position)
{
    HWND spin = item(spinId);
    ::SendMessageW(spin, UDM_SETRANGE, 0, MAKELPARAM(maximum, 0));
    ::SendMessageW(spin, UDM_SETPOS, 0, MAKELPARAM(position, 0));
}

void COptionAutoStop::EnableTimeEdits(bool enable)
{
    for (int id : {IDC_AUTOSTOP_HOURS, IDC_AUTOSTOP_MINUTES, IDC_AUTOSTOP_SECONDS})
        ::EnableWindow(item(id), enable ? TRUE : FALSE);
}

bool COptionAutoStop::AutoStopTicked() const
{
    return ::IsDlgButtonChecked(hwnd(), IDC_AUTOSTOP_ENABLE) == BST_CHECKED;
}

INT_PTR COptionAutoStop::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    // Ticking the box alone changes nothing: "설정" applies it to the time fields.
    if (msg == WM_COMMAND && LOWORD(wp) == IDC_AUTOSTOP_SET && HIWORD(wp) == BN_CLICKED) {
        EnableTimeEdits(AutoStopTicked());
        return TRUE;
    }
    return CPropertyPage::HandleMessage(msg, wp, lp);
}

bool COptionAutoStop::OnApply()
{
    auto read = [this](int id) {
        BOOL ok = FALSE;
        const int v = static_cast<int>(::GetDlgItemInt(hwnd(), id, &ok, TRUE));
        return ok ? v : 0;
    };
    const int flag = AutoStopTicked() ? 1 : 0;
    const int seconds = JoinStopTime(
        {read(IDC_AUTOSTOP_HOURS), read(IDC_AUTOSTOP_MINUTES), read(IDC_AUTOSTOP_SECONDS)});
    g_autoStop.enabled = flag;
    g_autoStop.seconds = seconds;
    SaveAutoStopSettings();
    if (host_) host_->RefreshAutoStopDisplay();
    return true;
}

}  // namespace velto

#include "recorder/dialogs/OptionSheet.h"

#include "recorder/app/Banner.h"
#include "recorder/res/resource.h"

namespace velto {

COptionSheet::COptionSheet(HINSTANCE instance, MainWindowOps* host, MixerApi& mixer)
    : CPropertySheet(instance, IDS_OPTION_SHEET, 0),
      about_(instance),
      autoStop_(instance, host),
      mixer_(instance, host, mixer)
{
    header().dwFlags |= PSH_NOAPPLYNOW;
    // The auto-stop and about pages carry a banner.
    RegisterBannerClass(instance);
    AddPage(mixer_);
    AddPage(autoStop_);
    AddPage(about_);
}

void COptionSheet::OnInitSheet()
{
    RECT r{};
    ::GetWindowRect(hwnd(), &r);
    ::SetWindowPos(hwnd(), nullptr, 0, 0, r.right - r.left - kNarrower, r.bottom - r.top - kLower,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Nudge(reinterpret_cast<HWND>(::SendMessageW(hwnd(), PSM_GETTABCONTROL, 0, 0)), 0, 0, -kNarrower,
          -kLower);
    Nudge(reinterpret_cast<HWND>(::SendMessageW(hwnd(), PSM_GETCURRENTPAGEHWND, 0, 0)), 0, 0,
          -kNarrower, -kLower);
    for (int id : {IDOK, IDCANCEL}) Nudge(::GetDlgItem(hwnd(), id), -kNarrower, -kLower, 0, 0);
    CentreOverOwner();
}

void COptionSheet::CentreOverOwner()
{
    RECT sheet{};
    ::GetWindowRect(hwnd(), &sheet);
    HWND owner = ::GetWindow(hwnd(), GW_OWNER);
    RECT area{};
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    ::GetMonitorInfoW(::MonitorFromWindow(hwnd(), MONITOR_DEFAULTTONEAREST), &mi);
    if (owner && ::IsWindowVisible(owner) && !::IsIconic(owner))
        ::GetWindowRect(owner, &area);
    else
        area = mi.rcWork;
    const int w = sheet.right - sheet.left, h = sheet.bottom - sheet.top;
    int x = area.left + ((area.right - area.left) - w) / 2;
    int y = area.top + ((area.bottom - area.top) - h) / 2;
    // Never off the screen: a small owner near an edge would push the sheet out of reach.
    if (x + w > mi.rcWork.right) x = mi.rcWork.right - w;
    if (y + h > mi.rcWork.bottom) y = mi.rcWork.bottom - h;
    if (x < mi.rcWork.left) x = mi.rcWork.left;
    if (y < mi.rcWork.top) y = mi.rcWork.top;
    ::SetWindowPos(hwnd(), nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT COptionSheet::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg != WM_CLOSE) return CPropertySheet::HandleMessage(msg, wp, lp);
    // No second press of OK or Cancel while the close is under way.
    HWND ok = ::GetDlgItem(hwnd(), IDOK), cancel = ::GetDlgItem(hwnd(), IDCANCEL);
    ::EnableWindow(cancel, FALSE);
    ::EnableWindow(ok, FALSE);
    const LRESULT result = CallDefault(msg, wp, lp);
    // A page that refused the close leaves the sheet up: it must stay usable.
    if (hwnd() && ::SendMessageW(hwnd(), PSM_GETCURRENTPAGEHWND, 0, 0)) {
        ::EnableWindow(ok, TRUE);
        ::EnableWindow(cancel, TRUE);
    }
    return result;
}

INT_PTR RunOptionSheet(MainWindowOps& mainWindow)
{
    // The page templates and strings are the program's own resources.
    COptionSheet sheet(::GetModuleHandleW(nullptr), &mainWindow);
    return sheet.DoModal(mainWindow.MainWindow());
}

}  // namespace velto

#include "recorder/dialogs/OptionAboutDlg.h"

#include <shellapi.h>

#include "recorder/dialogs/OptionSettings.h"
#include "recorder/res/resource.h"

namespace velto {

COptionAboutDlg::COptionAboutDlg(HINSTANCE instance) : CPropertyPage(instance, IDD_OPTION_ABOUT) {}

void OpenMakerHomePage(HWND owner)
{
    // The address itself is opened, not a named browser: the user's default browser takes it
    // on every Windows version.
    ::ShellExecuteW(owner, L"open", kMakerHomePage, nullptr, nullptr, SW_SHOWNORMAL);
}

BOOL COptionAboutDlg::OnInitDialog()
{
    ShowBanner(item(IDC_OPTION_ABOUT_BANNER));
    return TRUE;
}

bool COptionAboutDlg::IsOnAddress(POINT p) const
{
    if (::PtInRect(&kAddressClickArea, p)) return true;
    // The line itself, wherever the page's font has put it.
    HWND line = item(IDC_OPTION_ABOUT_ADDRESS);
    if (!line) return false;
    RECT r{};
    ::GetWindowRect(line, &r);
    ::MapWindowPoints(nullptr, hwnd(), reinterpret_cast<POINT*>(&r), 2);
    return ::PtInRect(&r, p) != FALSE;
}

INT_PTR COptionAboutDlg::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_LBUTTONDOWN) {
        const POINT p{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
        if (IsOnAddress(p)) OpenMakerHomePage(hwnd());
    }
    return CPropertyPage::HandleMessage(msg, wp, lp);
}

}  // namespace velto

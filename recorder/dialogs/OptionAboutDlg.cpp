#include "recorder/dialogs/OptionAboutDlg.h"

#include <shellapi.h>

#include "recorder/app/AboutDlg.h"
#include "recorder/app/Banner.h"
#include "recorder/res/resource.h"

namespace velto {

COptionAboutDlg::COptionAboutDlg(HINSTANCE instance) : CPropertyPage(instance, IDD_OPTION_ABOUT) {}

BOOL COptionAboutDlg::OnInitDialog()
{
    SetBannerMovie(item(IDC_OPTION_ABOUT_BANNER), BannerMoviePath());
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
        // The address goes to the user's default browser (OpenMakerHomePage), not to a
        // named one: Internet Explorer is gone from current Windows.
        if (IsOnAddress(p)) OpenMakerHomePage();
    }
    return CPropertyPage::HandleMessage(msg, wp, lp);
}

}  // namespace velto

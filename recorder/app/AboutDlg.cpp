#include "recorder/app/AboutDlg.h"

#include <shellapi.h>
#include <windowsx.h>

#include "recorder/app/Banner.h"
#include "recorder/res/resource.h"

namespace velto {
namespace {
// Client pixels over the maker's line; a click there opens the home page.
constexpr RECT kHomePageClickArea = {72, 60, 255, 81};
}  // namespace

CAboutDlg::CAboutDlg(HINSTANCE instance) : Dialog(instance, IDD_ABOUTBOX) {}

void OpenMakerHomePage()
{
    ::ShellExecuteW(nullptr, L"open", kMakerHomePage, nullptr, nullptr, SW_SHOWNORMAL);
}

BOOL CAboutDlg::OnInitDialog()
{
    SetBannerMovie(::GetDlgItem(hwnd(), IDC_ABOUT_BANNER), BannerMoviePath());
    return TRUE;
}

INT_PTR CAboutDlg::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND && LOWORD(wp) == IDC_ABOUT_HOMEPAGE) {
        OpenMakerHomePage();
        return TRUE;
    }
    if (msg == WM_LBUTTONDOWN) {
        const POINT p = {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
        // The default browser rather than a named one: Internet Explorer is gone from
        // current Windows.
        if (::PtInRect(&kHomePageClickArea, p)) OpenMakerHomePage();
        return FALSE;
    }
    return Dialog::HandleMessage(msg, wp, lp);
}

}  // namespace velto

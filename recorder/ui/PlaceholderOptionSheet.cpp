// The options sheet until its pages exist: the three tabs with empty pages. Replace this file
// with the real sheet (keep RunOptionSheet's signature).
#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "recorder/ui/MainWindowOps.h"

namespace velto {
namespace {

// An empty page template built in memory: 240 x 180 dialog units, no controls.
std::vector<WORD> EmptyPageTemplate()
{
    std::vector<WORD> t(sizeof(DLGTEMPLATE) / sizeof(WORD) + 3, 0);
    auto* dlg = reinterpret_cast<DLGTEMPLATE*>(t.data());
    dlg->style = WS_CHILD | WS_DISABLED | WS_CAPTION | DS_3DLOOK;
    dlg->cx = 240;
    dlg->cy = 180;
    return t;  // no menu, default class, empty title
}

INT_PTR CALLBACK EmptyPageProc(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_INITDIALOG ? TRUE : FALSE;
}

}  // namespace

INT_PTR RunOptionSheet(MainWindowOps& mainWindow)
{
    static const wchar_t* const kTitles[] = {L"볼륨조절옵션", L"자동정지", L"벨토레코더정보"};
    std::vector<WORD> templ = EmptyPageTemplate();
    PROPSHEETPAGEW pages[3] = {};
    for (int i = 0; i < 3; ++i) {
        pages[i].dwSize = sizeof(PROPSHEETPAGEW);
        pages[i].dwFlags = PSP_DLGINDIRECT | PSP_USETITLE;
        pages[i].pResource = reinterpret_cast<DLGTEMPLATE*>(templ.data());
        pages[i].pfnDlgProc = &EmptyPageProc;
        pages[i].pszTitle = kTitles[i];
    }
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    header.hwndParent = mainWindow.MainWindow();
    header.pszCaption = L"옵션 및 정보";
    header.nPages = 3;
    header.ppsp = pages;
    return ::PropertySheetW(&header);
}

}  // namespace velto

// The about box (template 100): version line, the maker's line and the banner.
#pragma once

#include <windows.h>

#include "common/win/Window.h"

namespace velto {

// The maker's home page, opened from the about box.
inline constexpr wchar_t kMakerHomePage[] = L"http://www.dovrane.co.kr/";

class CAboutDlg : public Dialog {
public:
    explicit CAboutDlg(HINSTANCE instance);

protected:
    BOOL OnInitDialog() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

// Opens the maker's home page in the user's browser.
void OpenMakerHomePage();

}  // namespace velto

// The program's own question box: a caption, a centred read-only text and either "예" and
// "아니오" or a single "확인". Modal on the user-interface thread.
#pragma once

#include <windows.h>

#include <string>

#include "common/win/Window.h"

namespace velto {

class CMessageDlg : public Dialog {
public:
    static constexpr int kYes = 1;  // "예" or "확인"
    static constexpr int kNo = 2;   // "아니오", or the box closed

    // A null caption shows the application name; a null parent makes an owner-less box.
    CMessageDlg(const wchar_t* text, const wchar_t* caption = nullptr, HWND parent = nullptr);

    // Nonzero: both buttons; 0: the single "확인" button.
    void SetQuestion(int questionFlag) noexcept { question_ = questionFlag; }
    // Runs the box modally; kYes or kNo.
    int Run();

    static int Show(const wchar_t* text, const wchar_t* caption = nullptr, int questionFlag = 1,
                    HWND parent = nullptr);

protected:
    BOOL OnInitDialog() override;

private:
    void ShowSingleButton();

    std::wstring caption_;
    std::wstring text_;
    int question_ = 1;
    HWND parent_;
};

}  // namespace velto

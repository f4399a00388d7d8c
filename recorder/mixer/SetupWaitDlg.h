// The small modal box that stays in front while the automatic level set-up runs. Its "확인"
// is enabled only when the set-up has finished, and neither Esc nor Alt+F4 can close it
// before then.
#pragma once

#include <windows.h>

#include "common/win/Window.h"

namespace velto {

class CSetupWaitDlg : public Dialog {
public:
    explicit CSetupWaitDlg(HINSTANCE instance);

    // Runs the box modally over `owner`, with Esc and Alt+F4 swallowed for the whole time.
    INT_PTR Run(HWND owner);
    // Switches "확인" on or off; nothing happens while the box is not up.
    void EnableConfirm(bool enable);

protected:
    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    static LRESULT CALLBACK FilterKeys(int code, WPARAM wp, LPARAM lp);
};

// True for the keys that would close a dialog behind the user's back: Esc, and Alt+F4.
bool IsDialogClosingKey(const MSG& msg);

}  // namespace velto

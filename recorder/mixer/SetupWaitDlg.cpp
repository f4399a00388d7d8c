#include "recorder/mixer/SetupWaitDlg.h"

#include "recorder/res/resource.h"

namespace velto {

namespace {

// The hook of the box that is up on this thread; the wait box is never nested in itself.
thread_local CSetupWaitDlg* t_running = nullptr;
thread_local HHOOK t_hook = nullptr;

}  // namespace

CSetupWaitDlg::CSetupWaitDlg(HINSTANCE instance) : Dialog(instance, IDD_SETUP_WAIT) {}

bool IsDialogClosingKey(const MSG& msg)
{
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) return true;
    return msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4;
}

INT_PTR CSetupWaitDlg::Run(HWND owner)
{
    // The dialog manager's modal loop offers every message to the thread's message filter
    // before it translates and dispatches it: swallowing the keys there keeps them from ever
    // becoming a Cancel or a close command.
    CSetupWaitDlg* outerRunning = t_running;
    HHOOK outerHook = t_hook;
    t_running = this;
    t_hook = ::SetWindowsHookExW(WH_MSGFILTER, &CSetupWaitDlg::FilterKeys, nullptr,
                                 ::GetCurrentThreadId());
    const INT_PTR result = DoModal(owner);
    if (t_hook) ::UnhookWindowsHookEx(t_hook);
    t_hook = outerHook;
    t_running = outerRunning;
    return result;
}

LRESULT CALLBACK CSetupWaitDlg::FilterKeys(int code, WPARAM wp, LPARAM lp)
{
    if (code >= 0 && t_running && t_running->hwnd()) {
        const MSG* msg = reinterpret_cast<const MSG*>(lp);
        const HWND box = t_running->hwnd();
        if (msg && (msg->hwnd == box || ::IsChild(box, msg->hwnd)) && IsDialogClosingKey(*msg))
            return TRUE;
    }
    return ::CallNextHookEx(t_hook, code, wp, lp);
}

void CSetupWaitDlg::EnableConfirm(bool enable)
{
    if (hwnd()) ::EnableWindow(::GetDlgItem(hwnd(), IDC_SETUP_WAIT_OK), enable ? TRUE : FALSE);
}

INT_PTR CSetupWaitDlg::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COMMAND && LOWORD(wp) == IDC_SETUP_WAIT_OK) {
        OnOK();
        return TRUE;
    }
    return Dialog::HandleMessage(msg, wp, lp);
}

}  // namespace velto

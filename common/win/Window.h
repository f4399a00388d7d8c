// One window-procedure thunk for every window class of ours: the object pointer travels
// through CreateWindowEx, is stored at WM_NCCREATE and every message goes to HandleMessage.
#pragma once

#include <windows.h>

namespace velto {

class Window {
public:
    Window() = default;
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND hwnd() const noexcept { return hwnd_; }

    // Registers a class whose window procedure is the thunk. Returns 0 on failure.
    static ATOM RegisterClass(const WNDCLASSEXW& templ);
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style, int x,
                int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance);

protected:
    // Everything not handled goes to DefWindowProc.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    // Called after WM_NCDESTROY; the handle is already forgotten.
    virtual void OnFinalDestroy() {}

private:
    HWND hwnd_ = nullptr;
};

// Modal or modeless dialog built from a template, with one dialog-procedure thunk.
class Dialog {
public:
    Dialog(HINSTANCE instance, int templateId) : instance_(instance), templateId_(templateId) {}
    virtual ~Dialog() = default;
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    INT_PTR DoModal(HWND parent);
    HWND hwnd() const noexcept { return hwnd_; }

    static INT_PTR CALLBACK DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

protected:
    // Return TRUE to let the system set the default focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual void OnOK() { ::EndDialog(hwnd_, IDOK); }
    virtual void OnCancel() { ::EndDialog(hwnd_, IDCANCEL); }
    // Return TRUE when the message was handled (DWLP_MSGRESULT set where needed).
    virtual INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

    HINSTANCE instance() const noexcept { return instance_; }

private:
    HINSTANCE instance_;
    int templateId_;
    HWND hwnd_ = nullptr;
};

}  // namespace velto

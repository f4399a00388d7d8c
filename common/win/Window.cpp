#include "common/win/Window.h"

namespace velto {

Window::~Window()
{
    // A window must not outlive its object: the thunk would call into freed memory.
    if (hwnd_) {
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        ::DestroyWindow(hwnd_);
    }
}

ATOM Window::RegisterClass(const WNDCLASSEXW& templ)
{
    WNDCLASSEXW wc = templ;
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &Window::WindowProc;
    return ::RegisterClassExW(&wc);
}

HWND Window::Create(DWORD exStyle, const wchar_t* className, const wchar_t* title, DWORD style,
                    int x, int y, int width, int height, HWND parent, HMENU menu,
                    HINSTANCE instance)
{
    return ::CreateWindowExW(exStyle, className, title, style, x, y, width, height, parent, menu,
                             instance, this);
}

LRESULT Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    return ::DefWindowProcW(hwnd_, msg, wp, lp);
}

LRESULT CALLBACK Window::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    Window* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        self = static_cast<Window*>(cs->lpCreateParams);
        if (self) {
            self->hwnd_ = hwnd;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!self) return ::DefWindowProcW(hwnd, msg, wp, lp);

    LRESULT result = 0;
    try {
        result = self->HandleMessage(msg, wp, lp);
    } catch (...) {
        // Nothing may unwind into the system's dispatcher.
        result = ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        try {
            self->OnFinalDestroy();
        } catch (...) {
        }
    }
    return result;
}

INT_PTR Dialog::DoModal(HWND parent)
{
    return ::DialogBoxParamW(instance_, MAKEINTRESOURCEW(templateId_), parent, &Dialog::DialogProc,
                             reinterpret_cast<LPARAM>(this));
}

INT_PTR Dialog::HandleMessage(UINT msg, WPARAM wp, LPARAM)
{
    if (msg == WM_COMMAND) {
        switch (LOWORD(wp)) {
        case IDOK:
            OnOK();
            return TRUE;
        case IDCANCEL:
            OnCancel();
            return TRUE;
        default:
            break;
        }
    }
    return FALSE;
}

INT_PTR CALLBACK Dialog::DialogProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    Dialog* self = nullptr;
    if (msg == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lp);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, DWLP_USER, lp);
    } else {
        self = reinterpret_cast<Dialog*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;

    INT_PTR result = FALSE;
    try {
        result = (msg == WM_INITDIALOG) ? self->OnInitDialog() : self->HandleMessage(msg, wp, lp);
    } catch (...) {
        result = FALSE;
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

}  // namespace velto

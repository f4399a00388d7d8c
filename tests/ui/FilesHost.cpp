#include "tests/ui/FilesHost.h"

#include "recorder/recording/Recorder.h"

namespace velto::test {

namespace {

constexpr wchar_t kClassName[] = L"VeltoTestFilesHost";

// A modal dialog shows itself only once its queue is empty, so what is posted before it is
// delivered while it exists but is not yet on screen.
BOOL CALLBACK FindDialog(HWND hwnd, LPARAM lp)
{
    wchar_t cls[16] = {};
    ::GetClassNameW(hwnd, cls, 16);
    if (::lstrcmpW(cls, L"#32770") == 0) {
        *reinterpret_cast<bool*>(lp) = true;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

FilesHost::FilesHost()
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &FilesHost::WindowProc;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kClassName;
    ::RegisterClassExW(&wc);  // fails harmlessly when a previous host registered it
    window_ = ::CreateWindowExW(0, kClassName, L"Files host", WS_OVERLAPPEDWINDOW, 0, 0, 300, 150,
                                nullptr, nullptr, wc.hInstance, this);
}

FilesHost::~FilesHost()
{
    if (window_) ::DestroyWindow(window_);
}

const std::vector<FilesHost::Notification>& FilesHost::Received()
{
    MSG msg;
    while (::PeekMessageW(&msg, window_, 0, 0, PM_REMOVE)) ::DispatchMessageW(&msg);
    return received_;
}

LRESULT CALLBACK FilesHost::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
    }
    auto* self = reinterpret_cast<FilesHost*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self && msg == WM_RECORDER_NOTIFY) {
        bool dialogOpen = false;
        ::EnumThreadWindows(::GetCurrentThreadId(), &FindDialog,
                            reinterpret_cast<LPARAM>(&dialogOpen));
        self->received_.push_back({wp, dialogOpen});
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace velto::test

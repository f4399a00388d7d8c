#include "tests/support/FakeDebugViewer.h"

namespace velto::test {

FakeDebugViewer::FakeDebugViewer(const wchar_t* title)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Procedure;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kDebugViewerClass;
    ::RegisterClassExW(&wc);
    hwnd_ = ::CreateWindowExW(0, kDebugViewerClass, title, WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                              nullptr, wc.hInstance, nullptr);
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

FakeDebugViewer::~FakeDebugViewer()
{
    ::DestroyWindow(hwnd_);
}

std::vector<std::string> FakeDebugViewer::Lines() const
{
    std::vector<std::string> lines;
    for (const Received& r : received)
        if (!r.bytes.empty()) lines.emplace_back(r.bytes, 0, r.bytes.size() - 1);
    return lines;
}

LRESULT CALLBACK FakeDebugViewer::Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_COPYDATA) {
        auto* self = reinterpret_cast<FakeDebugViewer*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
        if (self)
            self->received.push_back(
                {data->dwData, std::string(static_cast<const char*>(data->lpData), data->cbData)});
        return TRUE;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace velto::test

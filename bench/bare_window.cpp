// The yardstick of the start-up benchmark: the least a Win32 program can do to show a window
// (register a class, open one 302 x 152 popup, run the loop until it is closed).
#include <windows.h>

LRESULT CALLBACK BareProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY) {
        ::PostQuitMessage(0);
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &BareProc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"VeltoBareWindow";
    if (!::RegisterClassExW(&wc)) return 1;
    HWND hwnd = ::CreateWindowExW(0, wc.lpszClassName, L"Bare", WS_POPUP | WS_VISIBLE, 100, 50, 302,
                                  152, nullptr, nullptr, instance, nullptr);
    if (!hwnd) return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return 0;
}

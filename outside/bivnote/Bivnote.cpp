// Bivnote.dll, the recorder's start-up notice: "Bivnote"(window, text, picture path) shows the
// picture in a small popup beside the window for a few seconds, or until it is clicked, and
// then posts WM_USER+10 to the window, which frees this library.
//
// The popup never takes the focus: the user goes on working in the recorder. It is owned by
// the recorder's window, so the system destroys it before that window, and everything here
// runs on the caller's thread: once the popup is gone, no code of this library is left on any
// stack or timer, and FreeLibrary is safe.
//
// The picture path comes as a char string in the ANSI code page (the contract). A path the
// code page cannot spell (a Korean folder on a Western system) arrives damaged, so when it
// cannot be opened the picture is looked for under the same file name beside this library,
// which the recorder installs in its own folder.
#include <windows.h>

#include <string>

namespace {

constexpr wchar_t kPopupClass[] = L"VeltoRecorderNotice";
constexpr UINT kFreeLibraryMessage = WM_USER + 10;
constexpr UINT_PTR kShowTimer = 1;  // shows the popup once the owner has been placed
constexpr UINT_PTR kCloseTimer = 2;
constexpr UINT kShowDelayMs = 150;
constexpr UINT kVisibleMs = 5000;
constexpr int kGap = 6;  // between the owner and the popup

HINSTANCE g_module = nullptr;
ATOM g_class = 0;

struct Popup {
    HWND owner = nullptr;
    HBITMAP picture = nullptr;
    int width = 0;
    int height = 0;
};

std::wstring FromAnsi(const char* s)
{
    if (!s || !*s) return {};
    int n = ::MultiByteToWideChar(CP_ACP, 0, s, -1, nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, s, -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::wstring ModuleFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = ::GetModuleFileNameW(g_module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

HBITMAP LoadPictureFile(const std::wstring& path)
{
    if (path.empty()) return nullptr;
    return static_cast<HBITMAP>(
        ::LoadImageW(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
}

HBITMAP LoadPicture(const char* ansiPath)
{
    std::wstring given = FromAnsi(ansiPath);
    if (HBITMAP b = LoadPictureFile(given)) return b;
    size_t slash = given.find_last_of(L"\\/");
    std::wstring name = slash == std::wstring::npos ? given : given.substr(slash + 1);
    if (name.empty() || name.find(L'?') != std::wstring::npos) name = L"aboutvelto.bmp";
    return LoadPictureFile(ModuleFolder() + name);
}

// Beside the owner on the right, or on its left when the screen ends, inside the work area.
POINT PlaceBeside(HWND owner, int w, int h)
{
    RECT o{};
    ::GetWindowRect(owner, &o);
    MONITORINFO mi{};
    mi.cbSize = sizeof(mi);
    ::GetMonitorInfoW(::MonitorFromWindow(owner, MONITOR_DEFAULTTONEAREST), &mi);
    const RECT& work = mi.rcWork;
    POINT p{o.right + kGap, o.top};
    if (p.x + w > work.right) p.x = o.left - kGap - w;
    if (p.x < work.left) {
        p.x = o.left;
        p.y = o.bottom + kGap;
    }
    if (p.x + w > work.right) p.x = work.right - w;
    if (p.x < work.left) p.x = work.left;
    if (p.y + h > work.bottom) p.y = work.bottom - h;
    if (p.y < work.top) p.y = work.top;
    return p;
}

void Paint(HWND hwnd, const Popup& popup)
{
    PAINTSTRUCT ps;
    HDC dc = ::BeginPaint(hwnd, &ps);
    HDC mem = ::CreateCompatibleDC(dc);
    HGDIOBJ old = ::SelectObject(mem, popup.picture);
    ::BitBlt(dc, 0, 0, popup.width, popup.height, mem, 0, 0, SRCCOPY);
    ::SelectObject(mem, old);
    ::DeleteDC(mem);
    ::EndPaint(hwnd, &ps);
}

LRESULT CALLBACK PopupProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    auto* popup = reinterpret_cast<Popup*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
        case WM_NCCREATE:
            ::SetWindowLongPtrW(
                hwnd, GWLP_USERDATA,
                reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams));
            break;
        case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN: ::DestroyWindow(hwnd); return 0;
        case WM_TIMER:
            if (wp == kShowTimer && popup) {
                ::KillTimer(hwnd, kShowTimer);
                POINT at = PlaceBeside(popup->owner, popup->width + 2, popup->height + 2);
                ::SetWindowPos(hwnd, nullptr, at.x, at.y, 0, 0,
                               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
                ::SetTimer(hwnd, kCloseTimer, kVisibleMs, nullptr);
            } else if (wp == kCloseTimer) {
                ::DestroyWindow(hwnd);
            }
            return 0;
        case WM_PAINT:
            if (popup) {
                Paint(hwnd, *popup);
                return 0;
            }
            break;
        case WM_NCDESTROY:
            if (popup) {
                ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
                // The last thing this library does: the owner may free it from now on.
                if (::IsWindow(popup->owner))
                    ::PostMessageW(popup->owner, kFreeLibraryMessage, 0, 0);
                ::DeleteObject(popup->picture);
                delete popup;
            }
            break;
        default: break;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

bool RegisterPopupClass()
{
    if (g_class) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &PopupProc;
    wc.hInstance = g_module;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_HAND);
    wc.lpszClassName = kPopupClass;
    g_class = ::RegisterClassExW(&wc);
    return g_class != 0;
}

int ShowNotice(HWND owner, const char* picturePath)
{
    if (!::IsWindow(owner)) return 0;
    HBITMAP picture = LoadPicture(picturePath);
    BITMAP info{};
    if (!picture || !::GetObjectW(picture, sizeof(info), &info) || !RegisterPopupClass()) {
        if (picture) ::DeleteObject(picture);
        ::PostMessageW(owner, kFreeLibraryMessage, 0, 0);
        return 0;
    }
    auto* popup = new Popup{owner, picture, info.bmWidth, info.bmHeight};
    // Hidden at first: the owner may still be in its own creation and not yet placed.
    HWND hwnd = ::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kPopupClass, L"",
                                  WS_POPUP | WS_BORDER, 0, 0, info.bmWidth + 2, info.bmHeight + 2,
                                  owner, nullptr, g_module, popup);
    if (!hwnd) {
        ::DeleteObject(picture);
        delete popup;
        ::PostMessageW(owner, kFreeLibraryMessage, 0, 0);
        return 0;
    }
    popup->width = info.bmWidth;
    popup->height = info.bmHeight;
    ::SetTimer(hwnd, kShowTimer, kShowDelayMs, nullptr);
    return 1;
}

}  // namespace

extern "C" int WINAPI Bivnote(HWND owner, const char* text, const char* picturePath)
{
    (void)text;  // always empty
    try {
        return ShowNotice(owner, picturePath);
    } catch (...) {
        return 0;
    }
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_module = instance;
        ::DisableThreadLibraryCalls(instance);
    } else if (reason == DLL_PROCESS_DETACH && g_class && !reserved) {
        // Freed by the recorder: no popup is left, so the class can go (a class whose
        // procedure is unloaded must not stay registered).
        ::UnregisterClassW(kPopupClass, g_module);
    }
    return TRUE;
}

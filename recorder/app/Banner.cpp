#include "recorder/app/Banner.h"

#include <memory>

#include "common/win/Handles.h"
#include "common/win/Window.h"

namespace velto {
namespace {

bool EndsWithNoCase(const std::wstring& text, const wchar_t* suffix)
{
    const size_t n = wcslen(suffix);
    return text.size() >= n && _wcsicmp(text.c_str() + text.size() - n, suffix) == 0;
}

class CBanner : public Window {
public:
    // Dialog managers create controls without a creation parameter, so the object is made
    // here and handed to the common thunk as if it had come through CreateWindowEx.
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_NCCREATE && !::GetWindowLongPtrW(hwnd, GWLP_USERDATA)) {
            CREATESTRUCTW cs = *reinterpret_cast<CREATESTRUCTW*>(lp);
            cs.lpCreateParams = new (std::nothrow) CBanner;
            if (!cs.lpCreateParams) return FALSE;
            return Window::WindowProc(hwnd, msg, wp, reinterpret_cast<LPARAM>(&cs));
        }
        return Window::WindowProc(hwnd, msg, wp, lp);
    }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg) {
            case BNM_SETMOVIE: return SetMovie(reinterpret_cast<const wchar_t*>(lp));
            case BNM_HASPICTURE: return picture_ ? TRUE : FALSE;
            case WM_ERASEBKGND: return 1;  // WM_PAINT covers every pixel
            case WM_PAINT: {
                PAINTSTRUCT ps;
                HDC dc = ::BeginPaint(hwnd(), &ps);
                Paint(dc);
                ::EndPaint(hwnd(), &ps);
                return 0;
            }
            case WM_PRINTCLIENT: Paint(reinterpret_cast<HDC>(wp)); return 0;
            default: return Window::HandleMessage(msg, wp, lp);
        }
    }

    void OnFinalDestroy() override { delete this; }

private:
    BOOL SetMovie(const wchar_t* moviePath)
    {
        picture_.reset();
        if (moviePath && *moviePath) {
            const std::wstring file = BannerPictureFor(moviePath);
            picture_.reset(static_cast<HBITMAP>(::LoadImageW(
                nullptr, file.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
        }
        ::InvalidateRect(hwnd(), nullptr, TRUE);
        return picture_ ? TRUE : FALSE;
    }

    void Paint(HDC dc)
    {
        RECT rc;
        ::GetClientRect(hwnd(), &rc);
        BITMAP info{};
        if (!picture_ || !::GetObjectW(picture_.get(), sizeof info, &info)) {
            ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_3DFACE));
            return;
        }
        UniqueMemoryDc source(::CreateCompatibleDC(dc));
        ScopedSelectObject select(source.get(), picture_.get());
        const int oldMode = ::SetStretchBltMode(dc, HALFTONE);
        ::SetBrushOrgEx(dc, 0, 0, nullptr);
        ::StretchBlt(dc, 0, 0, rc.right, rc.bottom, source.get(), 0, 0, info.bmWidth, info.bmHeight,
                     SRCCOPY);
        ::SetStretchBltMode(dc, oldMode);
    }

    UniqueBitmap picture_;
};

}  // namespace

bool RegisterBannerClass(HINSTANCE instance)
{
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (::GetClassInfoExW(instance, kBannerClass, &existing)) return true;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &CBanner::Procedure;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kBannerClass;
    return ::RegisterClassExW(&wc) != 0;
}

std::wstring BannerMoviePath()
{
    wchar_t folder[MAX_PATH] = {};
    DWORD n = ::GetCurrentDirectoryW(MAX_PATH, folder);
    if (n == 0 || n >= MAX_PATH) n = 0;
    std::wstring path(folder, n);
    // A drive's root already ends with its backslash.
    if (path.empty() || path.back() != L'\\') path += L'\\';
    return path + L"velto_banner2.swf";
}

std::wstring BannerPictureFor(const std::wstring& moviePath)
{
    if (EndsWithNoCase(moviePath, L".bmp")) return moviePath;
    const size_t slash = moviePath.find_last_of(L"\\/");
    const size_t dot = moviePath.find_last_of(L'.');
    const bool hasExtension =
        dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
    return (hasExtension ? moviePath.substr(0, dot) : moviePath) + L".bmp";
}

bool SetBannerMovie(HWND banner, const std::wstring& moviePath)
{
    return banner &&
           ::SendMessageW(banner, BNM_SETMOVIE, 0, reinterpret_cast<LPARAM>(moviePath.c_str()));
}

}  // namespace velto

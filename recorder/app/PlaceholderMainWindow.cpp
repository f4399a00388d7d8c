// A stand-in main window until the skinned one arrives: it keeps the settings' cycle (read at
// creation, placement restored, placement saved on close, settings written at destruction)
// so the whole start and end of the program runs for real.
#include <memory>

#include "common/win/Window.h"
#include "recorder/app/MainWindowFactory.h"
#include "recorder/app/RecorderApp.h"
#include "recorder/app/Settings.h"

namespace velto {
namespace {

class PlaceholderMainWindow : public Window {
protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg) {
            case WM_CREATE: {
                settings_ = LoadSettings();
                WINDOWPLACEMENT placement;
                if (LoadWindowPlacement(placement)) ::SetWindowPlacement(hwnd(), &placement);
                return 0;
            }
            case WM_CLOSE: {
                WINDOWPLACEMENT placement{};
                placement.length = sizeof placement;
                if (::GetWindowPlacement(hwnd(), &placement)) SaveWindowPlacement(placement);
                ::DestroyWindow(hwnd());
                return 0;
            }
            case WM_DESTROY: SaveSettings(settings_); return 0;
            case WM_COMMAND:
                if (HandleAppCommand(hwnd(), LOWORD(wp))) return 0;
                break;
            case WM_RBUTTONUP: HandleAppCommand(hwnd(), kAboutCommand); return 0;
            case WM_PAINT: Paint(); return 0;
            default: break;
        }
        return Window::HandleMessage(msg, wp, lp);
    }

private:
    void Paint()
    {
        PAINTSTRUCT ps;
        HDC dc = ::BeginPaint(hwnd(), &ps);
        RECT rc;
        ::GetClientRect(hwnd(), &rc);
        ::FillRect(dc, &rc, ::GetSysColorBrush(COLOR_3DFACE));
        ::SetBkMode(dc, TRANSPARENT);
        ::DrawTextW(dc, L"VeltoRecorder", -1, &rc, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        ::EndPaint(hwnd(), &ps);
    }

    MainWindowSettings settings_;
};

// One main window per process; the object outlives its window.
std::unique_ptr<PlaceholderMainWindow> g_mainWindow;

}  // namespace

HWND CreateRecorderMainWindow(HINSTANCE instance)
{
    g_mainWindow = std::make_unique<PlaceholderMainWindow>();
    HWND hwnd = g_mainWindow->Create(0, kMainWindowClass, kMainWindowClass, kMainWindowStyle,
                                     kMainWindowX, kMainWindowY, kMainWindowWidth,
                                     kMainWindowHeight, nullptr, nullptr, instance);
    if (!hwnd) g_mainWindow.reset();
    return hwnd;
}

bool PreTranslateMainWindowMessage(MSG&)
{
    return false;
}

}  // namespace velto

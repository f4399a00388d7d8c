// Program entry. The application object and the main window take over from here.
#include <windows.h>

#include "common/ProgramFolder.h"
#include "common/win/Window.h"

namespace {

class PlaceholderWindow : public velto::Window {
protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_DESTROY) {
            ::PostQuitMessage(0);
            return 0;
        }
        return Window::HandleMessage(msg, wp, lp);
    }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    velto::HardenDllSearchOrder();
    WNDCLASSEXW wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"VeltoRecorder";
    velto::Window::RegisterClass(wc);
    PlaceholderWindow window;
    if (!window.Create(0, L"VeltoRecorder", L"VeltoRecorder", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100,
                       50, 303, 159, nullptr, nullptr, instance))
        return 1;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

// Program entry: the application object takes over.
#include <windows.h>

#include "recorder/app/RecorderApp.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR commandLine, int)
{
    try {
        velto::CRecorderApp app(instance, commandLine ? commandLine : L"");
        if (!app.InitApplication() || !app.InitInstance()) return 0;
        return app.Run();
    } catch (...) {
        return 1;
    }
}

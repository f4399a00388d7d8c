// Updater: runs the update library's passes during its initialisation, then ends.
#include <windows.h>

#include "common/ProgramFolder.h"
#include "updater/UpdaterApp.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int)
{
    try {
        velto::HardenDllSearchOrder();
        velto::UpdaterApp app(velto::ProgramFolder());
        app.InitInstance(commandLine ? commandLine : L"");
    } catch (...) {
    }
    return 0;
}

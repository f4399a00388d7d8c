// The application object: registers the main window's class, runs the start-up sequence
// (single instance, update hand-over, first-run reset, main window) and the message loop.
#pragma once

#include <windows.h>

#include <string>

#include "recorder/res/resource.h"

namespace velto {

inline constexpr UINT kAboutCommand = ID_APP_ABOUT;  // 57664

class CRecorderApp {
public:
    CRecorderApp(HINSTANCE instance, std::wstring commandLine);
    ~CRecorderApp();
    CRecorderApp(const CRecorderApp&) = delete;
    CRecorderApp& operator=(const CRecorderApp&) = delete;

    // Registers the main window's class "VeltoRecorder" and the banner control's class.
    BOOL InitApplication();
    // The start-up sequence. TRUE to run the message loop, FALSE to end the process (a second
    // copy, or a plain start handed over to the Updater).
    BOOL InitInstance();
    // The message loop; returns when the main window has been destroyed.
    int Run();

    HWND mainWindow() const { return mainWindow_; }

private:
    bool IsOnlyInstance();
    bool HandOverToUpdater();

    HINSTANCE instance_;
    std::wstring commandLine_;
    HWND mainWindow_ = nullptr;
    HHOOK destroyWatch_ = nullptr;
};

// The application's own commands, forwarded by the main window (the about box, 57664).
// True when the command was the application's.
bool HandleAppCommand(HWND owner, UINT id);

}  // namespace velto

// The seam between the application object and the main window: the application creates the
// main window through this function and nothing else, and lets it see each message of the
// loop first.
#pragma once

#include <windows.h>

namespace velto {

// The main window's creation values: extended style 0, this style (WS_POPUP, WS_VISIBLE,
// WS_CLIPSIBLINGS, WS_SYSMENU, WS_MINIMIZEBOX and the class bit 0x4000), position, size.
inline constexpr DWORD kMainWindowStyle = 0x940A4000;
inline constexpr int kMainWindowX = 100;
inline constexpr int kMainWindowY = 50;
inline constexpr int kMainWindowWidth = 303;
inline constexpr int kMainWindowHeight = 159;
// Class and title of the main window (the class is registered by the application).
inline constexpr wchar_t kMainWindowClass[] = L"VeltoRecorder";

// Creates the main window (class and title "VeltoRecorder", the values above, no parent, no
// menu). The window reads its settings while it is created and writes them when it is
// destroyed (recorder/app/Settings.h). Returns null when creation failed. The window object
// lives as long as its window; the application's loop ends when the window is destroyed.
HWND CreateRecorderMainWindow(HINSTANCE instance);

// Called with every message the application's loop takes from the queue, before it is
// translated and dispatched. Return true when the message has been consumed.
bool PreTranslateMainWindowMessage(MSG& msg);

}  // namespace velto

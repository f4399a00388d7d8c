// The program's message boxes: captioned with the application name, owned by the window the
// caller names (the main window, or none from worker threads).
#pragma once

#include <windows.h>

namespace velto {

inline constexpr wchar_t kAppName[] = L"VeltoRecorder";

// An OK box without an icon gets the exclamation icon, like the framework's message box.
int AppMessageBox(HWND owner, const wchar_t* text, UINT type = MB_OK);

}  // namespace velto

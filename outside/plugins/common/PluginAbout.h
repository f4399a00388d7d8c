// The small box our plug-ins show for Config and About.
#pragma once

#include <windows.h>

namespace velto::plugin {

inline void ShowAbout(HWND parent, const wchar_t* text)
{
    ::MessageBoxW(parent, text, L"VeltoRecorder", MB_OK | MB_ICONINFORMATION);
}

}  // namespace velto::plugin

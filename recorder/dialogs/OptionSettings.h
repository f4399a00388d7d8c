// The options pages' access to what they share with the rest of the program: the stored
// auto-stop settings and the banner.
#pragma once

#include <windows.h>

namespace velto {

// Reads "AutoStop" and "RecStopTime" into g_autoStop (a stored time of 0 reads as 300; a
// value that is not stored leaves the shared one as it is).
void LoadAutoStopSettings();
// Writes g_autoStop to "RecStopTime" and "AutoStop".
void SaveAutoStopSettings();
// Points the banner control `banner` at the banner movie.
void ShowBanner(HWND banner);

}  // namespace velto

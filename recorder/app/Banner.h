// The banner shown in the about box and on the options pages: a small control of our own in
// the place of the old Flash movie control. It takes the movie's path as the Flash control
// took it and shows a picture for it: the path itself when it names a bitmap, otherwise the
// bitmap of the same name beside it (".../velto_banner2.swf" shows ".../velto_banner2.bmp"),
// stretched to the control. With no such file it stays empty, as an absent movie did.
//
// In a dialog template: CONTROL "", <id>, "VeltoBanner", WS_CHILD | WS_VISIBLE, x, y, cx, cy
#pragma once

#include <windows.h>

#include <string>

namespace velto {

inline constexpr wchar_t kBannerClass[] = L"VeltoBanner";

// wParam 0, lParam const wchar_t* movie path (null clears it). Returns TRUE when a picture is
// shown.
inline constexpr UINT BNM_SETMOVIE = WM_USER + 102;
// Returns TRUE while a picture is shown.
inline constexpr UINT BNM_HASPICTURE = WM_USER + 103;

// Once per process, before a dialog with a banner is created. Registering twice is harmless.
bool RegisterBannerClass(HINSTANCE instance);

// The movie every banner of the program shows: the current directory + "\velto_banner2.swf".
std::wstring BannerMoviePath();
// The bitmap file shown for a movie path.
std::wstring BannerPictureFor(const std::wstring& moviePath);
// Sends BNM_SETMOVIE; true when a picture is shown.
bool SetBannerMovie(HWND banner, const std::wstring& moviePath);

}  // namespace velto

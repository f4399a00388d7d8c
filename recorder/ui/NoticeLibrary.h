// The optional notice library "Bivnote.dll": loaded after the player at start, called once
// with the main window and the path of "aboutvelto.bmp", and freed when it posts WM_USER+10
// or when the main window goes.
#pragma once

#include <windows.h>

#include <string>

#include "common/win/Handles.h"

namespace velto {

inline constexpr UINT WM_NOTICE_DONE = WM_USER + 10;

// The picture path as the library's char contract takes it, in the ANSI code page. A path the
// code page cannot spell (Korean folders on a Western system) is given in its short 8.3 form
// when that one can be spelt; otherwise as well as the code page allows (the library then
// finds the picture beside itself).
std::string NoticePicturePath(const std::wstring& path);

class NoticeLibrary {
public:
    // Frees a library still loaded, loads "Bivnote.dll" from `folder` and calls its entry.
    // False when the library is missing (the caller tells the user).
    bool Show(HWND owner, const std::wstring& folder);
    void Free() { module_.reset(); }
    bool loaded() const { return static_cast<bool>(module_); }

private:
    UniqueModule module_;
};

}  // namespace velto

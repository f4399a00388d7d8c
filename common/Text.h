// Text helpers: UTF-16 is the program's text; UTF-8 and the ANSI code page only appear at the
// edges where an outside contract wants bytes (plug-in exports, LAME, the debug channel).
#pragma once

#include <cstdarg>
#include <string>

namespace velto {

std::wstring Utf8ToWide(const std::string& s);
std::string WideToUtf8(const std::wstring& s);
// The process's ANSI code page; what char-based Win32 calls and the plug-in contract use.
std::wstring AnsiToWide(const std::string& s);
std::string WideToAnsi(const std::wstring& s);
// An existing path as `char` contracts take it: the ANSI text when it says the same, else the
// short 8.3 form (plain ASCII where the volume makes short names); empty when neither fits.
std::string AnsiPath(const std::wstring& path);

// printf-style formatting into a std::wstring, with no fixed-size limit.
std::wstring FormatW(const wchar_t* format, ...);
std::wstring FormatVW(const wchar_t* format, va_list args);
std::string Format(const char* format, ...);

}  // namespace velto

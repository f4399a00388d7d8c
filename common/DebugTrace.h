// Diagnostic lines for a debug viewer window, sent with WM_COPYDATA when a viewer is open and
// dropped otherwise, so a program can trace what it does without a console or a log file.
#pragma once

#include <windows.h>

#include <string>

namespace velto {

// Sender and viewer find each other by both texts, matched exactly. The title is plain ASCII,
// so it reads the same in every code page.
inline constexpr wchar_t kDebugViewerClass[] = L"dovrane DebugOut Window";
inline constexpr wchar_t kDebugViewerTitle[] = L"Debug        (c) Dovrane 2004";

// Longest text sent; longer formatted text is cut.
inline constexpr size_t kDebugTraceMaxChars = 1024;

// printf-style (wide). The text travels as UTF-8 with its terminating NUL counted in
// cbData, so an empty text sends one byte. Blocks while the viewer takes the text; a hung
// viewer is given up on after a few seconds.
void DebugTrace(const wchar_t* format, ...);
// The same for a text that is already formatted.
void DebugTraceText(const std::wstring& text);

}  // namespace velto

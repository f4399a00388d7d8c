#include "common/DebugTrace.h"

#include <cstdarg>

#include "common/Text.h"

namespace velto {
namespace {
// A viewer that stops answering must not hold up the program that traces.
constexpr UINT kViewerTimeoutMs = 5000;
}  // namespace

void DebugTraceText(const std::wstring& text)
{
    HWND viewer = ::FindWindowW(kDebugViewerClass, kDebugViewerTitle);
    if (!viewer) return;
    std::string bytes = WideToUtf8(text.substr(0, kDebugTraceMaxChars));
    COPYDATASTRUCT data{};
    data.dwData = 0;
    data.cbData = static_cast<DWORD>(bytes.size() + 1);
    data.lpData = bytes.data();  // std::string keeps its NUL after size()
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(viewer, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                          SMTO_BLOCK | SMTO_ABORTIFHUNG, kViewerTimeoutMs, &result);
}

void DebugTrace(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring text = FormatVW(format, args);
    va_end(args);
    DebugTraceText(text);
}

}  // namespace velto

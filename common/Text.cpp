#include "common/Text.h"

#include <windows.h>

#include <cstdio>
#include <vector>

namespace velto {
namespace {

std::wstring ToWide(UINT codePage, const std::string& s)
{
    if (s.empty()) return {};
    int n = ::MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
    return out;
}

std::string FromWide(UINT codePage, const std::wstring& s)
{
    if (s.empty()) return {};
    int n = ::WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), nullptr, 0,
                                  nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, s.data(), static_cast<int>(s.size()), out.data(), n, nullptr,
                          nullptr);
    return out;
}

// True, with `ansi` filled, when the ANSI code page carries `text` unchanged.
bool AnsiRoundTrip(const std::wstring& text, std::string& ansi)
{
    if (text.empty()) {
        ansi.clear();
        return true;
    }
    BOOL lossy = FALSE;
    const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(),
                                        static_cast<int>(text.size()), nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy) return false;
    ansi.assign(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.c_str(), static_cast<int>(text.size()),
                          ansi.data(), n, nullptr, &lossy);
    return !lossy;
}

}  // namespace

std::wstring Utf8ToWide(const std::string& s)
{
    return ToWide(CP_UTF8, s);
}
std::string WideToUtf8(const std::wstring& s)
{
    return FromWide(CP_UTF8, s);
}
std::wstring AnsiToWide(const std::string& s)
{
    return ToWide(CP_ACP, s);
}
std::string WideToAnsi(const std::wstring& s)
{
    return FromWide(CP_ACP, s);
}

std::string AnsiPath(const std::wstring& path)
{
    std::string ansi;
    if (AnsiRoundTrip(path, ansi)) return ansi;
    const DWORD n = ::GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n > 0) {
        std::vector<wchar_t> shortPath(n);
        if (::GetShortPathNameW(path.c_str(), shortPath.data(), n) > 0 &&
            AnsiRoundTrip(shortPath.data(), ansi))
            return ansi;
    }
    return {};
}

std::wstring FormatVW(const wchar_t* format, va_list args)
{
    std::vector<wchar_t> buf(256);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        int n = _vsnwprintf(buf.data(), buf.size(), format, copy);
        va_end(copy);
        if (n >= 0 && static_cast<size_t>(n) < buf.size()) return std::wstring(buf.data(), n);
        buf.resize(buf.size() * 2);
        if (buf.size() > (1u << 24)) return {};
    }
}

std::wstring FormatW(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring s = FormatVW(format, args);
    va_end(args);
    return s;
}

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string s(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(s.data(), s.size() + 1, format, args);
    va_end(args);
    return s;
}

}  // namespace velto

// common/Text.h for the native Linux build of the fuzz targets. Wide strings hold UTF-16 code
// units here too, one per wchar_t, as they do on Windows; conversions and formatting follow the
// platform's rules: invalid UTF-8 becomes U+FFFD, and in wide formats "%s" and "%c" take wide
// arguments ("%hs" narrow), as the Windows run-time reads them.
#include "common/Text.h"

#include <cstdio>
#include <cwchar>
#include <vector>

namespace velto {
namespace {

constexpr wchar_t kReplacement = 0xFFFD;

void AppendUtf16(std::wstring& out, uint32_t code)
{
    if (code < 0x10000) {
        out += static_cast<wchar_t>(code);
    } else {
        code -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (code >> 10));
        out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
    }
}

void AppendUtf8(std::string& out, uint32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The Windows run-time's wide-format reading, spelled the way glibc reads it.
std::wstring ToGlibcFormat(const wchar_t* format)
{
    std::wstring out;
    for (const wchar_t* p = format; *p;) {
        if (*p != L'%') {
            out += *p++;
            continue;
        }
        out += *p++;
        if (*p == L'%') {
            out += *p++;
            continue;
        }
        while (*p && wcschr(L"-+ #0123456789.*", *p)) out += *p++;
        std::wstring length;
        while (*p && wcschr(L"hlLqjzt", *p)) length += *p++;
        if (*p == L's' || *p == L'c') {
            if (length.empty())
                length = L"l";
            else if (length == L"h")
                length.clear();
        }
        out += length;
        if (*p) out += *p++;
    }
    return out;
}

}  // namespace

std::wstring Utf8ToWide(const std::string& s)
{
    static const uint32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    std::wstring out;
    size_t i = 0;
    while (i < s.size()) {
        const unsigned char lead = static_cast<unsigned char>(s[i]);
        const int extra = lead < 0x80           ? 0
                          : (lead >> 5) == 0x06 ? 1
                          : (lead >> 4) == 0x0E ? 2
                          : (lead >> 3) == 0x1E ? 3
                                                : -1;
        if (extra < 0) {
            out += kReplacement;
            ++i;
            continue;
        }
        uint32_t code = extra == 0 ? lead : lead & (0x3Fu >> extra);
        bool ok = i + static_cast<size_t>(extra) < s.size();
        for (int k = 1; ok && k <= extra; ++k) {
            const unsigned char next = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            ok = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (!ok || code < kSmallest[extra] || code > 0x10FFFF ||
            (code >= 0xD800 && code <= 0xDFFF)) {
            out += kReplacement;
            ++i;
            continue;
        }
        AppendUtf16(out, code);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}

std::string WideToUtf8(const std::wstring& s)
{
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        uint32_t code = static_cast<uint32_t>(s[i]) & 0xFFFF;
        if (code >= 0xD800 && code <= 0xDBFF && i + 1 < s.size() &&
            (static_cast<uint32_t>(s[i + 1]) & 0xFC00) == 0xDC00) {
            code = 0x10000 + ((code - 0xD800) << 10) + ((static_cast<uint32_t>(s[i + 1]) & 0x3FF));
            ++i;
        } else if (code >= 0xD800 && code <= 0xDFFF) {
            code = kReplacement;
        }
        AppendUtf8(out, code);
    }
    return out;
}

// Code page 1252 is Latin-1 apart from 0x80-0x9F, which nothing here depends on.
std::wstring AnsiToWide(const std::string& s)
{
    std::wstring out;
    for (char c : s) out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return out;
}

std::string WideToAnsi(const std::wstring& s)
{
    std::string out;
    for (wchar_t c : s) out += c < 0x100 ? static_cast<char>(c) : '?';
    return out;
}

std::wstring FormatVW(const wchar_t* format, va_list args)
{
    const std::wstring glibcFormat = ToGlibcFormat(format);
    std::vector<wchar_t> buf(256);
    for (;;) {
        va_list copy;
        va_copy(copy, args);
        const int n = std::vswprintf(buf.data(), buf.size(), glibcFormat.c_str(), copy);
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
    const int n = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string s(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) std::vsnprintf(s.data(), s.size() + 1, format, args);
    va_end(args);
    return s;
}

}  // namespace velto

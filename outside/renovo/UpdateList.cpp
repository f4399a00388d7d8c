#include "outside/renovo/UpdateList.h"

#include <windows.h>

#include <cwctype>
#include <sstream>

#include "common/Text.h"

namespace renovo {
namespace {

std::string Trim(const std::string& s)
{
    const char* blanks = " \t\r\n";
    const size_t a = s.find_first_not_of(blanks);
    if (a == std::string::npos) return {};
    const size_t b = s.find_last_not_of(blanks);
    return s.substr(a, b - a + 1);
}

bool StartsWithNoCase(const std::wstring& s, const wchar_t* prefix)
{
    const size_t n = wcslen(prefix);
    return s.size() >= n && _wcsnicmp(s.c_str(), prefix, n) == 0;
}

bool IsDeviceName(const std::wstring& part)
{
    std::wstring stem = part.substr(0, part.find(L'.'));
    for (auto& c : stem) c = static_cast<wchar_t>(std::towupper(c));
    static const wchar_t* const kDevices[] = {L"CON", L"PRN",    L"AUX",
                                              L"NUL", L"CONIN$", L"CONOUT$"};
    for (const wchar_t* d : kDevices)
        if (stem == d) return true;
    return stem.size() == 4 &&
           (stem.compare(0, 3, L"COM") == 0 || stem.compare(0, 3, L"LPT") == 0) &&
           stem[3] >= L'0' && stem[3] <= L'9';
}

bool IsSafePart(const std::wstring& part)
{
    if (part.empty() || part == L"." || part == L"..") return false;
    if (part.back() == L'.' || part.back() == L' ') return false;  // Windows drops them silently
    for (wchar_t c : part)
        if (c < 0x20 || wcschr(L"<>:\"|?*", c)) return false;
    return !IsDeviceName(part);
}

bool IsReservedName(const std::wstring& path)
{
    // The running copy of the library, and the names the replacement uses for a moment.
    if (_wcsicmp(path.c_str(), L"RenovoCopy.dll") == 0) return true;
    for (const wchar_t* suffix : {L".renovo-new", L".renovo-old"}) {
        const size_t n = wcslen(suffix);
        if (path.size() >= n && _wcsicmp(path.c_str() + path.size() - n, suffix) == 0) return true;
    }
    return false;
}

}  // namespace

bool ParseVersion(const std::string& text, Version& out)
{
    out = Version{};
    if (text.empty()) return false;
    size_t index = 0, pos = 0;
    while (true) {
        if (index >= out.parts.size() || pos >= text.size() ||
            !isdigit(static_cast<unsigned char>(text[pos])))
            return false;
        uint64_t value = 0;
        while (pos < text.size() && isdigit(static_cast<unsigned char>(text[pos]))) {
            value = value * 10 + static_cast<unsigned>(text[pos++] - '0');
            if (value > 0xFFFFFFFFu) return false;
        }
        out.parts[index++] = static_cast<uint32_t>(value);
        if (pos == text.size()) return true;
        if (text[pos++] != '.') return false;
    }
}

bool ParseHex(const std::string& hex, uint8_t* out, size_t size)
{
    if (hex.size() != size * 2) return false;
    for (size_t i = 0; i < size; ++i) {
        unsigned value = 0;
        for (size_t k = 0; k < 2; ++k) {
            const char c = hex[i * 2 + k];
            value <<= 4;
            if (c >= '0' && c <= '9')
                value |= static_cast<unsigned>(c - '0');
            else if (c >= 'a' && c <= 'f')
                value |= static_cast<unsigned>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                value |= static_cast<unsigned>(c - 'A' + 10);
            else
                return false;
        }
        out[i] = static_cast<uint8_t>(value);
    }
    return true;
}

bool IsSafeRelativePath(const std::wstring& path)
{
    if (path.empty() || path.size() > 200) return false;
    if (path[0] == L'\\' || path[0] == L'/') return false;
    if (IsReservedName(path)) return false;
    size_t start = 0;
    while (true) {
        const size_t end = path.find_first_of(L"\\/", start);
        if (!IsSafePart(path.substr(start, end == std::wstring::npos ? end : end - start)))
            return false;
        if (end == std::wstring::npos) return true;
        start = end + 1;
    }
}

bool ParseUpdateList(const std::string& text, UpdateList& out, std::string& error)
{
    out = UpdateList{};
    bool haveVersion = false;
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        if (number == 1 && line.compare(0, 3, "\xEF\xBB\xBF") == 0) line.erase(0, 3);
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string keyword;
        fields >> keyword;
        const std::string where = "line " + std::to_string(number) + ": ";
        if (keyword == "version") {
            std::string value, extra;
            fields >> value >> extra;
            if (haveVersion || !extra.empty() || !ParseVersion(value, out.version)) {
                error = where + "bad or second version";
                return false;
            }
            haveVersion = true;
        } else if (keyword == "file") {
            std::string hash, address, rest;
            fields >> hash >> address;
            std::getline(fields, rest);
            ListedFile file;
            file.path = velto::Utf8ToWide(Trim(rest));
            for (auto& c : file.path)
                if (c == L'/') c = L'\\';
            file.address = velto::Utf8ToWide(address);
            if (!ParseSha256(hash, file.sha256) || address.empty() ||
                !IsSafeRelativePath(file.path)) {
                error = where + "bad file entry";
                return false;
            }
            for (const auto& other : out.files)
                if (_wcsicmp(other.path.c_str(), file.path.c_str()) == 0) {
                    error = where + "file listed twice";
                    return false;
                }
            out.files.push_back(std::move(file));
        } else {
            error = where + "unknown keyword";
            return false;
        }
    }
    if (!haveVersion) {
        error = "no version line";
        return false;
    }
    return true;
}

bool IsWebAddress(const std::wstring& address)
{
    return StartsWithNoCase(address, L"http://") || StartsWithNoCase(address, L"https://");
}

std::wstring ResolveAddress(const std::wstring& listAddress, const std::wstring& fileAddress)
{
    const bool absolutePath = (fileAddress.size() > 2 && fileAddress[1] == L':' &&
                               (fileAddress[2] == L'\\' || fileAddress[2] == L'/')) ||
                              StartsWithNoCase(fileAddress, L"\\\\");
    if (IsWebAddress(fileAddress) || absolutePath) return fileAddress;
    const bool web = IsWebAddress(listAddress);
    const size_t cut = listAddress.find_last_of(web ? L"/" : L"\\/");
    const std::wstring base =
        cut == std::wstring::npos ? std::wstring() : listAddress.substr(0, cut + 1);
    std::wstring relative = fileAddress;
    if (web)
        for (auto& c : relative)
            if (c == L'\\') c = L'/';
    return base + relative;
}

}  // namespace renovo

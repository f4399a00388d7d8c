// The update list: a small UTF-8 text that names the latest version and every file of that
// version with its SHA-256 and download address.
//
//   # comment lines and blank lines are ignored
//   version 1.03
//   file <sha256, 64 hex digits> <download address> <path in the program folder>
//
// The path is the rest of the line (it may hold spaces), relative to the program folder,
// with "\" or "/" between folders. The address is http://, https://, an absolute Windows path,
// or relative to the list's own address (a list published beside its files names them
// plainly).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace renovo {

// Up to four dotted numbers; missing ones are 0 ("1.03" is 1.3.0.0).
struct Version {
    std::array<uint32_t, 4> parts{};
    bool operator<(const Version& o) const { return parts < o.parts; }
    bool operator==(const Version& o) const { return parts == o.parts; }
};
bool ParseVersion(const std::string& text, Version& out);

// Exactly 2 * size hex digits (either case) into `size` bytes.
bool ParseHex(const std::string& hex, uint8_t* out, size_t size);

using Sha256 = std::array<uint8_t, 32>;
inline bool ParseSha256(const std::string& hex, Sha256& out)
{
    return ParseHex(hex, out.data(), out.size());
}

struct ListedFile {
    std::wstring path;  // normalised to "\" separators
    Sha256 sha256{};
    std::wstring address;  // as written in the list
};

struct UpdateList {
    Version version;
    std::vector<ListedFile> files;
};

// False with a reason when the text is not a well-formed list (a web server's error page,
// a truncated file, a path that would leave the program folder...).
bool ParseUpdateList(const std::string& text, UpdateList& out, std::string& error);

// A path that stays inside the program folder: relative, no "." or ".." parts, no drive or
// stream colon, no device names, no characters Windows refuses in file names, and none of the
// names the update machinery itself keeps in the folder.
bool IsSafeRelativePath(const std::wstring& path);

bool IsWebAddress(const std::wstring& address);
// The address of a listed file, made absolute against the list's address.
std::wstring ResolveAddress(const std::wstring& listAddress, const std::wstring& fileAddress);

}  // namespace renovo

// A fresh folder under the temporary folder, removed with everything in it at the end.
#pragma once

#include <string>

namespace velto::test {

class TempFolder {
public:
    // `name` may hold any characters the file system takes (Korean ones, for instance).
    explicit TempFolder(const std::wstring& name);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // With its trailing backslash.
    const std::wstring& path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + name; }

private:
    std::wstring path_;
};

// Writes `size` bytes (creating the folders on the way); paths past MAX_PATH work.
bool WriteFileOfSize(const std::wstring& path, size_t size);
// Creates every folder of `path` (a folder path, with or without the trailing backslash).
bool MakeFolders(const std::wstring& path);
// Removes a folder with everything in it.
void RemoveTree(const std::wstring& path);

}  // namespace velto::test

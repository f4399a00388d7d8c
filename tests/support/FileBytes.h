// Reading back what the program wrote: whole files, little-endian fields, and a private
// temporary folder per test.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velto::test {

// The whole file; empty when it cannot be read. Shares reading and writing, so a file that a
// writer still holds open can be inspected.
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);

uint16_t Le16(const std::vector<uint8_t>& bytes, size_t offset);
uint32_t Le32(const std::vector<uint8_t>& bytes, size_t offset);
// Four characters at `offset` ("RIFF", "fmt "...); empty when the file is too short.
std::string FourCc(const std::vector<uint8_t>& bytes, size_t offset);

// A new folder under %TEMP% (its name may hold any characters), removed with its files.
class TempFolder {
public:
    explicit TempFolder(const std::wstring& name);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& path() const { return path_; }
    std::wstring File(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

}  // namespace velto::test

// Reading back what the program wrote: whole files and little-endian fields.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/TempFolder.h"

namespace velto::test {

// The whole file; empty when it cannot be read. Shares reading and writing, so a file that a
// writer still holds open can be inspected.
std::vector<uint8_t> ReadFileBytes(const std::wstring& path);

uint16_t Le16(const std::vector<uint8_t>& bytes, size_t offset);
uint32_t Le32(const std::vector<uint8_t>& bytes, size_t offset);
// Four characters at `offset` ("RIFF", "fmt "...); empty when the file is too short.
std::string FourCc(const std::vector<uint8_t>& bytes, size_t offset);

}  // namespace velto::test

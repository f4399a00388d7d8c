#include "tests/support/FileBytes.h"

#include "common/win/Handles.h"

namespace velto::test {

std::vector<uint8_t> ReadFileBytes(const std::wstring& path)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file.get(), &size)) return {};
    std::vector<uint8_t> bytes(static_cast<size_t>(size.QuadPart));
    size_t done = 0;
    while (done < bytes.size()) {
        DWORD chunk =
            bytes.size() - done > (1u << 24) ? (1u << 24) : static_cast<DWORD>(bytes.size() - done);
        DWORD got = 0;
        if (!::ReadFile(file.get(), bytes.data() + done, chunk, &got, nullptr) || got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

uint16_t Le16(const std::vector<uint8_t>& bytes, size_t offset)
{
    if (offset + 2 > bytes.size()) return 0;
    return static_cast<uint16_t>(bytes[offset] | bytes[offset + 1] << 8);
}

uint32_t Le32(const std::vector<uint8_t>& bytes, size_t offset)
{
    if (offset + 4 > bytes.size()) return 0;
    return static_cast<uint32_t>(bytes[offset]) | static_cast<uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<uint32_t>(bytes[offset + 2]) << 16 |
           static_cast<uint32_t>(bytes[offset + 3]) << 24;
}

std::string FourCc(const std::vector<uint8_t>& bytes, size_t offset)
{
    if (offset + 4 > bytes.size()) return {};
    return std::string(bytes.begin() + offset, bytes.begin() + offset + 4);
}

}  // namespace velto::test

// Writes the largest WAV file the recorder allows (2 GiB less a few bytes, at 48000 Hz
// stereo) and reads it back, then one block past that limit to show what the limit guards
// against. Too big for every test run: tests/wav/check-size-limit runs it by hand.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "recorder/recording/Presets.h"
#include "recorder/recording/WaveWriter.h"
#include "tests/support/FileBytes.h"

using namespace velto;

namespace {

constexpr DWORD kBlock = 10584;

// Every 4-byte frame holds its own index, so the end of the file shows where it came from.
void FillBlock(std::vector<BYTE>& block, uint64_t firstByte, DWORD n)
{
    for (DWORD i = 0; i < n; i += 4) {
        const uint32_t frame = static_cast<uint32_t>((firstByte + i) / 4);
        block[i] = static_cast<BYTE>(frame);
        block[i + 1] = static_cast<BYTE>(frame >> 8);
        block[i + 2] = static_cast<BYTE>(frame >> 16);
        block[i + 3] = static_cast<BYTE>(frame >> 24);
    }
}

uint32_t ReadAt(HANDLE file, uint64_t offset)
{
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    uint32_t value = 0;
    DWORD got = 0;
    ::SetFilePointerEx(file, at, nullptr, FILE_BEGIN);
    ::ReadFile(file, &value, 4, &got, nullptr);
    return value;
}

// Writes `total` sample bytes and says whether the file came out right.
bool WriteAndCheck(const std::wstring& path, uint64_t total)
{
    const WAVEFORMATEX format = MakePcmFormat(2, 48000);
    std::vector<BYTE> block(kBlock);
    {
        CWaveWriter writer;
        if (FAILED(writer.Create(path, format))) return false;
        for (uint64_t done = 0; done < total;) {
            const DWORD n = static_cast<DWORD>(std::min<uint64_t>(kBlock, total - done));
            FillBlock(block, done, n);
            DWORD written = 0;
            if (FAILED(writer.Write(n, block.data(), &written))) {
                std::printf("  write failed after %llu bytes\n", done + written);
                return false;
            }
            done += n;
        }
        if (FAILED(writer.Finish(0))) std::printf("  Finish failed\n");
    }
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    LARGE_INTEGER size{};
    ::GetFileSizeEx(file, &size);
    const uint32_t riff = ReadAt(file, 4);
    const uint32_t fact = ReadAt(file, 44);
    const uint32_t data = ReadAt(file, 52);
    const uint32_t lastFrame = ReadAt(file, 56 + total - 4);
    ::CloseHandle(file);
    const bool ok = static_cast<uint64_t>(size.QuadPart) == 56 + total && riff == 48 + total &&
                    fact == 0 && data == total && lastFrame == (total - 4) / 4;
    std::printf(
        "  size %lld (expected %llu), RIFF length %u, data length %u, fact %u, last frame %s\n",
        size.QuadPart, 56 + total, riff, data, fact,
        lastFrame == (total - 4) / 4 ? "right" : "wrong");
    return ok;
}

}  // namespace

int main()
{
    test::TempFolder folder(L"velto-size-limit");
    const std::wstring path = folder.File(L"limit.wav");
    const uint64_t limit = MaxWaveDataBytes(MakePcmFormat(2, 48000));

    std::printf("at the limit: %llu sample bytes\n", limit);
    const bool atLimit = WriteAndCheck(path, limit);
    std::printf("  %s\n", atLimit ? "correct" : "WRONG");
    ::DeleteFileW(path.c_str());

    std::printf("one block past it: %llu sample bytes\n", limit + kBlock);
    const bool past = WriteAndCheck(path, limit + kBlock);
    std::printf("  %s\n", past ? "correct (this I/O system copes past 2 GiB)"
                               : "wrong, as expected: the recorder stops before this");
    ::DeleteFileW(path.c_str());
    return atLimit ? 0 : 1;
}

// Writes the largest WAV file the recorder allows (2 GiB less a few bytes, at 48000 Hz
// stereo) and reads it back, then one block past that limit to show what the limit guards
// against. Then records hours of WAV in seconds: a capture buffer that fills as fast as it is
// read goes through the worker's copy and its reports into the real writer, once to the file's
// limit with a 7-hour auto-stop (48000 Hz stereo) and once to a 7-hour auto-stop (8000 Hz
// mono), and the files, the seconds reported and the way each recording ends are checked. Too
// big for every test run: tests/wav/check-size-limit runs it by hand.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "recorder/recording/CaptureCopy.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/WavRecorder.h"
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

// A capture buffer that has captured one more block (now and then two) each time it is asked
// where it stands, so a recording of hours runs as fast as the disk takes it. Every 4-byte
// word holds its offset in the whole recording divided by four, so the file shows whether
// each byte landed where it belongs.
class FastCaptureRing : public CaptureRing {
public:
    FastCaptureRing(DWORD blockSize, DWORD blocks)
        : block_(blockSize), size_(blockSize * blocks), bytes_(size_)
    {
    }
    HRESULT GetReadPosition(DWORD* readPosition) override
    {
        const DWORD n = block_ * (++events_ % 7 == 0 ? 2 : 1);
        for (DWORD i = 0; i < n; i += 4) {
            const uint64_t at = captured_ + i;
            const uint32_t word = static_cast<uint32_t>(at / 4);
            BYTE* p = &bytes_[at % size_];
            p[0] = static_cast<BYTE>(word);
            p[1] = static_cast<BYTE>(word >> 8);
            p[2] = static_cast<BYTE>(word >> 16);
            p[3] = static_cast<BYTE>(word >> 24);
        }
        captured_ += n;
        *readPosition = static_cast<DWORD>(captured_ % size_);
        return S_OK;
    }
    HRESULT Lock(DWORD offset, DWORD length, void** first, DWORD* firstBytes, void** second,
                 DWORD* secondBytes) override
    {
        *first = &bytes_[offset];
        *firstBytes = std::min(length, size_ - offset);
        *second = length > *firstBytes ? bytes_.data() : nullptr;
        *secondBytes = length - *firstBytes;
        return S_OK;
    }
    HRESULT Unlock(void*, DWORD, void*, DWORD) override { return S_OK; }

private:
    DWORD block_;
    DWORD size_;
    std::vector<BYTE> bytes_;
    uint64_t captured_ = 0;
    uint64_t events_ = 0;
};

struct RecordingCase {
    const char* name;
    WAVEFORMATEX format;
    int autoStopSeconds;
    WPARAM expectedEnd;  // NOTIFY_LIMIT, or NOTIFY_ERROR for the file's limit
};

// One recording the way the WAV worker runs it: a copy and a report per block event until the
// report ends it, then the file is finished as Stop finishes it. True when all came out right.
bool RecordThroughTheCopyLoop(const RecordingCase& c, const std::wstring& path)
{
    g_autoStop.enabled = 1;
    g_autoStop.seconds = c.autoStopSeconds;
    const uint64_t bps = c.format.nAvgBytesPerSec;
    const DWORD block =
        CWavRecorder::kBlockBytes - CWavRecorder::kBlockBytes % c.format.nBlockAlign;
    FastCaptureRing ring(block, CWavRecorder::kBlocks);
    CaptureCursor cursor;
    cursor.bufferSize = block * CWavRecorder::kBlocks;
    cursor.blockSize = block;
    cursor.limit = AutoStopLimitBytes(bps);
    cursor.maxDataBytes = MaxWaveDataBytes(c.format);

    const auto started = std::chrono::steady_clock::now();
    CWaveWriter writer;
    if (FAILED(writer.Create(path, c.format))) {
        std::printf("  the file cannot be created\n");
        return false;
    }
    int64_t lastSecond = -1;
    int64_t lastReport = -1;
    uint64_t elapsedReports = 0, outOfOrder = 0, events = 0;
    BlockOutcome end;
    for (;;) {
        ++events;
        const uint64_t before = cursor.bytesWritten;
        const HRESULT copied = CopyCaptured(ring, writer, cursor);
        const BlockOutcome outcome =
            AfterBlockCopied(copied, cursor.bytesWritten, bps, c.autoStopSeconds, lastSecond);
        if (outcome.notify && outcome.what == NOTIFY_ELAPSED && !outcome.ends) {
            ++elapsedReports;
            // Each second once and in order; one may be passed over only by a copy longer
            // than a second.
            const bool passedOver =
                outcome.value > lastReport + 1 && cursor.bytesWritten - before < bps;
            if (outcome.value <= lastReport || passedOver) ++outOfOrder;
            lastReport = outcome.value;
        }
        if (outcome.ends) {
            end = outcome;
            break;
        }
    }
    const bool finished = SUCCEEDED(writer.Finish(0));
    const double spent =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();

    const uint64_t total = cursor.bytesWritten;
    const uint64_t expectedTotal = c.expectedEnd == NOTIFY_LIMIT
                                       ? static_cast<uint64_t>(c.autoStopSeconds) * bps
                                       : MaxWaveDataBytes(c.format);
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                0, nullptr);
    LARGE_INTEGER size{};
    ::GetFileSizeEx(file, &size);
    const uint32_t riff = ReadAt(file, 4);
    const uint32_t fact = ReadAt(file, 44);
    const uint32_t data = ReadAt(file, 52);
    int wrongWords = 0;
    for (uint64_t at : {uint64_t{0}, total / 3 & ~uint64_t{3}, total / 2 & ~uint64_t{3},
                        (total - 4) & ~uint64_t{3}})
        if (ReadAt(file, 56 + at) != static_cast<uint32_t>(at / 4)) ++wrongWords;
    ::CloseHandle(file);

    const bool endRight =
        end.what == c.expectedEnd &&
        (c.expectedEnd != NOTIFY_ERROR ||
         std::wstring(reinterpret_cast<const wchar_t*>(end.value)) == kFileFullError);
    const int64_t seconds = static_cast<int64_t>(total / bps);
    std::printf("  %llu sample bytes (expected %llu) in %llu block events, %.1f s (%.0f MB/s)\n",
                total, expectedTotal, events, spent, total / 1e6 / spent);
    std::printf(
        "  %lld s of sound = %lld h %02lld min; last elapsed report %lld s, %llu reports, "
        "%llu out of order\n",
        seconds, seconds / 3600, seconds / 60 % 60, lastReport, elapsedReports, outOfOrder);
    std::printf(
        "  ended with %s; file %lld bytes, RIFF length %u, data length %u, fact %u, "
        "samples %s\n",
        end.what == NOTIFY_LIMIT   ? "NOTIFY_LIMIT (auto-stop)"
        : end.what == NOTIFY_ERROR ? "NOTIFY_ERROR (file size)"
                                   : "something else",
        size.QuadPart, riff, data, fact, wrongWords ? "WRONG" : "in place");
    return finished && endRight && total == expectedTotal && outOfOrder == 0 &&
           lastReport >= seconds - 2 && static_cast<uint64_t>(size.QuadPart) == 56 + total &&
           riff == 48 + total && data == total && fact == 0 && wrongWords == 0;
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

    constexpr int kSevenHours = 7 * 3600;
    const RecordingCase recordings[] = {
        {"48000 Hz stereo with a 7-hour auto-stop (its 4.8 GB lie past 2^32): the file's limit "
         "comes first",
         MakePcmFormat(2, 48000), kSevenHours, NOTIFY_ERROR},
        {"8000 Hz mono to a 7-hour auto-stop", MakePcmFormat(1, 8000), kSevenHours, NOTIFY_LIMIT},
    };
    bool recorded = true;
    for (const RecordingCase& c : recordings) {
        std::printf("recording %s:\n", c.name);
        const bool ok = RecordThroughTheCopyLoop(c, path);
        std::printf("  %s\n", ok ? "correct" : "WRONG");
        recorded = recorded && ok;
        ::DeleteFileW(path.c_str());
    }
    return atLimit && recorded ? 0 : 1;
}

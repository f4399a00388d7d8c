// Copying from a looping capture buffer into the real WAV writer, against a buffer that can
// be positioned anywhere and made to fail: wrapping, the auto-stop cut, the file-size cut and
// the failures of the buffer and of the file.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <algorithm>
#include <vector>

#include "recorder/recording/CaptureCopy.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/WavRecorder.h"
#include "recorder/recording/WaveWriter.h"
#include "tests/support/FileBytes.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr DWORD kBlock = 10584;
constexpr DWORD kRing = 10 * kBlock;

// A capture buffer whose read position the test sets; it locks the way DirectSound does,
// splitting a range that passes the end into two regions.
class FakeRing : public CaptureRing {
public:
    FakeRing() : bytes(kRing)
    {
        for (DWORD i = 0; i < kRing; ++i) bytes[i] = static_cast<BYTE>((i * 13 + i / 509) & 0xFF);
    }

    HRESULT GetReadPosition(DWORD* readPosition) override
    {
        *readPosition = readAt;
        return positionResult;
    }
    HRESULT Lock(DWORD offset, DWORD length, void** first, DWORD* firstBytes, void** second,
                 DWORD* secondBytes) override
    {
        ++locks;
        if (FAILED(lockResult)) return lockResult;
        *first = bytes.data() + offset;
        *firstBytes = std::min(length, kRing - offset);
        *second = length > *firstBytes ? bytes.data() : nullptr;
        *secondBytes = length - *firstBytes;
        return S_OK;
    }
    HRESULT Unlock(void* first, DWORD firstBytes, void* second, DWORD secondBytes) override
    {
        unlocked.push_back({first, firstBytes, second, secondBytes});
        return S_OK;
    }

    // The bytes a reader starting at `offset` sees, wrapping at the end.
    std::vector<BYTE> From(DWORD offset, size_t count) const
    {
        std::vector<BYTE> out;
        for (size_t i = 0; i < count; ++i) out.push_back(bytes[(offset + i) % kRing]);
        return out;
    }

    struct Unlocked {
        void* first;
        DWORD firstBytes;
        void* second;
        DWORD secondBytes;
    };
    std::vector<BYTE> bytes;
    DWORD readAt = 0;
    HRESULT positionResult = S_OK;
    HRESULT lockResult = S_OK;
    int locks = 0;
    std::vector<Unlocked> unlocked;
};

class CaptureCopyTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(writer.Create(path, format), S_OK);
        cursor.bufferSize = kRing;
        cursor.blockSize = kBlock;
    }

    // The samples the file holds once finished.
    std::vector<BYTE> FinishedSamples()
    {
        EXPECT_EQ(writer.Finish(0), S_OK);
        const std::vector<uint8_t> file = ReadFileBytes(path);
        EXPECT_GE(file.size(), 56u);
        EXPECT_EQ(Le32(file, 52), file.size() - 56 - (file.size() % 2));
        return std::vector<BYTE>(file.begin() + 56, file.begin() + 56 + Le32(file, 52));
    }

    TempFolder folder{L"velto-copy"};
    std::wstring path = folder.File(L"copy.wav");
    WAVEFORMATEX format = MakePcmFormat(2, 44100);
    CWaveWriter writer;
    FakeRing ring;
    CaptureCursor cursor;
};

// Eight blocks in, the read position two blocks past the start (and a little into the
// third): four whole blocks wait, two at the end of the buffer and two at its start.
TEST_F(CaptureCopyTest, AWrappingRangeIsWrittenInOrderAndTheOffsetWraps)
{
    cursor.nextOffset = 8 * kBlock;
    ring.readAt = 2 * kBlock + 100;
    EXPECT_EQ(CopyCaptured(ring, writer, cursor), kCopyContinue);
    EXPECT_EQ(cursor.nextOffset, 2 * kBlock);
    EXPECT_EQ(cursor.bytesWritten, 4u * kBlock);
    ASSERT_EQ(ring.unlocked.size(), 1u);
    EXPECT_EQ(ring.unlocked[0].firstBytes, 2 * kBlock);
    EXPECT_EQ(ring.unlocked[0].secondBytes, 2 * kBlock);

    // The next event, one block later, goes on from the start of the buffer.
    ring.readAt = 3 * kBlock;
    EXPECT_EQ(CopyCaptured(ring, writer, cursor), kCopyContinue);
    EXPECT_EQ(cursor.nextOffset, 3 * kBlock);
    EXPECT_EQ(FinishedSamples(), ring.From(8 * kBlock, 5 * kBlock));
}

// A notification that comes a little early must neither copy a partial block nor end the
// recording.
TEST_F(CaptureCopyTest, LessThanABlockWaitsForTheNextEvent)
{
    cursor.nextOffset = 4 * kBlock;
    for (DWORD readAt : {4 * kBlock, 5 * kBlock - 1, 4 * kBlock + 2}) {
        SCOPED_TRACE(readAt);
        ring.readAt = readAt;
        EXPECT_EQ(CopyCaptured(ring, writer, cursor), kCopyContinue);
        EXPECT_EQ(cursor.nextOffset, 4 * kBlock);
        EXPECT_EQ(cursor.bytesWritten, 0u);
    }
    EXPECT_EQ(ring.locks, 0);
    ring.readAt = 5 * kBlock;
    EXPECT_EQ(CopyCaptured(ring, writer, cursor), kCopyContinue);
    EXPECT_EQ(FinishedSamples(), ring.From(4 * kBlock, kBlock));
}

// Four blocks wait, two in each region. The auto-stop limit and the file's own limit cut the
// copy wherever they fall; the offset still moves past everything that was locked.
TEST_F(CaptureCopyTest, LimitsCutTheCopyInEitherRegion)
{
    const uint64_t fileLimit = MaxWaveDataBytes(format);
    struct Case {
        const char* name;
        uint64_t startCount;  // bytes the recording already holds
        uint64_t limit;
        HRESULT result;
        uint64_t copied;
    };
    const Case cases[] = {
        {"auto-stop in the first region", 0, kBlock + 500, kCopyLimitReached, kBlock + 500},
        {"auto-stop in the second region", 0, 3 * kBlock + 8, kCopyLimitReached, 3 * kBlock + 8},
        {"auto-stop exactly at the end", 0, 4 * kBlock, kCopyLimitReached, 4 * kBlock},
        {"auto-stop at the end of the first region", 1000, 1000 + 2 * kBlock, kCopyLimitReached,
         2 * kBlock},
        {"file limit in the first region", fileLimit - 5000, kNoByteLimit, kCopyFileFull, 5000},
        {"file limit in the second region", fileLimit - (2 * kBlock + 4), kNoByteLimit,
         kCopyFileFull, 2 * kBlock + 4},
        {"auto-stop and file limit together", fileLimit - 5000, fileLimit, kCopyLimitReached, 5000},
        {"neither", 0, 4 * kBlock + 1, kCopyContinue, 4 * kBlock},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CWaveWriter caseWriter;
        ASSERT_EQ(caseWriter.Create(folder.File(L"limit.wav"), format), S_OK);
        CaptureCursor k;
        k.bufferSize = kRing;
        k.blockSize = kBlock;
        k.nextOffset = 8 * kBlock;
        k.bytesWritten = c.startCount;
        k.limit = c.limit;
        k.maxDataBytes = fileLimit;
        ring.readAt = 2 * kBlock;

        EXPECT_EQ(CopyCaptured(ring, caseWriter, k), c.result);
        EXPECT_EQ(k.bytesWritten, c.startCount + c.copied);
        EXPECT_EQ(k.nextOffset, 2 * kBlock);
        ASSERT_EQ(caseWriter.Finish(0), S_OK);
        const std::vector<uint8_t> file = ReadFileBytes(folder.File(L"limit.wav"));
        ASSERT_EQ(file.size(), 56 + c.copied);
        EXPECT_TRUE(
            std::equal(file.begin() + 56, file.end(), ring.From(8 * kBlock, c.copied).begin()));
    }
}

TEST_F(CaptureCopyTest, FailuresOfTheBufferAndOfTheFile)
{
    cursor.nextOffset = 2 * kBlock;
    ring.readAt = 5 * kBlock;

    ring.positionResult = DSERR_NODRIVER;
    EXPECT_EQ(CopyCaptured(ring, writer, cursor), DSERR_NODRIVER);
    EXPECT_EQ(ring.locks, 0);
    ring.positionResult = S_OK;

    // A refused lock copies nothing and leaves nothing to unlock.
    ring.lockResult = DSERR_INVALIDPARAM;
    EXPECT_EQ(CopyCaptured(ring, writer, cursor), DSERR_INVALIDPARAM);
    EXPECT_EQ(cursor.nextOffset, 2 * kBlock);
    EXPECT_EQ(cursor.bytesWritten, 0u);
    EXPECT_TRUE(ring.unlocked.empty());
    ring.lockResult = S_OK;

    // A file that refuses bytes ends the copy, and the buffer is unlocked all the same.
    CWaveWriter noFile;
    EXPECT_EQ(CopyCaptured(ring, noFile, cursor), kCopyWriteFailed);
    EXPECT_EQ(cursor.bytesWritten, 0u);
    EXPECT_EQ(ring.unlocked.size(), 1u);
    EXPECT_TRUE(FinishedSamples().empty());
}

// Error texts are compared as texts: each part of the program may hold its own copy.
void ExpectOutcome(const BlockOutcome& actual, const BlockOutcome& expected)
{
    EXPECT_EQ(actual.ends, expected.ends);
    EXPECT_EQ(actual.notify, expected.notify);
    EXPECT_EQ(actual.what, expected.what);
    if (expected.what == NOTIFY_ERROR && actual.what == NOTIFY_ERROR)
        EXPECT_STREQ(reinterpret_cast<const wchar_t*>(actual.value),
                     reinterpret_cast<const wchar_t*>(expected.value));
    else
        EXPECT_EQ(actual.value, expected.value);
}

// Hours into a recording: the worker's view after each copy. Four blocks wait in the buffer
// each time; the count the recording already holds is set as if it had run that long.
TEST(LongWavRecordings, SecondsAndLimitsStayRightPastSixPointEightHours)
{
    constexpr int kSevenHours = 7 * 3600;
    const WAVEFORMATEX row0 = MakePcmFormat(1, 8000);    // 16000 bytes per second
    const WAVEFORMATEX row14 = MakePcmFormat(2, 44100);  // 176400
    const WAVEFORMATEX row15 = MakePcmFormat(2, 48000);  // 192000
    const uint64_t fourGiB = uint64_t{1} << 32;
    struct Case {
        const char* name;
        WAVEFORMATEX format;
        int autoStopSeconds;  // 0: auto-stop off
        bool fileLimit;       // the file's own limit applies (as in use)
        uint64_t startCount;
        HRESULT result;
        uint64_t endCount;
        BlockOutcome outcome;
    };
    const uint64_t row0Limit = uint64_t{kSevenHours} * 16000;  // 403 200 000 bytes
    const uint64_t row15FileLimit = MaxWaveDataBytes(row15);
    // What a 32-bit product of 7 h and 192000 bytes per second would have wrapped to: 2830 s.
    const uint64_t wrapped = (uint64_t{kSevenHours} * 192000) % fourGiB;
    const Case cases[] = {
        {"8000 Hz mono at 6.9 hours, auto-stop at 7",
         row0,
         kSevenHours,
         true,
         24840ull * 16000,
         kCopyContinue,
         24840ull * 16000 + 4 * kBlock,
         {false, true, NOTIFY_ELAPSED, 24842}},
        {"8000 Hz mono reaching its 7-hour auto-stop",
         row0,
         kSevenHours,
         true,
         row0Limit - 2 * kBlock - 500,
         kCopyLimitReached,
         row0Limit,
         {true, true, NOTIFY_LIMIT, 0}},
        {"48000 Hz stereo past the count a 32-bit limit would wrap to",
         row15,
         kSevenHours,
         true,
         wrapped - 1000,
         kCopyContinue,
         wrapped - 1000 + 4 * kBlock,
         {false, true, NOTIFY_ELAPSED, 2830}},
        {"48000 Hz stereo with a 7-hour auto-stop reaches the file's limit first",
         row15,
         kSevenHours,
         true,
         row15FileLimit - 3 * kBlock,
         kCopyFileFull,
         row15FileLimit,
         {true, true, NOTIFY_ERROR, reinterpret_cast<LPARAM>(kFileFullError)}},
        {"44100 Hz stereo counting past 2^32 bytes where a file could hold them",
         row14,
         0,
         false,
         fourGiB - kBlock,
         kCopyContinue,
         fourGiB + 3 * kBlock,
         {false, true, NOTIFY_ELAPSED, 24348}},
    };
    TempFolder folder{L"velto-long"};
    FakeRing ring;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_autoStop.enabled = c.autoStopSeconds != 0;
        g_autoStop.seconds = c.autoStopSeconds;
        const uint64_t limit = AutoStopLimitBytes(c.format.nAvgBytesPerSec);
        CWaveWriter writer;
        ASSERT_EQ(writer.Create(folder.File(L"long.wav"), c.format), S_OK);
        CaptureCursor cursor;
        cursor.bufferSize = kRing;
        cursor.blockSize = kBlock;
        cursor.nextOffset = 8 * kBlock;
        cursor.bytesWritten = c.startCount;
        cursor.limit = c.autoStopSeconds ? limit : kNoByteLimit;
        cursor.maxDataBytes = c.fileLimit ? MaxWaveDataBytes(c.format) : kNoByteLimit;
        ring.readAt = 2 * kBlock;

        const HRESULT result = CopyCaptured(ring, writer, cursor);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(cursor.bytesWritten, c.endCount);
        // The second before the copy's first was the last one reported.
        int64_t lastSecond = static_cast<int64_t>(c.startCount / c.format.nAvgBytesPerSec) - 1;
        ExpectOutcome(AfterBlockCopied(result, cursor.bytesWritten, c.format.nAvgBytesPerSec,
                                       c.autoStopSeconds, lastSecond),
                      c.outcome);
        EXPECT_EQ(writer.Finish(0), S_OK);
    }
    g_autoStop.enabled = 1;
    g_autoStop.seconds = 300;
}

// Each whole second is reported once; failures and the two limits end the recording with
// their own message.
TEST(LongWavRecordings, WhatTheWorkerSaysAfterACopy)
{
    const uint64_t bps = 176400;
    struct Case {
        const char* name;
        HRESULT result;
        uint64_t bytes;
        int autoStopSeconds;
        int64_t lastSecond;
        BlockOutcome outcome;
        int64_t lastSecondAfter;
    };
    const Case cases[] = {
        {"a new second", kCopyContinue, 3 * bps, 300, 2, {false, true, NOTIFY_ELAPSED, 3}, 3},
        {"the same second", kCopyContinue, 3 * bps + 5, 300, 3, {}, 3},
        {"the first block", kCopyContinue, 10584, 300, -1, {false, true, NOTIFY_ELAPSED, 0}, 0},
        {"auto-stop", kCopyLimitReached, 300 * bps, 300, 299, {true, true, NOTIFY_LIMIT, 0}, 299},
        {"finished at another second",
         kCopyLimitReached,
         12 * bps,
         300,
         11,
         {true, true, NOTIFY_ELAPSED, 12},
         11},
        {"file full",
         kCopyFileFull,
         5 * bps,
         300,
         4,
         {true, true, NOTIFY_ERROR, reinterpret_cast<LPARAM>(kFileFullError)},
         4},
        {"write failed",
         kCopyWriteFailed,
         5 * bps,
         300,
         4,
         {true, true, NOTIFY_ERROR, reinterpret_cast<LPARAM>(kFileWriteError)},
         4},
        {"capture failed",
         DSERR_NODRIVER,
         5 * bps,
         300,
         4,
         {true, true, NOTIFY_ERROR, reinterpret_cast<LPARAM>(kCaptureFailedError)},
         4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int64_t lastSecond = c.lastSecond;
        ExpectOutcome(AfterBlockCopied(c.result, c.bytes, bps, c.autoStopSeconds, lastSecond),
                      c.outcome);
        EXPECT_EQ(lastSecond, c.lastSecondAfter);
    }
}

}  // namespace

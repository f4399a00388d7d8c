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

}  // namespace

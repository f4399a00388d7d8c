// The WAV writer, byte for byte, through the real multimedia file I/O: header layout, lengths,
// the pad byte, what an unfinished file looks like, and Korean paths.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "recorder/recording/Presets.h"
#include "recorder/recording/WaveWriter.h"
#include "tests/support/FileBytes.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr DWORD kBlock = 10584;  // what the WAV recorder hands over at a time

// Bytes that show their own position, so a lost, doubled or shifted stretch is visible.
std::vector<BYTE> Pattern(size_t n)
{
    std::vector<BYTE> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<BYTE>((i * 7 + i / 251) & 0xFF);
    return bytes;
}

void WriteInBlocks(CWaveWriter& writer, const std::vector<BYTE>& samples)
{
    for (size_t done = 0; done < samples.size();) {
        const DWORD n = static_cast<DWORD>(std::min<size_t>(kBlock, samples.size() - done));
        DWORD written = 0;
        ASSERT_EQ(writer.Write(n, samples.data() + done, &written), S_OK);
        ASSERT_EQ(written, n);
        done += n;
    }
}

void ExpectHeader(const std::vector<uint8_t>& file, const WAVEFORMATEX& format, uint32_t riffLength,
                  uint32_t factValue, uint32_t dataLength)
{
    ASSERT_GE(file.size(), 56u);
    EXPECT_EQ(FourCc(file, 0), "RIFF");
    EXPECT_EQ(Le32(file, 4), riffLength);
    EXPECT_EQ(FourCc(file, 8), "WAVE");
    EXPECT_EQ(FourCc(file, 12), "fmt ");
    EXPECT_EQ(Le32(file, 16), 16u);
    EXPECT_EQ(Le16(file, 20), 1);
    EXPECT_EQ(Le16(file, 22), format.nChannels);
    EXPECT_EQ(Le32(file, 24), format.nSamplesPerSec);
    EXPECT_EQ(Le32(file, 28), format.nAvgBytesPerSec);
    EXPECT_EQ(Le16(file, 32), format.nBlockAlign);
    EXPECT_EQ(Le16(file, 34), 16);
    EXPECT_EQ(FourCc(file, 36), "fact");
    EXPECT_EQ(Le32(file, 40), 4u);
    EXPECT_EQ(Le32(file, 44), factValue);
    EXPECT_EQ(FourCc(file, 48), "data");
    EXPECT_EQ(Le32(file, 52), dataLength);
}

class WaveWriterTest : public testing::Test {
protected:
    TempFolder folder{L"velto-writer"};
    WAVEFORMATEX row14 = MakePcmFormat(2, 44100);
};

TEST_F(WaveWriterTest, FiveSecondsAtRow14UnderAKoreanName)
{
    TempFolder korean(L"녹음 폴더");
    const std::wstring path = korean.File(L"녹음 파일 5초.wav");
    const std::vector<BYTE> samples = Pattern(882000);
    {
        CWaveWriter writer;
        ASSERT_EQ(writer.Create(path, row14), S_OK);
        WriteInBlocks(writer, samples);
        ASSERT_EQ(writer.Finish(0), S_OK);
        EXPECT_FALSE(writer.isOpen());
    }
    const std::vector<uint8_t> file = ReadFileBytes(path);
    ASSERT_EQ(file.size(), 882056u);
    ExpectHeader(file, row14, 882048, 0, 882000);
    EXPECT_TRUE(std::equal(samples.begin(), samples.end(), file.begin() + 56));
}

// The data chunk's length counts the samples only; an odd length gets a zero pad byte that
// the RIFF length counts. Lengths around the I/O buffer's size cross its refills.
TEST_F(WaveWriterTest, LengthsAndPadByte)
{
    for (size_t n :
         {size_t{0}, size_t{1}, size_t{8191}, size_t{8192}, size_t{8193}, size_t{3 * kBlock + 1}}) {
        SCOPED_TRACE(n);
        const std::wstring path = folder.File(L"take" + std::to_wstring(n) + L".wav");
        const std::vector<BYTE> samples = Pattern(n);
        CWaveWriter writer;
        ASSERT_EQ(writer.Create(path, row14), S_OK);
        WriteInBlocks(writer, samples);
        ASSERT_EQ(writer.Finish(0), S_OK);

        const std::vector<uint8_t> file = ReadFileBytes(path);
        const size_t pad = n & 1;
        ASSERT_EQ(file.size(), 56 + n + pad);
        ExpectHeader(file, row14, static_cast<uint32_t>(48 + n + pad), 0, static_cast<uint32_t>(n));
        EXPECT_TRUE(std::equal(samples.begin(), samples.end(), file.begin() + 56));
        if (pad) {
            EXPECT_EQ(file.back(), 0);
        }
    }
}

// What a crash in the middle of a recording leaves on the disk: everything the I/O system had
// flushed, with both lengths 0 and the fact value still FF FF FF FF. Deleting the writer
// without Finish then finishes the file.
TEST_F(WaveWriterTest, UnfinishedFileIsMarkedAndTheDestructorFinishesIt)
{
    const std::wstring path = folder.File(L"unfinished.wav");
    const std::vector<BYTE> samples = Pattern(10 * kBlock);
    auto writer = std::make_unique<CWaveWriter>();
    ASSERT_EQ(writer->Create(path, row14), S_OK);
    WriteInBlocks(*writer, samples);

    std::vector<uint8_t> onDisk = ReadFileBytes(path);
    ASSERT_GE(onDisk.size(), 56u);
    ExpectHeader(onDisk, row14, 0, 0xFFFFFFFF, 0);
    EXPECT_TRUE(std::equal(onDisk.begin() + 56, onDisk.end(), samples.begin()));

    writer.reset();
    const std::vector<uint8_t> file = ReadFileBytes(path);
    ASSERT_EQ(file.size(), 56 + samples.size());
    ExpectHeader(file, row14, static_cast<uint32_t>(48 + samples.size()), 0,
                 static_cast<uint32_t>(samples.size()));
}

TEST_F(WaveWriterTest, AFinishedWriterChangesNothingMore)
{
    const std::wstring path = folder.File(L"finished.wav");
    auto writer = std::make_unique<CWaveWriter>();
    ASSERT_EQ(writer->Create(path, row14), S_OK);
    WriteInBlocks(*writer, Pattern(12345));
    ASSERT_EQ(writer->Finish(0), S_OK);
    const std::vector<uint8_t> finished = ReadFileBytes(path);

    DWORD written = 99;
    const BYTE more[4] = {1, 2, 3, 4};
    EXPECT_EQ(writer->Write(4, more, &written), E_FAIL);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(writer->Finish(7), E_FAIL);
    writer.reset();
    EXPECT_EQ(ReadFileBytes(path), finished);
}

TEST_F(WaveWriterTest, AFileThatCannotBeCreatedRefusesEverything)
{
    CWaveWriter writer;
    EXPECT_EQ(writer.Create(folder.File(L"no such folder\\take.wav"), row14), E_FAIL);
    EXPECT_FALSE(writer.isOpen());
    DWORD written = 99;
    const BYTE one = 1;
    EXPECT_EQ(writer.Write(1, &one, &written), E_FAIL);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(writer.Finish(0), E_FAIL);
}

// A format other than PCM keeps its whole record, extra bytes included, in "fmt ".
TEST_F(WaveWriterTest, NonPcmFormatKeepsItsWholeRecord)
{
    struct {
        WAVEFORMATEX format;
        BYTE extra[2];
    } adpcm{};
    adpcm.format = MakePcmFormat(1, 22050);
    adpcm.format.wFormatTag = 2;
    adpcm.format.cbSize = 2;
    adpcm.extra[0] = 0xAB;
    adpcm.extra[1] = 0xCD;
    const std::wstring path = folder.File(L"adpcm.wav");
    {
        CWaveWriter writer;
        ASSERT_EQ(writer.Create(path, adpcm.format), S_OK);
        WriteInBlocks(writer, Pattern(100));
        ASSERT_EQ(writer.Finish(0), S_OK);
    }
    const std::vector<uint8_t> file = ReadFileBytes(path);
    ASSERT_EQ(file.size(), 12 + 8 + 20 + 12 + 8 + 100u);
    EXPECT_EQ(Le32(file, 16), 20u);
    EXPECT_EQ(Le16(file, 20), 2);
    EXPECT_EQ(Le16(file, 36), 2);  // cbSize
    EXPECT_EQ(file[38], 0xAB);
    EXPECT_EQ(file[39], 0xCD);
    EXPECT_EQ(FourCc(file, 40), "fact");
    EXPECT_EQ(FourCc(file, 52), "data");
    EXPECT_EQ(Le32(file, 56), 100u);
}

}  // namespace

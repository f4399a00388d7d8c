// The preset tables and the labels built from them.
#include <gtest/gtest.h>

#include <climits>

#include "recorder/recording/Presets.h"

using namespace velto;

namespace {

struct Row {
    int type, quality, rate, channels, bitRate;
    const wchar_t* label;
};

const Row kRows[] = {
    {kRecordWav, 0, 8000, 1, 128, L" 8000Hz-Mono"},
    {kRecordWav, 1, 11025, 1, 176, L"11025Hz-Mono"},
    {kRecordWav, 2, 16000, 1, 256, L"16000Hz-Mono"},
    {kRecordWav, 3, 22050, 1, 352, L"22050Hz-Mono"},
    {kRecordWav, 4, 24000, 1, 384, L"24000Hz-Mono"},
    {kRecordWav, 5, 32000, 1, 512, L"32000Hz-Mono"},
    {kRecordWav, 6, 44100, 1, 705, L"44100Hz-Mono"},
    {kRecordWav, 7, 48000, 1, 768, L"48000Hz-Mono"},
    {kRecordWav, 8, 8000, 2, 256, L" 8000Hz-Stereo"},
    {kRecordWav, 9, 11025, 2, 352, L"11025Hz-Stereo"},
    {kRecordWav, 10, 16000, 2, 512, L"16000Hz-Stereo"},
    {kRecordWav, 11, 22050, 2, 705, L"22050Hz-Stereo"},
    {kRecordWav, 12, 24000, 2, 768, L"24000Hz-Stereo"},
    {kRecordWav, 13, 32000, 2, 1024, L"32000Hz-Stereo"},
    {kRecordWav, 14, 44100, 2, 1411, L"44100Hz-Stereo"},
    {kRecordWav, 15, 48000, 2, 1536, L"48000Hz-Stereo"},
    {kRecordMp3, 0, 8000, 2, 32, L" 32Kbps- 8000Hz"},
    {kRecordMp3, 1, 16000, 2, 64, L" 64Kbps-16000Hz"},
    {kRecordMp3, 2, 32000, 2, 96, L" 96Kbps-32000Hz"},
    {kRecordMp3, 3, 44100, 2, 128, L"128Kbps-44100Hz"},
    {kRecordMp3, 4, 44100, 2, 160, L"160Kbps-44100Hz"},
    {kRecordMp3, 5, 44100, 2, 192, L"192Kbps-44100Hz"},
    {kRecordMp3, 6, 44100, 2, 256, L"256Kbps-44100Hz"},
    {kRecordMp3, 7, 44100, 2, 320, L"320Kbps-44100Hz"},
    {kRecordWma, 0, 8000, 2, 6440, L"  6K-8Khz,Mono"},
    {kRecordWma, 1, 22050, 2, 20008, L" 20K-22Khz,Mono"},
    {kRecordWma, 2, 22050, 2, 20008, L" 20K-22Khz,Stereo"},
    {kRecordWma, 3, 32000, 2, 32000, L" 32K-32Khz,Stereo"},
    {kRecordWma, 4, 32000, 2, 48000, L" 48K-32Khz,Stereo"},
    {kRecordWma, 5, 44100, 2, 64024, L" 64K-44Khz,Stereo"},
    {kRecordWma, 6, 44100, 2, 96024, L" 96K-44Khz,Stereo"},
    {kRecordWma, 7, 44100, 2, 128016, L"128K-44Khz,Stereo"},
};

TEST(Presets, EveryRowOfEveryTable)
{
    for (const Row& r : kRows) {
        SCOPED_TRACE(testing::Message() << "type " << r.type << " row " << r.quality);
        EXPECT_EQ(PresetSampleRate(r.type, r.quality), r.rate);
        EXPECT_EQ(PresetChannels(r.type, r.quality), r.channels);
        EXPECT_EQ(PresetBitRate(r.type, r.quality), r.bitRate);
        EXPECT_EQ(QualityLabel(r.type, r.quality), r.label);
    }
}

TEST(Presets, OutOfRangeRowsAreLabelledLikeTheDefaultRow)
{
    struct Case {
        int type, quality;
        const wchar_t* label;
    } cases[] = {
        {kRecordWav, 16, L"22050Hz-Stereo"}, {kRecordWav, -1, L"22050Hz-Stereo"},
        {kRecordMp3, 8, L"128Kbps-44100Hz"}, {kRecordWma, 8, L" 96K-44Khz,Stereo"},
        {3, 0, L""},                         {-1, 0, L""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(QualityLabel(c.type, c.quality), c.label) << c.type << "/" << c.quality;
}

// Rows that do not exist (a status text for a corrupt row, found by fuzzing: row 82429 of WAV
// read far outside the table) give the default row's values, never memory past the tables.
TEST(Presets, OutOfRangeRowsGiveTheDefaultRowsValues)
{
    struct Case {
        int type, quality;
        int rate, channels, bitRate;
    } cases[] = {
        {kRecordWav, 82429, 22050, 2, 705},     {kRecordWav, -1, 22050, 2, 705},
        {kRecordWav, 16, 22050, 2, 705},        {kRecordMp3, 8, 44100, 2, 128},
        {kRecordMp3, INT_MIN, 44100, 2, 128},   {kRecordWma, 8, 44100, 2, 96024},
        {kRecordWma, INT_MAX, 44100, 2, 96024},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.type << "/" << c.quality);
        EXPECT_EQ(PresetSampleRate(c.type, c.quality), c.rate);
        EXPECT_EQ(PresetChannels(c.type, c.quality), c.channels);
        EXPECT_EQ(PresetBitRate(c.type, c.quality), c.bitRate);
    }
}

TEST(Presets, UnknownTypeGivesZeroAndNothing)
{
    EXPECT_EQ(PresetSampleRate(7, 0), 0);
    EXPECT_EQ(PresetChannels(7, 0), 0);
    EXPECT_EQ(PresetBitRate(7, 0), 0);
    EXPECT_STREQ(FileExtension(7), L"");
}

TEST(Presets, TypeSwitchTakesTheNewTypesDefaultRow)
{
    // WAV row 15 switched to MP3 must not keep row 15, which MP3 does not have.
    EXPECT_EQ(DefaultQuality(NormaliseRecordType(kRecordMp3)), 3);
    EXPECT_EQ(DefaultQuality(NormaliseRecordType(kRecordWav)), 11);
    EXPECT_EQ(DefaultQuality(NormaliseRecordType(kRecordWma)), 6);
    EXPECT_EQ(NormaliseRecordType(5), kRecordWav);
    EXPECT_EQ(NormaliseRecordType(-3), kRecordWav);
}

TEST(Presets, SaveDialogFiltersAreDoubleNulTerminatedPairs)
{
    const std::wstring mp3 = SaveDialogFilter(kRecordMp3);
    const std::wstring expected(L"MP3파일(*.mp3)\0*.mp3\0모든 파일(*.*)\0*.*\0\0", 35);
    EXPECT_EQ(mp3, expected);
    EXPECT_EQ(SaveDialogFilter(kRecordWav).substr(0, 12), std::wstring(L"WAV파일(*.wav)", 12));
    EXPECT_EQ(FileExtension(kRecordWma), std::wstring(L"wma"));
}

TEST(Presets, PcmFormatRule)
{
    WAVEFORMATEX f = MakePcmFormat(2, 44100);
    EXPECT_EQ(f.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(f.nBlockAlign, 4);
    EXPECT_EQ(f.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(f.wBitsPerSample, 16);
    EXPECT_EQ(f.cbSize, 0);
    EXPECT_EQ(MakePcmFormat(1, 22050).nAvgBytesPerSec, 44100u);
}

}  // namespace

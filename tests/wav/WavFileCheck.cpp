#include "tests/wav/WavFileCheck.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/support/FileBytes.h"
#include "tests/support/Tone.h"

namespace velto::test {

WavFile ReadFinishedWav(const std::wstring& path, const WAVEFORMATEX& format)
{
    WavFile wav;
    wav.bytes = ReadFileBytes(path);
    EXPECT_GE(wav.bytes.size(), 56u);
    if (wav.bytes.size() < 56) return wav;
    wav.dataLength = Le32(wav.bytes, 52);
    const uint32_t pad = wav.dataLength & 1;
    EXPECT_EQ(FourCc(wav.bytes, 0), "RIFF");
    EXPECT_EQ(Le32(wav.bytes, 4), wav.bytes.size() - 8);
    EXPECT_EQ(FourCc(wav.bytes, 8), "WAVE");
    EXPECT_EQ(FourCc(wav.bytes, 12), "fmt ");
    EXPECT_EQ(Le32(wav.bytes, 16), 16u);
    EXPECT_EQ(Le16(wav.bytes, 20), 1);
    EXPECT_EQ(Le16(wav.bytes, 22), format.nChannels);
    EXPECT_EQ(Le32(wav.bytes, 24), format.nSamplesPerSec);
    EXPECT_EQ(Le32(wav.bytes, 28), format.nAvgBytesPerSec);
    EXPECT_EQ(Le16(wav.bytes, 32), format.nBlockAlign);
    EXPECT_EQ(Le16(wav.bytes, 34), 16);
    EXPECT_EQ(FourCc(wav.bytes, 36), "fact");
    EXPECT_EQ(Le32(wav.bytes, 40), 4u);
    EXPECT_EQ(Le32(wav.bytes, 44), 0u);
    EXPECT_EQ(FourCc(wav.bytes, 48), "data");
    EXPECT_EQ(wav.bytes.size(), 56u + wav.dataLength + pad);
    const auto* p = reinterpret_cast<const int16_t*>(wav.bytes.data() + 56);
    wav.samples.assign(p, p + std::min<size_t>(wav.dataLength, wav.bytes.size() - 56) / 2);
    return wav;
}

void ExpectCleanTone(const std::vector<int16_t>& interleaved, int channels, int sampleRate,
                     double frequency, double level)
{
    for (int ch = 0; ch < channels; ++ch) {
        const std::vector<int16_t> one = Channel(interleaved, channels, ch);
        ASSERT_GT(one.size(), static_cast<size_t>(sampleRate / 2)) << "channel " << ch;
        const std::vector<int16_t> tail(one.begin() + static_cast<long>(one.size() / 4), one.end());
        EXPECT_NEAR(MeanAbs(tail), level, level * 0.15) << "channel " << ch;
        EXPECT_NEAR(EstimateFrequency(one, sampleRate), frequency, frequency * 0.01)
            << "channel " << ch;
        EXPECT_EQ(CountDiscontinuities(tail, sampleRate, frequency), 0) << "channel " << ch;
    }
}

}  // namespace velto::test

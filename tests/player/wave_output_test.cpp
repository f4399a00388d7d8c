// out_wave.dll's wave-out side on the real device: the times it reports, room, pause and
// flush; and the sample scaling that carries volume and pan.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "outside/plugins/out_wave/WaveOutput.h"
#include "tests/support/Tone.h"

using namespace velto::plugin;

namespace {

struct ScaleCase {
    const char* name;
    int volume;
    int pan;
    int16_t left;   // expected from 10000 on the left
    int16_t right;  // expected from -20000 on the right
};

class VolumeAndPan : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(VolumeAndPan, ScalesEachSideOfEveryFrame)
{
    const ScaleCase& c = GetParam();
    // Three frames split after the first sample: the second part starts on a right sample.
    std::vector<int16_t> frames = {10000, -20000, 10000, -20000, 10000, -20000};
    ApplyVolumeAndPan(frames.data(), 1, 0, 2, c.volume, c.pan);
    ApplyVolumeAndPan(frames.data() + 1, 5, 1, 2, c.volume, c.pan);
    for (size_t i = 0; i < frames.size(); i += 2) {
        EXPECT_NEAR(frames[i], c.left, 1) << "frame " << i / 2;
        EXPECT_NEAR(frames[i + 1], c.right, 1) << "frame " << i / 2;
    }
}

INSTANTIATE_TEST_SUITE_P(Player, VolumeAndPan,
                         ::testing::Values(ScaleCase{"Untouched", 255, 0, 10000, -20000},
                                           ScaleCase{"RecorderVolume", 100, 0, 3922, -7843},
                                           ScaleCase{"Silent", 0, 0, 0, 0},
                                           ScaleCase{"LeftOnly", 255, -128, 10000, 0},
                                           ScaleCase{"RightOnly", 255, 128, 0, -20000},
                                           ScaleCase{"HalfLeft", 255, -64, 10000, -10000},
                                           ScaleCase{"OutOfRange", 300, -200, 10000, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

// Every sample size the output accepts is scaled, not only 16-bit: a source of 8, 24 or 32 bits
// would otherwise play at full scale whatever the volume. Stereo frames of `left`, `right`,
// written in two parts cut inside the second frame's left sample (which stays as it was).
struct WidthCase {
    const char* name;
    int bits;
    int64_t left, right;  // the samples' values (8-bit: around 128)
    int volume, pan;
    int64_t expectedLeft, expectedRight;  // whole frames after scaling
};

int64_t ReadSample(const std::vector<char>& b, size_t at, int width)
{
    uint64_t u = 0;
    for (int i = 0; i < width; ++i)
        u |= static_cast<uint64_t>(static_cast<unsigned char>(b[at + i])) << (8 * i);
    if (width == 1) return static_cast<int64_t>(u);
    const int shift = 64 - 8 * width;
    return static_cast<int64_t>(u << shift) >> shift;
}

void WriteSample(std::vector<char>& b, size_t at, int width, int64_t v)
{
    for (int i = 0; i < width; ++i)
        b[at + i] = static_cast<char>(static_cast<uint64_t>(v) >> (8 * i));
}

class SampleWidths : public ::testing::TestWithParam<WidthCase> {};

TEST_P(SampleWidths, ScaleEverySizeTheOutputAccepts)
{
    const WidthCase& c = GetParam();
    const int width = c.bits / 8;
    std::vector<char> bytes(static_cast<size_t>(3 * 2 * width));
    for (size_t i = 0; i < 6; ++i) WriteSample(bytes, i * width, width, i % 2 ? c.right : c.left);
    const std::vector<char> original = bytes;
    const size_t cut = static_cast<size_t>(2 * width + (width > 1 ? 1 : 0));
    ApplyVolumeAndPan(bytes.data(), cut, 0, c.bits, 2, c.volume, c.pan);
    ApplyVolumeAndPan(bytes.data() + cut, bytes.size() - cut, cut, c.bits, 2, c.volume, c.pan);
    for (size_t frame : {0u, 2u}) {
        EXPECT_NEAR(ReadSample(bytes, frame * 2 * width, width), c.expectedLeft, 1) << frame;
        EXPECT_NEAR(ReadSample(bytes, (frame * 2 + 1) * width, width), c.expectedRight, 1) << frame;
    }
    if (width > 1) {
        EXPECT_EQ(ReadSample(bytes, 2 * width, width), ReadSample(original, 2 * width, width))
            << "a cut sample is left alone";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Player, SampleWidths,
    ::testing::Values(WidthCase{"Unsigned8", 8, 228, 28, 51, 0, 148, 108},
                      WidthCase{"Unsigned8RightOnly", 8, 228, 28, 255, 128, 128, 28},
                      WidthCase{"Packed24", 24, 4000000, -8000000, 51, 0, 800000, -1600000},
                      WidthCase{"Packed24LeftOnly", 24, 4000000, -8000000, 255, -128, 4000000, 0},
                      WidthCase{"Signed32", 32, 1000000000, -2000000000, 51, 0, 200000000,
                                -400000000},
                      WidthCase{"Signed16", 16, 10000, -20000, 100, 0, 3922, -7843}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VolumeAndPan, MonoTakesTheVolumeOnly)
{
    std::vector<int16_t> samples = {10000, 10000};
    ApplyVolumeAndPan(samples.data(), 2, 0, 1, 51, -128);
    EXPECT_NEAR(samples[0], 2000, 1);
    EXPECT_NEAR(samples[1], 2000, 1);
}

int WriteTone(WaveOutput& out, int ms)
{
    std::vector<int16_t> tone = velto::test::MakeSine(44100, 2, 440.0, 8000.0, ms / 1000.0);
    return out.Write(reinterpret_cast<const char*>(tone.data()), static_cast<int>(tone.size() * 2));
}

// Waits (up to `limitMs`) for `done`; false when it never came.
template <typename F>
bool Within(DWORD limitMs, F done)
{
    const DWORD start = ::GetTickCount();
    while (!done()) {
        if (::GetTickCount() - start > limitMs) return false;
        ::Sleep(10);
    }
    return true;
}

TEST(WaveOutput, ReportsWrittenAndHeardTimeAndHonoursPauseAndFlush)
{
    WaveOutput out;
    const int bufferMs = out.Open(44100, 2, 16, -1);
    ASSERT_EQ(bufferMs, WaveOutput::kDefaultBufferMs);
    EXPECT_EQ(out.Open(44100, 2, 16, -1), -1);  // already open
    const int room = out.CanWrite();
    EXPECT_EQ(room, 176400 * bufferMs / 1000);

    ASSERT_EQ(WriteTone(out, 600), 0);
    EXPECT_EQ(out.GetWrittenTime(), 600);
    EXPECT_EQ(out.CanWrite(), room - 176400 * 6 / 10);
    EXPECT_EQ(WriteTone(out, 500), 1);  // more than there is room for: refused whole
    EXPECT_EQ(out.GetWrittenTime(), 600);
    EXPECT_EQ(out.IsPlaying(), 1);

    // Heard time moves on, never past what was written.
    ASSERT_TRUE(Within(3000, [&] { return out.GetOutputTime() > 200; }));
    EXPECT_LE(out.GetOutputTime(), 600);

    EXPECT_EQ(out.Pause(1), 0);
    ::Sleep(200);
    const int paused = out.GetOutputTime();
    ::Sleep(300);
    EXPECT_EQ(out.GetOutputTime(), paused);
    EXPECT_EQ(out.IsPlaying(), paused < 600 ? 1 : 0);
    EXPECT_EQ(out.Pause(0), 1);

    // All of it heard: nothing plays any more and the times meet.
    ASSERT_TRUE(Within(5000, [&] { return out.IsPlaying() == 0; }));
    EXPECT_EQ(out.CanWrite(), room);
    ASSERT_TRUE(Within(2000, [&] { return out.GetOutputTime() >= 590; }));
    EXPECT_LE(out.GetOutputTime(), 600);

    // A flush (a seek) counts both times from the new position.
    ASSERT_EQ(WriteTone(out, 400), 0);
    out.Flush(5000);
    EXPECT_EQ(out.GetOutputTime(), 5000);
    EXPECT_EQ(out.GetWrittenTime(), 5000);
    EXPECT_EQ(out.CanWrite(), room);
    ASSERT_EQ(WriteTone(out, 300), 0);
    EXPECT_EQ(out.GetWrittenTime(), 5300);
    ASSERT_TRUE(Within(3000, [&] { return out.GetOutputTime() > 5100; }));
    out.Close();
    EXPECT_EQ(out.CanWrite(), 0);
    EXPECT_EQ(out.Write("abcd", 4), 1);
}

TEST(WaveOutput, RefusesWhatWaveOutCannotPlay)
{
    WaveOutput out;
    EXPECT_EQ(out.Open(44100, 2, 12, -1), -1);
    EXPECT_EQ(out.Open(0, 2, 16, -1), -1);
    EXPECT_EQ(out.IsPlaying(), 0);
    EXPECT_EQ(out.GetOutputTime(), 0);
}

}  // namespace

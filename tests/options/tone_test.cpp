// The test tone's synthesis (no device needed): the recurrence must give the truncated sine
// from its very first sample and continue it across buffers without a jump; and Stop on a
// player that never started.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "recorder/mixer/WaveOutPlayer.h"

using namespace velto;

namespace {

// Steps through the buffers as Restart and the feeder would, without a device.
class ToneProbe : public CToneGenerator {
public:
    void RewindWithoutPlaying() { Rewind(); }
    void Refill(int index)
    {
        setCurrentBuffer(index);
        Fill();
    }
};

double TruncatedSine(double amplitude, double frequency, long n)
{
    const double pi = 4.0 * std::atan(1.0);
    return std::trunc(amplitude * std::sin(n * 2.0 * pi * frequency / CWaveOutPlayer::kSampleRate));
}

// Buffer 0, buffer 1, then `extraRounds` more refills of both, in the feeder's order.
std::vector<int16_t> PlayedSamples(ToneProbe& tone, int extraRounds)
{
    std::vector<int16_t> played;
    for (int round = 0; round <= extraRounds; ++round) {
        for (int b = 0; b < 2; ++b) {
            if (round > 0) tone.Refill(b);
            const int16_t* s = tone.buffer(b);
            played.insert(played.end(), s, s + CWaveOutPlayer::kBufferLength);
        }
    }
    return played;
}

struct ToneCase {
    int16_t amplitude;
    double frequency;
};

class ToneContinuity : public ::testing::TestWithParam<ToneCase> {};

}  // namespace

TEST(ToneSynthesis, FirstEightSamplesAreTheTruncatedSine)
{
    auto tone = std::make_unique<CToneGenerator>();
    for (long n = 1; n <= 8; ++n)
        EXPECT_NEAR(tone->buffer(0)[n - 1], TruncatedSine(22050, 450.0, n), 1.0) << "n=" << n;
}

TEST_P(ToneContinuity, EveryRefillContinuesTheWave)
{
    const ToneCase c = GetParam();
    auto tone = std::make_unique<ToneProbe>();
    tone->Set(c.amplitude, c.frequency);
    tone->RewindWithoutPlaying();
    const std::vector<int16_t> played = PlayedSamples(*tone, 3);
    long worst = 0;
    size_t worstAt = 0;
    for (size_t i = 0; i < played.size(); ++i) {
        const long d = std::lround(std::fabs(
            played[i] - TruncatedSine(c.amplitude, c.frequency, static_cast<long>(i) + 1)));
        if (d > worst) worst = d, worstAt = i;
    }
    EXPECT_LE(worst, 1) << "at sample " << worstAt << " of " << played.size();
    // The seam between buffer 0 and buffer 1 in particular: the step there is an ordinary one.
    const size_t seam = CWaveOutPlayer::kBufferLength;
    const int step = std::abs(played[seam] - played[seam - 1]);
    const double maxStep = c.amplitude * 2.0 * std::sin(3.14159265 * c.frequency / 11025) + 2;
    EXPECT_LE(step, maxStep);
}

INSTANTIATE_TEST_SUITE_P(Tones, ToneContinuity,
                         ::testing::Values(ToneCase{22050, 450.0}, ToneCase{32000, 1000.0},
                                           ToneCase{100, 60.0}));

TEST(ToneSynthesis, RewindStartsTheWaveAgainWithTheNewSettings)
{
    auto tone = std::make_unique<ToneProbe>();
    tone->Refill(0);  // somewhere in the middle of the wave
    tone->Set(10000, 1000.0);
    EXPECT_NEAR(tone->buffer(1)[0], TruncatedSine(22050, 450.0, 4097), 1.0)
        << "Set alone changes nothing";
    tone->RewindWithoutPlaying();
    for (long n = 1; n <= 8; ++n)
        EXPECT_NEAR(tone->buffer(0)[n - 1], TruncatedSine(10000, 1000.0, n), 1.0) << "n=" << n;
}

TEST(WaveOutPlayer, StopWithoutStartOnlyPauses)
{
    auto player = std::make_unique<CWaveOutPlayer>();
    LARGE_INTEGER f, a, b;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&a);
    player->Stop();
    ::QueryPerformanceCounter(&b);
    const double ms = 1000.0 * static_cast<double>(b.QuadPart - a.QuadPart) / f.QuadPart;
    // Two 50 ms pauses; the upper bound only catches a hang, not slowness.
    EXPECT_GE(ms, 90.0);
    EXPECT_LT(ms, 5000.0);
    EXPECT_FALSE(player->playing());
    EXPECT_EQ(CWaveOutPlayer::LiveFeederThreads(), 0);
}

// The test tone really played through wave-out, looped back through the null sink and
// captured by the level capture from wave-in device 0: the set-up's whole sound path.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "recorder/mixer/LevelCapture.h"
#include "recorder/mixer/LevelSetup.h"
#include "recorder/mixer/WaveOutPlayer.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/Tone.h"

using namespace velto;
using namespace velto::test;

namespace {

// Waits until the captured block holds sound (the tone has travelled through the sink), then
// a little longer so the whole block is tone. Returns the block.
CLevelCapture::Block SettledBlock(const CLevelCapture& capture)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 10000) {
        CLevelCapture::Block b = capture.Snapshot();
        if (std::any_of(b.begin(), b.end(), [](int16_t s) { return std::abs(s) > 1000; })) break;
        ::Sleep(20);
    }
    ::Sleep(400);
    return capture.Snapshot();
}

int Peak(const CLevelCapture::Block& b)
{
    int peak = 0;
    for (int16_t s : b) peak = std::max(peak, std::abs(static_cast<int>(s)));
    return peak;
}

class ToneLoopback : public ::testing::Test {
protected:
    void TearDown() override
    {
        g_levelCapture.Stop();
        g_testTone.Stop();
        EXPECT_TRUE(watcher.Seen().empty())
            << "unexpected box: "
            << (watcher.Seen().empty()
                    ? std::string()
                    : std::string(watcher.Seen()[0].text.begin(), watcher.Seen()[0].text.end()));
    }
    DialogWatcher watcher;
};

}  // namespace

TEST_F(ToneLoopback, TheCapturedToneIsLoudEnoughToClipOnlyAtFullAmplitude)
{
    ASSERT_EQ(g_levelCapture.Start(), 0u);
    struct {
        int16_t amplitude;
        bool clips;
    } const cases[] = {{22050, true}, {12000, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.amplitude);
        g_testTone.Set(c.amplitude, 450.0);
        ASSERT_EQ(g_testTone.Restart(), 0u);
        ASSERT_TRUE(g_testTone.playing());
        // A restart leaves the previous tone in the block for a moment: wait it out.
        ::Sleep(600);
        CLevelCapture::Block b = SettledBlock(g_levelCapture);
        std::vector<int16_t> samples(b.begin(), b.end());
        EXPECT_NEAR(EstimateFrequency(samples, CLevelCapture::kSampleRate), 450.0, 450.0 * 0.02);
        EXPECT_NEAR(Peak(b), c.amplitude, c.amplitude * 0.03);
        EXPECT_EQ(BlockClips(b.data(), b.size()), c.clips);
    }
}

TEST_F(ToneLoopback, RestartTwiceLeavesOneFeederThread)
{
    g_testTone.Set(22050, 450.0);
    ASSERT_EQ(g_testTone.Restart(), 0u);
    ASSERT_EQ(g_testTone.Restart(), 0u);
    EXPECT_EQ(CWaveOutPlayer::LiveFeederThreads(), 1);
    g_testTone.Stop();
    EXPECT_EQ(CWaveOutPlayer::LiveFeederThreads(), 0);
    EXPECT_FALSE(g_testTone.playing());
}

TEST_F(ToneLoopback, TheToneKeepsPlayingPastTheFirstTwoBuffers)
{
    // Two buffers last 0.74 s; only the feeder's refills keep the tone going after that.
    ASSERT_EQ(g_levelCapture.Start(), 0u);
    g_testTone.Set(16000, 450.0);
    ASSERT_EQ(g_testTone.Restart(), 0u);
    SettledBlock(g_levelCapture);
    ::Sleep(2000);
    CLevelCapture::Block b = g_levelCapture.Snapshot();
    EXPECT_NEAR(Peak(b), 16000, 16000 * 0.05);
    g_testTone.Stop();
    ::Sleep(800);
    EXPECT_LT(Peak(g_levelCapture.Snapshot()), 200) << "silence after Stop";
}

TEST_F(ToneLoopback, CaptureStopEndsTheCapture)
{
    ASSERT_EQ(g_levelCapture.Start(), 0u);
    EXPECT_TRUE(g_levelCapture.capturing());
    g_levelCapture.Stop();
    EXPECT_FALSE(g_levelCapture.capturing());
    g_levelCapture.Stop();  // twice is harmless
}

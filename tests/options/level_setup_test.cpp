// The level set-up's arithmetic: where the volume ends after clipping at each point of the
// raise, where it ends without clipping, and what counts as clipping.
#include <gtest/gtest.h>

#include <vector>

#include "recorder/mixer/LevelSetup.h"

using namespace velto;

namespace {

struct ClipCase {
    const char* name;
    int raisesBeforeClipping;  // -1: never clips
    int lastWritten;           // the volume the mixer keeps
    int writes;                // volumes written to the mixer, backing off included
};

// Drives the steps as the page's timers do: a raise each second, a clipping check between.
ClipCase RunSetUp(int raisesBeforeClipping)
{
    CLevelSetupSteps steps;
    steps.Reset();
    int lastWritten = -1, writes = 0;
    for (int raise = 0;; ++raise) {
        if (raise == raisesBeforeClipping) {
            lastWritten = steps.BackOff();
            ++writes;
            break;
        }
        const int v = steps.Raise();
        if (v < 0) break;
        lastWritten = v;
        ++writes;
    }
    return {"", raisesBeforeClipping, lastWritten, writes};
}

}  // namespace

TEST(LevelSetupSteps, WhereTheVolumeEnds)
{
    const ClipCase cases[] = {
        {"clipping before any step", 0, 4587, 1},
        {"clipping after 1310", 1, 4587, 2},
        {"clipping after 6550", 5, 4585, 6},
        {"clipping after 19650", 15, 17685, 16},
        {"clipping after the last step, 32750", 25, 30785, 26},
        {"no clipping: 25 steps up to 32750", -1, 32750, 25},
    };
    for (const ClipCase& c : cases) {
        SCOPED_TRACE(c.name);
        const ClipCase got = RunSetUp(c.raisesBeforeClipping);
        EXPECT_EQ(got.lastWritten, c.lastWritten);
        EXPECT_EQ(got.writes, c.writes);
    }
}

TEST(LevelSetupSteps, TheCeilingEndsTheRaiseAndStaysInside)
{
    CLevelSetupSteps steps;
    for (int i = 0; i < 25; ++i) ASSERT_EQ(steps.Raise(), 1310 * (i + 1));
    EXPECT_EQ(steps.Raise(), -1);
    EXPECT_EQ(steps.volume(), 32767);
    steps.Reset();
    EXPECT_EQ(steps.volume(), 0);
}

TEST(LevelSetupSteps, ClippingThreshold)
{
    struct {
        int16_t sample;
        bool clips;
    } const cases[] = {
        {0, false},     {21944, false}, {21945, true},  {-21944, false},
        {-21945, true}, {32767, true},  {-32768, true}, {22050, true},
    };
    for (const auto& c : cases) {
        std::vector<int16_t> block(1024, 1000);
        block[700] = c.sample;
        EXPECT_EQ(BlockClips(block.data(), block.size()), c.clips) << c.sample;
    }
    std::vector<int16_t> silent(1024, 0);
    EXPECT_FALSE(BlockClips(silent.data(), silent.size()));
}

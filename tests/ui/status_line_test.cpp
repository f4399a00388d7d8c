// The status line's scrolling without a window: which texts scroll, the pause at the start of
// every loop, the seamless wrap, and dragging the text.
#include <gtest/gtest.h>

#include <string>

#include "recorder/ui/StatusLine.h"

using namespace velto;

namespace {

// Every character 6 pixels wide, like the line's fixed-pitch font.
int Measure(const std::wstring& s)
{
    return static_cast<int>(s.size()) * 6;
}

std::wstring Chars(size_t n)
{
    return std::wstring(n, L'x');
}

TEST(StatusLine, NarrowTextsStandStillAndWideOnesScroll)
{
    StatusLine line;
    EXPECT_FALSE(line.SetText(Chars(34), Measure));  // 204 pixels
    EXPECT_FALSE(line.scrolling());
    EXPECT_EQ(line.drawnText(), Chars(34));
    line.Tick();
    EXPECT_EQ(line.offset(), -1);

    EXPECT_TRUE(line.SetText(Chars(35), Measure));  // 210 pixels
    EXPECT_TRUE(line.scrolling());
    EXPECT_EQ(line.drawnText(), Chars(35) + L" *** " + Chars(35));
    EXPECT_EQ(line.cycleWidth(), (35 + 5) * 6);
    EXPECT_EQ(line.offset(), 0);

    // A narrow text after a wide one stops the scrolling again.
    EXPECT_FALSE(line.SetText(L"VeltoRecorder v1.02", Measure));
    EXPECT_EQ(line.offset(), -1);
}

TEST(StatusLine, EachLoopPausesTwentySixTicksThenMovesOnePixelPerTick)
{
    StatusLine line;
    line.SetText(Chars(40), Measure);
    const int cycle = line.cycleWidth();
    for (int i = 0; i < StatusLine::kPauseTicks; ++i) {
        line.Tick();
        ASSERT_EQ(line.offset(), 0) << "tick " << i;
    }
    line.Tick();
    EXPECT_EQ(line.offset(), 1);
    for (int i = 1; i < cycle; ++i) line.Tick();
    EXPECT_EQ(line.offset(), cycle);  // looks exactly like offset 0
    line.Tick();
    EXPECT_EQ(line.offset(), 0);  // wrapped, and the pause starts again
    EXPECT_EQ(line.ticks(), 0);
    line.Tick();
    EXPECT_EQ(line.offset(), 0);
}

TEST(StatusLine, DraggingWrapsTheOffsetAndSetsTheDirection)
{
    EXPECT_EQ(StatusLine::WrapOffset(250, 240), 10);
    EXPECT_EQ(StatusLine::WrapOffset(240, 240), 240);
    EXPECT_EQ(StatusLine::WrapOffset(-10, 240), 230);
    EXPECT_EQ(StatusLine::WrapOffset(-250, 240), 230);
    EXPECT_EQ(StatusLine::WrapOffset(5, 240), 5);

    StatusLine line;
    line.SetText(Chars(40), Measure);  // cycle 270
    for (int i = 0; i < 30; ++i) line.Tick();
    ASSERT_EQ(line.offset(), 4);
    int remembered = line.BeginDrag();
    EXPECT_EQ(remembered, 4);

    // Dragging to the right pulls the text right: the offset shrinks and wraps below 0.
    EXPECT_TRUE(line.DragTo(150, remembered, 160));
    EXPECT_EQ(line.offset(), 270 - 6);
    EXPECT_EQ(line.direction(), 1);  // it jumped from 4 to 264: a growth as far as it knows
    EXPECT_TRUE(line.DragTo(150, remembered, 161));
    EXPECT_EQ(line.offset(), 263);
    EXPECT_EQ(line.direction(), 0);
    EXPECT_FALSE(line.DragTo(150, remembered, 161));  // no change, no redraw

    // After the release the text stands for two ticks and moves on the third, backwards.
    line.Tick();
    line.Tick();
    EXPECT_EQ(line.offset(), 263);
    line.Tick();
    EXPECT_EQ(line.offset(), 262);

    // Dragging left grows the offset: the text goes on to the left.
    remembered = line.BeginDrag();
    EXPECT_TRUE(line.DragTo(100, remembered, 90));
    EXPECT_EQ(line.offset(), 2);  // 272 wraps to 2
    EXPECT_EQ(line.direction(), 0);
    EXPECT_TRUE(line.DragTo(100, remembered, 89));
    EXPECT_EQ(line.direction(), 1);
}

TEST(StatusLine, BackwardsScrollingWrapsToTheCycleWidth)
{
    StatusLine line;
    line.SetText(Chars(40), Measure);
    int remembered = line.BeginDrag();
    line.DragTo(0, remembered, 1);    // 269
    line.DragTo(0, remembered, 269);  // 1: going backwards
    line.DragTo(0, remembered, 0);    // 0
    ASSERT_EQ(line.offset(), 0);
    ASSERT_EQ(line.direction(), 0);
    line.Tick();
    line.Tick();
    line.Tick();
    EXPECT_EQ(line.offset(), 270);
    EXPECT_EQ(line.ticks(), 0);
}

}  // namespace

// The main window's mouse rules without a window: what a press starts, where a moved window
// snaps, and how clicks and play positions map onto the seek bar.
#include <gtest/gtest.h>

#include "recorder/ui/MouseRules.h"

using namespace velto;
using A = LeftPressAction;

namespace {

struct Slots {
    skin::ButtonSlot s[skin::kSlotCount];
    Slots() { skin::InitialSlots(s); }
};

struct PressCase {
    const char* what;
    POINT p;
    bool scrolls;
    bool recording;
    A action;
    int slot;
};

TEST(MouseRules, LeftPressTakesTheFirstMatchingRule)
{
    const PressCase cases[] = {
        {"close button in the title strip", {290, 10}, false, false, A::TitleButton, 1},
        {"help button", {265, 10}, false, false, A::TitleButton, 3},
        {"title strip beside the buttons moves", {100, 10}, false, false, A::MoveWindow, -1},
        {"title strip moves even while recording", {100, 10}, false, true, A::MoveWindow, -1},
        {"scrolling status text is dragged", {150, 65}, true, false, A::StatusDrag, -1},
        {"static status text does nothing", {150, 65}, false, false, A::Nothing, -1},
        {"seek bar", {100, 88}, false, false, A::SeekDrag, -1},
        {"seek bar while recording", {100, 88}, false, true, A::SeekDrag, -1},
        {"record button", {30, 110}, false, false, A::ButtonPress, 8},
        {"stop button while recording", {100, 130}, false, true, A::ButtonPress, 11},
        {"free face while recording does not move", {5, 140}, false, true, A::Nothing, -1},
        {"type label opens its popup", {150, 130}, false, false, A::TypePopup, -1},
        {"type arrow is inside the type area", {135, 130}, false, false, A::TypePopup, -1},
        {"quality label", {250, 130}, false, false, A::QualityPopup, -1},
        {"no popup while recording", {250, 130}, false, true, A::Nothing, -1},
        {"options button clears the mode", {280, 85}, false, false, A::ClearMode, -1},
        {"path button clears the mode", {280, 105}, false, false, A::ClearMode, -1},
        {"free face moves the window", {5, 140}, false, false, A::MoveWindow, -1},
        {"the empty slots never match", {0, 30}, false, false, A::MoveWindow, -1},
    };
    Slots slots;
    for (const auto& c : cases) {
        LeftPress got = DecideLeftPress(slots.s, c.p, c.scrolls, c.recording);
        EXPECT_EQ(got.action, c.action) << c.what;
        EXPECT_EQ(got.slot, c.slot) << c.what;
    }
}

TEST(MouseRules, RightPressOpensPopupsOrSeeks)
{
    EXPECT_EQ(DecideRightPress({134, 125}), RightPressAction::TypePopup);
    EXPECT_EQ(DecideRightPress({174, 139}), RightPressAction::TypePopup);
    EXPECT_EQ(DecideRightPress({180, 125}), RightPressAction::QualityPopup);
    EXPECT_EQ(DecideRightPress({177, 130}), RightPressAction::SeekBandRule);  // between both
    EXPECT_EQ(DecideRightPress({100, 88}), RightPressAction::SeekBandRule);
}

TEST(MouseRules, HitSlotReturnsTheFirstSlotContainingThePoint)
{
    Slots slots;
    EXPECT_EQ(HitSlot(slots.s, 13, {73, 123}), skin::kSlotPlay);
    EXPECT_EQ(HitSlot(slots.s, 13, {93, 130}), -1);  // right edges are exclusive
    EXPECT_EQ(HitSlot(slots.s, 13, {94, 130}), skin::kSlotStop);
    EXPECT_EQ(HitSlot(slots.s, 11, {94, 130}), -1);  // while recording only 11 are looked at
}

struct SnapCase {
    const char* what;
    RECT start;
    int dx, dy;
    RECT expected;
};

TEST(MouseRules, MovedWindowSnapsToEdgesWithinTwelvePixels)
{
    const int W = 1024, H = 768;
    const SnapCase cases[] = {
        {"12 pixels from the left snaps", {100, 100, 402, 252}, -88, 0, {0, 100, 302, 252}},
        {"13 pixels from the left stays", {100, 100, 402, 252}, -87, 0, {13, 100, 315, 252}},
        {"12 pixels beyond the left snaps", {100, 100, 402, 252}, -112, 0, {0, 100, 302, 252}},
        {"13 pixels beyond the left stays", {100, 100, 402, 252}, -113, 0, {-13, 100, 289, 252}},
        {"top edge", {100, 100, 402, 252}, 0, -95, {100, 0, 402, 152}},
        {"right edge", {100, 100, 402, 252}, 612, 0, {722, 100, 1024, 252}},
        {"bottom edge", {100, 100, 402, 252}, 0, 510, {100, 616, 402, 768}},
        {"a corner snaps both ways", {100, 100, 402, 252}, -95, -91, {0, 0, 302, 152}},
        {"in the middle nothing snaps", {100, 100, 402, 252}, 200, 100, {300, 200, 602, 352}},
    };
    for (const auto& c : cases) {
        RECT r = SnapMovedWindow(c.start, c.dx, c.dy, W, H);
        EXPECT_EQ(r.left, c.expected.left) << c.what;
        EXPECT_EQ(r.top, c.expected.top) << c.what;
        EXPECT_EQ(r.right, c.expected.right) << c.what;
        EXPECT_EQ(r.bottom, c.expected.bottom) << c.what;
    }
}

TEST(MouseRules, SeekClicksMapOntoTheBarAndStayInsideIt)
{
    EXPECT_FALSE(InSeekBand(82));
    EXPECT_TRUE(InSeekBand(83));
    EXPECT_TRUE(InSeekBand(92));
    EXPECT_FALSE(InSeekBand(93));

    struct {
        int x, total, expected;
    } cases[] = {
        {67, 60000, 0},
        {166, 60000, 30000},
        {265, 60000, 60000},
        {0, 60000, 0},                  // left of the bar: its start
        {290, 60000, 60000},            // beside the bar on the right: its end
        {166, 0, 0},                    // no length known
        {166, -1, 0},                   // no input plug-in
        {265, 2000000000, 2000000000},  // long plays do not overflow
    };
    for (const auto& c : cases)
        EXPECT_EQ(SeekTargetMs(c.x, c.total), c.expected) << "x " << c.x << " total " << c.total;
}

TEST(MouseRules, ThumbFollowsThePlayPositionInsideTheBar)
{
    EXPECT_EQ(ThumbXForPosition(0, 60000), 76);       // 67 + 9
    EXPECT_EQ(ThumbXForPosition(30000, 60000), 167);  // half of 183 pixels of travel
    EXPECT_EQ(ThumbXForPosition(60000, 60000), 258);  // 259 held at the bar's end
    EXPECT_EQ(ThumbXForPosition(-1, 60000), 74);      // before the start
    EXPECT_EQ(ThumbXForPosition(500, 0), 76);
    // Forty minutes: milliseconds times 1000 no longer fit in 32 bits.
    EXPECT_EQ(ThumbXForPosition(1200000, 2400000), 167);
    EXPECT_EQ(ClampThumbX(0), 74);
    EXPECT_EQ(ClampThumbX(1000), 258);
}

}  // namespace

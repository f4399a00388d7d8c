#include "recorder/ui/MouseRules.h"

#include <algorithm>

namespace velto {

int DragMode = kDragNone;

namespace {

constexpr int kSnapReach = 13;  // an edge closer than this (12 pixels or less) snaps

bool Inside(const RECT& r, POINT p)
{
    return ::PtInRect(&r, p) != FALSE;
}

}  // namespace

int HitSlotIn(const skin::ButtonSlot* slots, int first, int last, POINT p)
{
    for (int i = first; i <= last; ++i)
        if (Inside(slots[i].rect, p)) return i;
    return -1;
}

int HitSlot(const skin::ButtonSlot* slots, int count, POINT p)
{
    return HitSlotIn(slots, 0, count - 1, p);
}

LeftPress DecideLeftPress(const skin::ButtonSlot* slots, POINT p, bool statusScrolls,
                          bool recording)
{
    using A = LeftPressAction;
    if (Inside(skin::kTitleStrip, p)) {
        int slot = HitSlotIn(slots, 0, 3, p);
        if (slot >= 0) return {A::TitleButton, slot};
        return {A::MoveWindow, -1};
    }
    if (Inside(skin::kStatusHitArea, p)) return {statusScrolls ? A::StatusDrag : A::Nothing, -1};
    if (Inside(skin::kSeekBar, p)) return {A::SeekDrag, -1};
    int slot = HitSlotIn(slots, 8, 12, p);
    if (slot >= 0) return {A::ButtonPress, slot};
    if (recording) return {A::Nothing, -1};
    if (Inside(skin::kTypePopupLeft, p)) return {A::TypePopup, -1};
    if (Inside(skin::kQualityPopupLeft, p)) return {A::QualityPopup, -1};
    if (HitSlotIn(slots, 2, 7, p) >= 0) return {A::ClearMode, -1};
    return {A::MoveWindow, -1};
}

RightPressAction DecideRightPress(POINT p)
{
    if (Inside(skin::kTypePopupRight, p)) return RightPressAction::TypePopup;
    if (Inside(skin::kQualityPopupRight, p)) return RightPressAction::QualityPopup;
    return RightPressAction::SeekBandRule;
}

bool InSeekBand(int y)
{
    return y >= skin::kSeekBandTop && y <= skin::kSeekBandBottom;
}

int SeekPerMille(int x)
{
    // The band reaches across the whole window; a click beside the bar seeks to its end.
    int clamped = std::clamp(x, skin::kSeekLeft, skin::kSeekRight);
    return (clamped - skin::kSeekLeft) * 1000 / (skin::kSeekRight - skin::kSeekLeft);
}

int SeekTargetMs(int x, int totalMs)
{
    if (totalMs <= 0) return 0;
    return static_cast<int>(static_cast<int64_t>(SeekPerMille(x)) * totalMs / 1000);
}

int ThumbXForPosition(int outputMs, int totalMs)
{
    // 64-bit: a position in milliseconds times 1000 passes 2^31 after 36 minutes.
    int64_t perMille = 0;
    if (outputMs >= 0) {
        if (totalMs > 0) perMille = static_cast<int64_t>(outputMs) * 1000 / totalMs;
    } else if (totalMs != 0) {
        perMille = -1000000 / totalMs;
    }
    const int travel = skin::kSeekRight - skin::kSeekLeft - skin::kThumbW;
    int64_t x = skin::kSeekLeft + perMille * travel / 1000 + 9;
    return ClampThumbX(static_cast<int>(std::clamp<int64_t>(x, 0, skin::kSeekRight)));
}

int ClampThumbX(int x)
{
    return std::clamp(x, skin::kSeekLeft + skin::kThumbHalf, skin::kSeekRight - skin::kThumbHalf);
}

RECT SnapMovedWindow(const RECT& start, int dx, int dy, int screenW, int screenH)
{
    RECT r{start.left + dx, start.top + dy, start.right + dx, start.bottom + dy};
    int shiftX = 0, shiftY = 0;
    if (r.left > -kSnapReach && r.left < kSnapReach) shiftX = -r.left;
    if (r.top > -kSnapReach && r.top < kSnapReach) shiftY = -r.top;
    if (r.right > screenW - kSnapReach && r.right < screenW + kSnapReach)
        shiftX += screenW - r.right;
    if (r.bottom > screenH - kSnapReach && r.bottom < screenH + kSnapReach)
        shiftY += screenH - r.bottom;
    ::OffsetRect(&r, shiftX, shiftY);
    return r;
}

}  // namespace velto

// The status line's text and scrolling, without drawing: a text narrower than the line stands
// still; a wider one is kept as "text *** text" so that scrolling by exactly the width of
// "text *** " looks the same as the start, which makes the loop seamless. Each loop begins
// with a pause of 26 ticks (about a second at 40 ms). The user may drag the text; the drag
// decides the direction in which it goes on.
#pragma once

#include <functional>
#include <string>

namespace velto {

class StatusLine {
public:
    // Width in pixels of a text as the line draws it.
    using Measure = std::function<int(const std::wstring&)>;

    static constexpr int kPauseTicks = 26;

    // Takes a new text. Returns true when it scrolls (the caller runs the 40 ms timer).
    bool SetText(const std::wstring& text, const Measure& measure);

    // One timer tick; the caller redraws afterwards.
    void Tick();

    // A press on the scrolling text: returns the offset to remember for the drag. The next
    // release leaves the text standing for two ticks before it moves on the third.
    int BeginDrag();
    // The pointer at x during a drag that began at pressX. Returns true when the offset
    // changed (the caller redraws).
    bool DragTo(int pressX, int rememberedOffset, int x);

    bool scrolling() const { return offset_ != -1; }
    // The text to draw and how far to shift it left (0 when static).
    const std::wstring& drawnText() const { return drawn_; }
    int offset() const { return offset_; }
    int cycleWidth() const { return cycleWidth_; }
    int direction() const { return direction_; }
    int ticks() const { return ticks_; }

    // Offset for a drag: press x + remembered offset - x, wrapped into 0..cycle width.
    static int WrapOffset(int value, int cycleWidth);

private:
    std::wstring drawn_;
    int offset_ = -1;  // -1: static text
    int cycleWidth_ = 0;
    int ticks_ = 0;
    int direction_ = 1;  // 1: the offset grows and the text moves left
};

}  // namespace velto

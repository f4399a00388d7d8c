#include "recorder/ui/StatusLine.h"

#include "recorder/ui/SkinLayout.h"

namespace velto {

namespace {
constexpr int kTicksAfterDrag = 24;  // two ticks short of the pause
}

bool StatusLine::SetText(const std::wstring& text, const Measure& measure)
{
    if (measure(text) < skin::kStatusScrollWidth) {
        drawn_ = text;
        offset_ = -1;
        return false;
    }
    drawn_ = text + L" *** ";
    cycleWidth_ = measure(drawn_);
    drawn_ += text;
    ticks_ = 0;
    offset_ = 0;
    return true;
}

void StatusLine::Tick()
{
    if (offset_ == -1) return;
    if (ticks_++ < kPauseTicks) return;
    if (direction_ == 1) {
        if (++offset_ > cycleWidth_) {
            offset_ = 0;
            ticks_ = 0;
        }
    } else {
        if (--offset_ < 0) {
            offset_ = cycleWidth_;
            ticks_ = 0;
        }
    }
}

int StatusLine::BeginDrag()
{
    ticks_ = kTicksAfterDrag;
    return offset_;
}

int StatusLine::WrapOffset(int value, int cycleWidth)
{
    if (cycleWidth <= 0) return 0;
    if (value > cycleWidth) return value % cycleWidth;
    if (value < 0) return cycleWidth + value % cycleWidth;
    return value;
}

bool StatusLine::DragTo(int pressX, int rememberedOffset, int x)
{
    if (offset_ == -1) return false;
    int next = WrapOffset(pressX + rememberedOffset - x, cycleWidth_);
    if (next == offset_) return false;
    direction_ = next > offset_ ? 1 : 0;
    offset_ = next;
    return true;
}

}  // namespace velto

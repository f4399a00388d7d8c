// The main window's mouse handling: a left press decides the gesture (DragMode), moves follow
// it, the release runs the command of the slot under the pointer. Clicks in the seek band
// seek whatever else they do.
#include "recorder/ui/MainWnd.h"

namespace velto {

void CMainWnd::OnLeftDown(POINT p)
{
    ::SetCapture(hwnd());
    pressPoint_ = p;
    const LeftPress press = DecideLeftPress(slots_, p, status_.scrolling(), recording());
    switch (press.action) {
        case LeftPressAction::TitleButton: DragMode = kDragButton; break;
        case LeftPressAction::MoveWindow: BeginWindowMove(); break;
        case LeftPressAction::StatusDrag: BeginStatusDrag(); break;
        case LeftPressAction::SeekDrag:
            DragMode = kDragSeek;
            DrawSeekThumb(p.x);
            break;
        case LeftPressAction::ButtonPress:
            DragMode = kDragButton;
            DrawSlotSprite(press.slot);
            break;
        case LeftPressAction::TypePopup: ShowChoicePopup(skin::kSlotTypeArrow); break;
        case LeftPressAction::QualityPopup: ShowChoicePopup(skin::kSlotQualityArrow); break;
        case LeftPressAction::ClearMode: DragMode = kDragNone; break;
        case LeftPressAction::Nothing: break;
    }
}

void CMainWnd::OnLeftUp(POINT p)
{
    const int mode = DragMode;
    DragMode = kDragNone;
    // The gesture is over: give the mouse back before a command opens any box.
    if (::GetCapture() == hwnd()) ::ReleaseCapture();
    if (mode == kDragNone || mode == kDragButton) {
        int slot = HitSlot(slots_, skin::kHoverSlotsIdle, p);
        if (slot >= 0) {
            InvalidateSlot(slot);
            RunSlotCommand(slot);
            if (destroyed_) return;
        }
    } else if (mode == kDragStatusLine) {
        ::SetTimer(hwnd(), kStatusTimer, kStatusTickMs, nullptr);
    }
    if (InSeekBand(p.y)) SeekTo(p.x);
}

void CMainWnd::OnRightDown(POINT p)
{
    rightPressHandled_ = true;
    switch (DecideRightPress(p)) {
        case RightPressAction::TypePopup: ShowChoicePopup(skin::kSlotTypeArrow); break;
        case RightPressAction::QualityPopup: ShowChoicePopup(skin::kSlotQualityArrow); break;
        case RightPressAction::SeekBandRule:
            if (InSeekBand(p.y))
                SeekTo(p.x);
            else
                rightPressHandled_ = false;
            break;
    }
}

bool CMainWnd::OnRightUp(POINT)
{
    // A right click that seeked or opened a popup is complete; any other one goes on to the
    // default handling, which asks for the context menu.
    bool handled = rightPressHandled_;
    rightPressHandled_ = false;
    return handled;
}

void CMainWnd::OnMouseMove(POINT p)
{
    switch (DragMode) {
        case kDragNone: HoverSlots(p); break;
        case kDragMoveWindow: ContinueWindowMove(p); break;
        case kDragButton: TrackPressedSlots(p); break;
        case kDragStatusLine:
            if (status_.DragTo(pressPoint_.x, dragOffset_, p.x)) RedrawStatusLine();
            break;
        case kDragSeek: DrawSeekThumb(p.x); break;
        default: break;
    }
}

void CMainWnd::HoverSlots(POINT p)
{
    const int n = recording() ? skin::kHoverSlotsRecording : skin::kHoverSlotsIdle;
    for (int i = 0; i < n; ++i) {
        auto& slot = slots_[i];
        const bool inside = ::PtInRect(&slot.rect, p) != FALSE;
        if (inside && !slot.highlighted) {
            slot.highlighted = 1;
            DrawSlotSprite(i);
        } else if (!inside && slot.highlighted) {
            // While recording too: a highlight must not outlive the pointer.
            slot.highlighted = 0;
            InvalidateSlot(i);
        }
    }
}

void CMainWnd::TrackPressedSlots(POINT p)
{
    for (int i = skin::kSlotRecord; i <= 12; ++i) {
        auto& slot = slots_[i];
        const bool inside = ::PtInRect(&slot.rect, p) != FALSE;
        if (inside && !slot.highlighted) {
            slot.highlighted = 1;
            DrawSlotSprite(i);
        } else if (!inside && slot.highlighted) {
            slot.highlighted = 0;
            InvalidateSlot(i);
        }
    }
}

void CMainWnd::BeginWindowMove()
{
    DragMode = kDragMoveWindow;
}

void CMainWnd::ContinueWindowMove(POINT p)
{
    RECT current{};
    ::GetWindowRect(hwnd(), &current);
    const int dx = p.x - pressPoint_.x;
    const int dy = p.y - pressPoint_.y;
    if (dx == 0 && dy == 0) return;
    RECT r = SnapMovedWindow(current, dx, dy, ::GetSystemMetrics(SM_CXSCREEN),
                             ::GetSystemMetrics(SM_CYSCREEN));
    ::MoveWindow(hwnd(), r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
}

void CMainWnd::BeginStatusDrag()
{
    ::KillTimer(hwnd(), kStatusTimer);
    DragMode = kDragStatusLine;
    dragOffset_ = status_.BeginDrag();
}

}  // namespace velto

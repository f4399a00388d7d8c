// The main window's mouse rules without a window: which gesture a press starts, which slot a
// point hits, where a moved window snaps, how far a seek goes. The window code feeds these
// with client points and acts on the answers; tests drive them directly.
#pragma once

#include <windows.h>

#include <cstdint>

#include "recorder/ui/SkinLayout.h"

namespace velto {

// The gesture in progress between a left press and its release (process-wide).
enum DragModeValue : int {
    kDragNone = 0,
    kDragMoveWindow = 6,
    kDragButton = 9,
    kDragStatusLine = 99,
    kDragSeek = 105,
};
extern int DragMode;

// First slot among the first `count` that contains the point; -1 when none does.
int HitSlot(const skin::ButtonSlot* slots, int count, POINT p);
// The same, restricted to slots first..last inclusive.
int HitSlotIn(const skin::ButtonSlot* slots, int first, int last, POINT p);

enum class LeftPressAction {
    TitleButton,  // drag mode 9 (a button of the title strip)
    MoveWindow,   // drag mode 6
    StatusDrag,   // drag mode 99
    SeekDrag,     // drag mode 105, the thumb follows
    ButtonPress,  // drag mode 9, the slot's sprite is drawn
    TypePopup,
    QualityPopup,
    ClearMode,  // drag mode 0 (the path, help, options or arrow slots)
    Nothing,
};
struct LeftPress {
    LeftPressAction action;
    int slot;  // for ButtonPress and TitleButton; -1 otherwise
};
// The first matching rule for a left press.
LeftPress DecideLeftPress(const skin::ButtonSlot* slots, POINT p, bool statusScrolls,
                          bool recording);

enum class RightPressAction { TypePopup, QualityPopup, SeekBandRule };
RightPressAction DecideRightPress(POINT p);

// True when a click at this y seeks the player (the band spans the whole width).
bool InSeekBand(int y);
// Per-mille of the seek bar under x, clamped to the bar (0..1000).
int SeekPerMille(int x);
// Milliseconds to seek to for a click at x in a play of `totalMs`; 0 for an unknown length.
int SeekTargetMs(int x, int totalMs);
// Where the thumb's centre stands for a play position, inside the bar.
int ThumbXForPosition(int outputMs, int totalMs);
// The thumb's centre kept inside the bar.
int ClampThumbX(int x);

// The window rectangle after a move by (dx, dy) from `start`, snapped to the screen edges
// when an edge comes within 12 pixels of them.
RECT SnapMovedWindow(const RECT& start, int dx, int dy, int screenW, int screenH);

}  // namespace velto

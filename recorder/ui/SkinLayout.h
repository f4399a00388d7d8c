// Where everything on the main window lies: the skin bitmap's sprites, the button slots, the
// drawing and hit rectangles, the tool tips and the colours. All coordinates are client pixels;
// rectangles are (left, top, right, bottom) with right and bottom exclusive, as PtInRect
// treats them. The artwork generator (res/art/make_art.py) draws to the same numbers.
#pragma once

#include <windows.h>

namespace velto::skin {

// One clickable control: its hit rectangle, the sprite of its highlighted look and whether
// that sprite is currently drawn.
struct ButtonSlot {
    RECT rect;
    int spriteX, spriteY;
    int spriteW, spriteH;
    int highlighted;
};

inline constexpr int kSlotCount = 15;
// Hover handling looks at the first 13 slots, or 11 while recording (play and stop stay
// reachable, the empty slot 12 does not matter).
inline constexpr int kHoverSlotsIdle = 13;
inline constexpr int kHoverSlotsRecording = 11;

enum Slot : int {
    kSlotMinimise = 0,
    kSlotClose = 1,
    kSlotPath = 2,
    kSlotHelp = 3,
    kSlotOptions = 4,
    kSlotTypeArrow = 6,
    kSlotQualityArrow = 7,
    kSlotRecord = 8,
    kSlotPlay = 9,
    kSlotStop = 11,
};

// The fifteen slots as a new window starts with them.
void InitialSlots(ButtonSlot (&slots)[kSlotCount]);

// The record slot's two looks: highlighted when idle, red while recording.
inline constexpr POINT kRecordSpriteIdle{0, 263};
inline constexpr POINT kRecordSpriteRecording{0, 307};
inline constexpr RECT kRecordRect{13, 94, 52, 136};

// ---- the skin bitmap ----------------------------------------------------------------------
inline constexpr int kSkinResource = 131;
inline constexpr int kFaceWidth = 303;  // the back buffer and the window region
inline constexpr int kFaceHeight = 152;
inline constexpr int kTitleHeight = 23;  // the title look covers rows 0..22
inline constexpr int kFaceBodyTop = 22;  // the full paint copies rows 22..151 below it

inline constexpr int kLargeDigitW = 11, kLargeDigitH = 21;
inline constexpr int kLargeDigitY = 153;  // digit d at x = 12 d
inline constexpr POINT kLargeColon{136, 153};
inline constexpr int kLargeColonW = 3;
inline constexpr int kSmallDigitW = 7, kSmallDigitH = 5;
inline constexpr int kSmallDigitX = 144;  // digit d at x + 8 d
inline constexpr int kSmallBrightY = 153, kSmallDimY = 159;
inline constexpr int kSmallColonX = 227, kSmallColonW = 2;
inline constexpr POINT kAutoStopLabel{144, 165};
inline constexpr int kAutoStopLabelW = 52, kAutoStopLabelH = 5;
inline constexpr POINT kFadedTitle{159, 205};
inline constexpr int kFadedTitleW = 134, kFadedTitleH = 12;
inline constexpr POINT kFadedTitleAt{9, 5};
inline constexpr POINT kThumbSprite{143, 205};
inline constexpr int kThumbW = 15, kThumbH = 8;

// ---- drawing positions --------------------------------------------------------------------
inline constexpr int kTimeDigitX[6] = {31, 44, 64, 77, 97, 110};
inline constexpr int kTimeY = 31;
inline constexpr int kColonX[2] = {58, 91};
inline constexpr int kAutoDigitX[6] = {135, 143, 154, 162, 173, 181};
inline constexpr int kAutoColonX[2] = {151, 170};
inline constexpr int kAutoY = 43;
inline constexpr POINT kAutoStopLabelAt{134, 32};
inline constexpr POINT kStateLabelAt{28, 59};
inline constexpr RECT kFreeSpaceText{200, 35, 246, 45};
inline constexpr POINT kTypeLabelAt{144, 126};
inline constexpr POINT kQualityLabelAt{189, 127};

// The status line: drawn in a strip of its own, then copied to the face.
inline constexpr POINT kStatusAt{84, 60};
inline constexpr int kStatusW = 190, kStatusH = 13;
inline constexpr int kStatusStripW = 190, kStatusStripH = 14;
// Texts at least this wide scroll.
inline constexpr int kStatusScrollWidth = 205;

// The seek bar: the thumb moves inside it and never leaves it.
inline constexpr RECT kSeekBar{67, 84, 265, 92};
inline constexpr int kSeekLeft = 67, kSeekRight = 265, kSeekTop = 84;
inline constexpr int kThumbHalf = 7;
// A click whose y lies in this band (inclusive) seeks, whatever its x.
inline constexpr int kSeekBandTop = 83, kSeekBandBottom = 92;

inline constexpr RECT kPathBox{69, 101, 263, 112};

// Partial redraw areas: where each is restored from the skin and where it is copied to the
// window. Most are the same rectangle.
struct RedrawArea {
    int x, y, w, h;
};
inline constexpr RedrawArea kTitleArea{0, 0, 303, 23};
inline constexpr RedrawArea kDisplayArea{0, 25, 350, 65};
inline constexpr RedrawArea kStateLabelArea{29, 57, 51, 15};
inline constexpr RedrawArea kTimeDigitsArea{31, 31, 90, 21};
inline constexpr RedrawArea kColonAreas[2] = {{58, 31, 3, 21}, {91, 31, 3, 21}};
inline constexpr RedrawArea kAutoStopRestore{134, 32, 36, 5};
inline constexpr RedrawArea kAutoStopCopy{135, 43, 53, 5};
inline constexpr RedrawArea kTypeArea{144, 126, 22, 13};
inline constexpr RedrawArea kQualityArea{189, 127, 102, 13};
inline constexpr RedrawArea kFreeSpaceArea{200, 32, 47, 14};

// ---- hit rectangles of the mouse handling -------------------------------------------------
inline constexpr RECT kTitleStrip{0, 0, 303, 22};
inline constexpr RECT kStatusHitArea{84, 60, 272, 71};
inline constexpr RECT kTypePopupLeft{131, 126, 166, 138};
inline constexpr RECT kQualityPopupLeft{175, 126, 290, 138};
inline constexpr RECT kTypePopupRight{134, 125, 175, 140};
inline constexpr RECT kQualityPopupRight{180, 125, 290, 140};

// ---- tool tips ----------------------------------------------------------------------------
struct ToolTip {
    int id;
    RECT rect;
    const wchar_t* text;
};
inline constexpr int kToolTipCount = 15;
extern const ToolTip kToolTips[kToolTipCount];

// ---- window -------------------------------------------------------------------------------
inline constexpr int kRegionW = 303, kRegionH = 153, kRegionCorner = 13;
inline constexpr int kWindowW = 302, kWindowH = 152;

// ---- colours ------------------------------------------------------------------------------
inline constexpr COLORREF kDarkText = RGB(66, 66, 130);
inline constexpr COLORREF kLightText = RGB(238, 237, 255);
inline constexpr COLORREF kRedText = RGB(255, 87, 87);
inline constexpr COLORREF kLabelText = RGB(0, 0, 0);
inline constexpr COLORREF kPathBoxBackground = RGB(226, 226, 226);
inline constexpr COLORREF kSpriteKey = RGB(0, 0, 0);

inline constexpr wchar_t kFontA[] = L"굴림";    // state label
inline constexpr wchar_t kFontB[] = L"굴림체";  // status line, labels, path box

}  // namespace velto::skin

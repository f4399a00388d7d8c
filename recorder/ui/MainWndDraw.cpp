// The main window's face: the full paint into the back buffer and onto the window, and the
// partial redraws that patch one area of the back buffer from the skin and copy it out.
#include "recorder/ui/MainWnd.h"

#include "common/Text.h"
#include "recorder/recording/Presets.h"

namespace velto {

namespace {

constexpr const wchar_t* kStateNames[] = {L"정지", L"녹음중", L"일시정지"};
constexpr wchar_t kPlayingName[] = L"재생중";

}  // namespace

void CMainWnd::Paint(HDC dc)
{
    ComposeTitle();
    ::BitBlt(back_.dc(), 0, skin::kFaceBodyTop, skin::kFaceWidth,
             skin::kFaceHeight - skin::kFaceBodyTop, skin_.dc(), 0, skin::kFaceBodyTop, SRCCOPY);
    ComposeDisplayArea();
    ComposeTypeLabel();
    ComposeQualityLabel();
    ::BitBlt(dc, 0, 0, skin::kFaceWidth, skin::kFaceHeight, back_.dc(), 0, 0, SRCCOPY);
    // The back buffer never holds the thumb: put it back where the state says.
    if (!recording() && PlayerState() <= kPlayStateIdle) DrawSeekThumb(skin::kSeekLeft);
    UpdateSeekBar();
}

void CMainWnd::RedrawArea(const skin::RedrawArea& area, Compose compose)
{
    if (!back_ || ::IsIconic(hwnd())) return;
    ::BitBlt(back_.dc(), area.x, area.y, area.w, area.h, skin_.dc(), area.x, area.y, SRCCOPY);
    (this->*compose)();
    CopyToWindow(area.x, area.y, area.w, area.h);
}

void CMainWnd::CopyToWindow(int x, int y, int w, int h)
{
    if (windowDc_) ::BitBlt(windowDc_, x, y, w, h, back_.dc(), x, y, SRCCOPY);
}

bool CMainWnd::TitleLooksActive() const
{
    return appActive_ && lastActive_ == hwnd();
}

void CMainWnd::ComposeTitle()
{
    const auto& a = skin::kTitleArea;
    ::BitBlt(back_.dc(), a.x, a.y, a.w, a.h, skin_.dc(), a.x, a.y, SRCCOPY);
    if (!TitleLooksActive())
        ::BitBlt(back_.dc(), skin::kFadedTitleAt.x, skin::kFadedTitleAt.y, skin::kFadedTitleW,
                 skin::kFadedTitleH, skin_.dc(), skin::kFadedTitle.x, skin::kFadedTitle.y, SRCCOPY);
}

void CMainWnd::RedrawTitle()
{
    if (!back_ || ::IsIconic(hwnd())) return;
    ComposeTitle();
    const auto& a = skin::kTitleArea;
    CopyToWindow(a.x, a.y, a.w, a.h);
}

void CMainWnd::ComposeDisplayArea()
{
    const auto& a = skin::kDisplayArea;
    ::BitBlt(back_.dc(), a.x, a.y, a.w, a.h, skin_.dc(), a.x, a.y, SRCCOPY);
    ComposeStateLabel();
    ComposeTimeDigits();
    ComposeFreeSpace();
    ComposeAutoStopTime();
    ComposeColons();
    ComposeStatusLine();
}

void CMainWnd::RedrawDisplayArea()
{
    RedrawArea(skin::kDisplayArea, &CMainWnd::ComposeDisplayArea);
}

void CMainWnd::ComposeStateLabel()
{
    HDC dc = back_.dc();
    HGDIOBJ previousFont = ::SelectObject(dc, fontA_.get());
    auto& record = slots_[skin::kSlotRecord];
    const int state = IsRecording() ? 1 : 0;
    if (state == 1) {
        ::SetTextColor(dc, blink_ ? skin::kRedText : lightText_);
        record.spriteX = skin::kRecordSpriteRecording.x;
        record.spriteY = skin::kRecordSpriteRecording.y;
    } else {
        ::SetTextColor(dc, darkText_);
        record.spriteX = skin::kRecordSpriteIdle.x;
        record.spriteY = skin::kRecordSpriteIdle.y;
    }
    record.rect = skin::kRecordRect;
    record.spriteW = 40;
    record.spriteH = 43;
    record.highlighted = 0;

    const bool playing = PlayerState() == kPlayStatePlaying;
    const wchar_t* text =
        playing ? kPlayingName : kStateNames[state >= 0 && state <= 2 ? state : 0];
    ::TextOutW(dc, skin::kStateLabelAt.x, skin::kStateLabelAt.y, text,
               static_cast<int>(wcslen(text)));

    // The thumb hides while recording and rests at the start when nothing plays.
    if (windowDc_) {
        const auto& bar = skin::kSeekBar;
        const bool recordingLabel = text == kStateNames[1];
        if (recordingLabel || !playing)
            ::BitBlt(windowDc_, bar.left, bar.top, bar.right - bar.left + 1, bar.bottom - bar.top,
                     dc, bar.left, bar.top, SRCCOPY);
        if (!recordingLabel && !playing)
            ::BitBlt(windowDc_, bar.left, bar.top, skin::kThumbW, skin::kThumbH, skin_.dc(),
                     skin::kThumbSprite.x, skin::kThumbSprite.y, SRCCOPY);
    }
    ::SetTextColor(dc, skin::kLabelText);
    ::SelectObject(dc, previousFont);
}

void CMainWnd::RedrawStateLabel()
{
    RedrawArea(skin::kStateLabelArea, &CMainWnd::ComposeStateLabel);
}

void CMainWnd::ComposeTimeDigits()
{
    const int s = elapsed_;
    const int hours = (s / 3600) % 100;  // a hundred hours and more wrap on two digits
    const int digits[6] = {hours / 10,           hours % 10,  (s % 3600) / 60 / 10,
                           (s % 3600) / 60 % 10, s % 60 / 10, s % 60 % 10};
    for (int i = 0; i < 6; ++i)
        TransparentCopy(back_.dc(), skin::kTimeDigitX[i], skin::kTimeY, skin::kLargeDigitW,
                        skin::kLargeDigitH, skin_.dc(), 12 * digits[i], skin::kLargeDigitY,
                        skin::kSpriteKey);
}

void CMainWnd::RedrawTimeDigits()
{
    RedrawArea(skin::kTimeDigitsArea, &CMainWnd::ComposeTimeDigits);
}

void CMainWnd::ComposeFreeSpace()
{
    HDC dc = back_.dc();
    ::SetTextColor(dc, skin::kLabelText);
    const std::wstring& folder = files_.saveFolder();
    const wchar_t drive = folder.empty() ? L'?' : folder[0];
    const std::wstring text = FormatW(L"%c:%d", drive, files_.freeMegabytesShown());
    RECT r = skin::kFreeSpaceText;
    ::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_RIGHT);
}

void CMainWnd::ComposeAutoStopTime()
{
    HDC dc = back_.dc();
    const bool on = g_autoStop.enabled.load() == 1;
    const int t = on ? g_autoStop.seconds.load() : 0;
    if (on)
        ::BitBlt(dc, skin::kAutoStopLabelAt.x, skin::kAutoStopLabelAt.y, skin::kAutoStopLabelW,
                 skin::kAutoStopLabelH, skin_.dc(), skin::kAutoStopLabel.x, skin::kAutoStopLabel.y,
                 SRCCOPY);
    const int row = on ? skin::kSmallBrightY : skin::kSmallDimY;
    for (int x : skin::kAutoColonX)
        ::BitBlt(dc, x, skin::kAutoY, skin::kSmallColonW, skin::kSmallDigitH, skin_.dc(),
                 skin::kSmallColonX, row, SRCCOPY);
    const int hours = (t / 3600) % 100;
    const int digits[6] = {hours / 10,           hours % 10,  (t % 3600) / 60 / 10,
                           (t % 3600) / 60 % 10, t % 60 / 10, t % 60 % 10};
    for (int i = 0; i < 6; ++i)
        ::BitBlt(dc, skin::kAutoDigitX[i], skin::kAutoY, skin::kSmallDigitW, skin::kSmallDigitH,
                 skin_.dc(), skin::kSmallDigitX + 8 * digits[i], row, SRCCOPY);
}

void CMainWnd::RedrawAutoStopTime()
{
    if (!back_ || ::IsIconic(hwnd())) return;
    const auto& restore = skin::kAutoStopRestore;
    ::BitBlt(back_.dc(), restore.x, restore.y, restore.w, restore.h, skin_.dc(), restore.x,
             restore.y, SRCCOPY);
    ComposeAutoStopTime();
    const auto& copy = skin::kAutoStopCopy;
    CopyToWindow(copy.x, copy.y, copy.w, copy.h);
    // The label above the digits comes and goes with the setting.
    CopyToWindow(skin::kAutoStopLabelAt.x, skin::kAutoStopLabelAt.y, skin::kAutoStopLabelW,
                 skin::kAutoStopLabelH);
}

void CMainWnd::ComposeColons()
{
    if (!blink_) return;
    for (int x : skin::kColonX)
        TransparentCopy(back_.dc(), x, skin::kTimeY, skin::kLargeColonW, skin::kLargeDigitH,
                        skin_.dc(), skin::kLargeColon.x, skin::kLargeColon.y, skin::kSpriteKey);
}

void CMainWnd::RedrawColons()
{
    for (const auto& area : skin::kColonAreas) RedrawArea(area, &CMainWnd::ComposeColons);
}

void CMainWnd::ComposeStatusLine()
{
    HDC strip = strip_.dc();
    ::BitBlt(strip, 0, 0, skin::kStatusW, skin::kStatusH, skin_.dc(), skin::kStatusAt.x,
             skin::kStatusAt.y, SRCCOPY);
    const std::wstring& text = status_.drawnText();
    RECT r{status_.scrolling() ? -status_.offset() : 0, 0, skin::kStatusW, skin::kStatusH};
    ::DrawTextW(strip, text.c_str(), static_cast<int>(text.size()), &r, 0);
    ::BitBlt(back_.dc(), skin::kStatusAt.x, skin::kStatusAt.y, skin::kStatusW, skin::kStatusH,
             strip, 0, 0, SRCCOPY);
}

void CMainWnd::RedrawStatusLine()
{
    if (!back_ || ::IsIconic(hwnd())) return;
    ComposeStatusLine();
    CopyToWindow(skin::kStatusAt.x, skin::kStatusAt.y, skin::kStatusW, skin::kStatusH);
}

int CMainWnd::MeasureStatusText(const std::wstring& text)
{
    SIZE size{};
    if (strip_)
        ::GetTextExtentPoint32W(strip_.dc(), text.c_str(), static_cast<int>(text.size()), &size);
    return size.cx;
}

void CMainWnd::ComposeTypeLabel()
{
    const std::wstring name = FileExtension(recordType_);
    ::TextOutW(back_.dc(), skin::kTypeLabelAt.x, skin::kTypeLabelAt.y, name.c_str(),
               static_cast<int>(std::min<size_t>(name.size(), 3)));
}

void CMainWnd::ComposeQualityLabel()
{
    const std::wstring label = QualityLabel(recordType_, quality_);
    ::TextOutW(back_.dc(), skin::kQualityLabelAt.x, skin::kQualityLabelAt.y, label.c_str(),
               static_cast<int>(label.size()));
}

void CMainWnd::RedrawTypeAndQuality()
{
    RedrawArea(skin::kTypeArea, &CMainWnd::ComposeTypeLabel);
    RedrawArea(skin::kQualityArea, &CMainWnd::ComposeQualityLabel);
}

void CMainWnd::DrawSlotSprite(int slot)
{
    const auto& s = slots_[slot];
    if (!back_ || s.spriteW <= 0) return;
    ::BitBlt(back_.dc(), s.rect.left, s.rect.top, s.spriteW, s.spriteH, skin_.dc(), s.spriteX,
             s.spriteY, SRCCOPY);
    CopyToWindow(s.rect.left, s.rect.top, s.spriteW, s.spriteH);
}

void CMainWnd::InvalidateSlot(int slot)
{
    const RECT& r = slots_[slot].rect;
    if (r.right > r.left && r.bottom > r.top) ::InvalidateRect(hwnd(), &r, FALSE);
}

void CMainWnd::DrawSeekThumb(int x)
{
    if (IsRecording() || !windowDc_) return;
    x = ClampThumbX(x);
    const auto& bar = skin::kSeekBar;
    ::BitBlt(windowDc_, bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top, back_.dc(),
             bar.left, bar.top, SRCCOPY);
    ::BitBlt(windowDc_, x - skin::kThumbHalf, bar.top, skin::kThumbW, skin::kThumbH, skin_.dc(),
             skin::kThumbSprite.x, skin::kThumbSprite.y, SRCCOPY);
}

}  // namespace velto

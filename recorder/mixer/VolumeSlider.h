// The recording-volume trackbar of the options page: vertical, loudest at the top, so its
// position is 65535 minus the volume. Wraps a trackbar the page has created.
#pragma once

#include <windows.h>

#include "recorder/mixer/MixerLine.h"

namespace velto {

class CVolumeSlider {
public:
    explicit CVolumeSlider(MixerApi& api = SystemMixer()) : line_(api) {}
    virtual ~CVolumeSlider() = default;
    CVolumeSlider(const CVolumeSlider&) = delete;
    CVolumeSlider& operator=(const CVolumeSlider&) = delete;

    // The trackbar control this slider drives (the page owns the window).
    void SetTrackbar(HWND trackbar) noexcept { trackbar_ = trackbar; }
    HWND trackbar() const noexcept { return trackbar_; }

    // Finds the line and shows it: range, position and `button`'s check state; without a
    // line the trackbar and `button` (may be null) are disabled.
    void Attach(DWORD requestedType, HWND button);
    // Writes the trackbar's position to the line's volume.
    void ApplyPosition();

    void SetState(DWORD value) { line_.SetState(value); }
    BOOL selectFlag() const noexcept { return line_.selectFlag(); }
    const std::wstring& lineName() const noexcept { return line_.lineName(); }
    CMixerLine& line() noexcept { return line_; }

private:
    HWND trackbar_ = nullptr;
    CMixerLine line_;
};

}  // namespace velto

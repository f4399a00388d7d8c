// The main window's view of the recording line: selects it before every recording and turns
// its volume into the width of the volume display.
#pragma once

#include "recorder/mixer/MixerLine.h"

namespace velto {

class CVolumeBar {
public:
    explicit CVolumeBar(MixerApi& api = SystemMixer()) : line_(api) {}
    virtual ~CVolumeBar() = default;
    CVolumeBar(const CVolumeBar&) = delete;
    CVolumeBar& operator=(const CVolumeBar&) = delete;

    // Finds the line again; `widthPixels` is the width that stands for volume 65535.
    void Attach(DWORD requestedType, int widthPixels);
    void Select(DWORD value) { line_.SetState(value); }
    bool HasSelect() const { return line_.selectFlag() != FALSE; }
    // The current volume in whole pixels (truncated); -1 without a recording line.
    int Pixel() const;
    // The value computed by the last Attach (rounded up from .9); -1 without a line.
    int pixelValue() const noexcept { return pixelValue_; }
    CMixerLine& line() noexcept { return line_; }

private:
    float scale_ = 0.0f;  // pixels per volume unit
    int pixelValue_ = -1;
    CMixerLine line_;
};

}  // namespace velto

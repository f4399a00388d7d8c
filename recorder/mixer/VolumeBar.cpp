#include "recorder/mixer/VolumeBar.h"

namespace velto {

void CVolumeBar::Attach(DWORD requestedType, int widthPixels)
{
    scale_ = static_cast<float>(widthPixels) / 65535.0f;
    line_.Discover(requestedType);
    pixelValue_ = line_.HasLine() ? static_cast<int>(line_.volume() * scale_ + 0.1f) : -1;
}

int CVolumeBar::Pixel() const
{
    if (!line_.HasLine()) return -1;
    return static_cast<int>(line_.volume() * scale_);
}

}  // namespace velto

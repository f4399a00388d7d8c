#include "recorder/mixer/VolumeSlider.h"

#include <commctrl.h>

namespace velto {

namespace {
constexpr DWORD kMaxVolume = 65535;
}

void CVolumeSlider::Attach(DWORD requestedType, HWND button)
{
    line_.Discover(requestedType);
    if (!line_.HasLine()) {
        ::EnableWindow(trackbar_, FALSE);
        if (button) ::EnableWindow(button, FALSE);
        return;
    }
    // TBM_SETRANGE carries the bounds as 16-bit halves that the control reads as signed, so
    // 65535 would come out as -1; the separate messages take the full value.
    ::SendMessageW(trackbar_, TBM_SETRANGEMIN, FALSE, 0);
    ::SendMessageW(trackbar_, TBM_SETRANGEMAX, FALSE, kMaxVolume);
    ::SendMessageW(trackbar_, TBM_SETPOS, TRUE, static_cast<LPARAM>(kMaxVolume - line_.volume()));
    if (button) ::SendMessageW(button, BM_SETCHECK, line_.state(), 0);
}

void CVolumeSlider::ApplyPosition()
{
    const LRESULT position = ::SendMessageW(trackbar_, TBM_GETPOS, 0, 0);
    line_.SetVolume(kMaxVolume - static_cast<DWORD>(position));
}

}  // namespace velto

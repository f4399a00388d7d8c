// A window drawn entirely from a skin bitmap: memory surfaces for the skin and a back buffer,
// the colour-keyed sprite copy, and the paint plumbing. The main window derives from it.
#pragma once

#include <windows.h>

#include "common/win/Handles.h"
#include "common/win/Window.h"

namespace velto {

// A memory DC with its own bitmap selected; both are freed together, the bitmap first
// deselected so that DeleteObject really frees it.
class MemorySurface {
public:
    MemorySurface() = default;
    ~MemorySurface() { Reset(); }
    MemorySurface(const MemorySurface&) = delete;
    MemorySurface& operator=(const MemorySurface&) = delete;

    // A surface of w x h compatible with `like`.
    bool Create(HDC like, int w, int h);
    // A surface holding `bitmap`, which it owns from now on.
    bool Adopt(HDC like, HBITMAP bitmap);
    void Reset();

    HDC dc() const noexcept { return dc_.get(); }
    explicit operator bool() const noexcept { return static_cast<bool>(dc_); }

private:
    UniqueMemoryDc dc_;
    UniqueBitmap bitmap_;
    HGDIOBJ previous_ = nullptr;
};

// Copies a w x h sprite from src onto dst, leaving dst untouched where the sprite has the key
// colour. Works through monochrome masks, so it behaves the same on every driver.
void TransparentCopy(HDC dst, int x, int y, int w, int h, HDC src, int srcX, int srcY,
                     COLORREF key);

class CSkinWnd : public Window {
public:
    // Loads a bitmap resource of the program into a surface compatible with the window.
    bool LoadSkinBitmap(int resourceId, MemorySurface& surface);
    bool CreateBackBuffer(MemorySurface& surface, int w, int h);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    // Draws the whole window onto `dc` (the paint DC or the window's own DC).
    virtual void Paint(HDC dc) = 0;
    void RefreshClientRect() { ::GetClientRect(hwnd(), &client_); }

    const RECT& clientRect() const { return client_; }

private:
    RECT client_{};
};

}  // namespace velto

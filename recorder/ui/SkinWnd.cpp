#include "recorder/ui/SkinWnd.h"

namespace velto {

bool MemorySurface::Create(HDC like, int w, int h)
{
    Reset();
    UniqueMemoryDc dc(::CreateCompatibleDC(like));
    UniqueBitmap bitmap(::CreateCompatibleBitmap(like, w, h));
    if (!dc || !bitmap) return false;
    previous_ = ::SelectObject(dc.get(), bitmap.get());
    dc_ = std::move(dc);
    bitmap_ = std::move(bitmap);
    return true;
}

bool MemorySurface::Adopt(HDC like, HBITMAP bitmap)
{
    Reset();
    UniqueBitmap owned(bitmap);
    UniqueMemoryDc dc(::CreateCompatibleDC(like));
    if (!dc || !owned) return false;
    previous_ = ::SelectObject(dc.get(), owned.get());
    dc_ = std::move(dc);
    bitmap_ = std::move(owned);
    return true;
}

void MemorySurface::Reset()
{
    if (dc_ && previous_) ::SelectObject(dc_.get(), previous_);
    previous_ = nullptr;
    bitmap_.reset();
    dc_.reset();
}

namespace {

// A monochrome or colour bitmap in a DC of its own, for the masked copy.
struct Scratch {
    UniqueMemoryDc dc;
    UniqueBitmap bitmap;
    HGDIOBJ previous = nullptr;
    Scratch(HDC like, int w, int h, bool mono)
        : dc(::CreateCompatibleDC(like)),
          bitmap(mono ? ::CreateBitmap(w, h, 1, 1, nullptr) : ::CreateCompatibleBitmap(like, w, h))
    {
        if (dc && bitmap) previous = ::SelectObject(dc.get(), bitmap.get());
    }
    ~Scratch()
    {
        if (previous) ::SelectObject(dc.get(), previous);
    }
    bool ok() const { return dc && bitmap; }
};

}  // namespace

void TransparentCopy(HDC dst, int x, int y, int w, int h, HDC src, int srcX, int srcY, COLORREF key)
{
    if (w <= 0 || h <= 0) return;
    Scratch sprite(dst, w, h, false);
    Scratch mask(dst, w, h, true);
    Scratch inverse(dst, w, h, true);
    Scratch composite(dst, w, h, false);
    if (!sprite.ok() || !mask.ok() || !inverse.ok() || !composite.ok()) return;

    ::BitBlt(sprite.dc.get(), 0, 0, w, h, src, srcX, srcY, SRCCOPY);
    ::SetMapMode(sprite.dc.get(), ::GetMapMode(dst));
    // Colour to monochrome: pixels of the background colour become white, all others black.
    COLORREF oldBack = ::SetBkColor(sprite.dc.get(), key);
    ::BitBlt(mask.dc.get(), 0, 0, w, h, sprite.dc.get(), 0, 0, SRCCOPY);
    ::SetBkColor(sprite.dc.get(), oldBack);
    ::BitBlt(inverse.dc.get(), 0, 0, w, h, mask.dc.get(), 0, 0, NOTSRCCOPY);

    // Monochrome to colour maps white to the background colour and black to the text colour
    // of the destination DC: make them white and black so the masks work as masks.
    ::SetBkColor(composite.dc.get(), RGB(255, 255, 255));
    ::SetTextColor(composite.dc.get(), RGB(0, 0, 0));
    ::SetBkColor(sprite.dc.get(), RGB(255, 255, 255));
    ::SetTextColor(sprite.dc.get(), RGB(0, 0, 0));

    ::BitBlt(composite.dc.get(), 0, 0, w, h, dst, x, y, SRCCOPY);
    ::BitBlt(composite.dc.get(), 0, 0, w, h, mask.dc.get(), 0, 0, SRCAND);
    ::BitBlt(sprite.dc.get(), 0, 0, w, h, inverse.dc.get(), 0, 0, SRCAND);
    ::BitBlt(composite.dc.get(), 0, 0, w, h, sprite.dc.get(), 0, 0, SRCPAINT);
    ::BitBlt(dst, x, y, w, h, composite.dc.get(), 0, 0, SRCCOPY);
}

bool CSkinWnd::LoadSkinBitmap(int resourceId, MemorySurface& surface)
{
    if (!hwnd()) return false;
    auto bitmap =
        static_cast<HBITMAP>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resourceId),
                                          IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (!bitmap) return false;
    ScopedWindowDc windowDc(hwnd());
    return surface.Adopt(windowDc.get(), bitmap);
}

bool CSkinWnd::CreateBackBuffer(MemorySurface& surface, int w, int h)
{
    ScopedWindowDc windowDc(hwnd());
    return surface.Create(windowDc.get(), w, h);
}

LRESULT CSkinWnd::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = ::BeginPaint(hwnd(), &ps);
            Paint(dc);
            ::EndPaint(hwnd(), &ps);
            return 0;
        }
        case WM_SIZE:
            if (LOWORD(lp) > 0 && HIWORD(lp) > 0) RefreshClientRect();
            return 0;
        default: return Window::HandleMessage(msg, wp, lp);
    }
}

}  // namespace velto

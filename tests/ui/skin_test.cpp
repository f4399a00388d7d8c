// The skin's pieces without the window: the colour-keyed sprite copy, and the program's own
// artwork and menu resources as the window expects them.
#include <gtest/gtest.h>

#include <vector>

#include "recorder/res/resource.h"
#include "recorder/ui/SkinLayout.h"
#include "recorder/ui/SkinWnd.h"
#include "tests/support/UiDriver.h"

using namespace velto;

namespace {

// A 32-bit top-down DIB section in a memory DC, for reading pixels back exactly.
class Canvas {
public:
    Canvas(int w, int h) : w_(w), h_(h)
    {
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = w;
        bi.bmiHeader.biHeight = -h;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        dc_ = ::CreateCompatibleDC(nullptr);
        bitmap_ = ::CreateDIBSection(dc_, &bi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                     nullptr, 0);
        old_ = ::SelectObject(dc_, bitmap_);
    }
    ~Canvas()
    {
        ::SelectObject(dc_, old_);
        ::DeleteObject(bitmap_);
        ::DeleteDC(dc_);
    }
    HDC dc() const { return dc_; }
    void Fill(COLORREF c)
    {
        for (int y = 0; y < h_; ++y)
            for (int x = 0; x < w_; ++x) Set(x, y, c);
    }
    void Set(int x, int y, COLORREF c)
    {
        bits_[y * w_ + x] = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
    }
    COLORREF Get(int x, int y) const
    {
        ::GdiFlush();
        uint32_t v = bits_[y * w_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }

private:
    int w_, h_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ old_;
    uint32_t* bits_ = nullptr;
};

TEST(Skin, TransparentCopyKeepsTheBackgroundWhereTheSpriteHasTheKeyColour)
{
    const COLORREF back = RGB(216, 226, 234), ink = RGB(50, 54, 106), nearKey = RGB(1, 0, 0);
    Canvas sprite(4, 2), target(8, 4);
    sprite.Fill(RGB(0, 0, 0));
    sprite.Set(1, 0, ink);
    sprite.Set(2, 1, nearKey);  // almost black is not the key
    target.Fill(back);
    target.Set(3, 1, RGB(10, 200, 30));  // the background under a key pixel shows through

    TransparentCopy(target.dc(), 2, 1, 4, 2, sprite.dc(), 0, 0, RGB(0, 0, 0));

    EXPECT_EQ(target.Get(3, 1), ink);
    EXPECT_EQ(target.Get(4, 2), nearKey);
    EXPECT_EQ(target.Get(2, 1), back);
    EXPECT_EQ(target.Get(5, 2), back);
    EXPECT_EQ(target.Get(0, 0), back);  // outside the rectangle nothing changes
    EXPECT_EQ(target.Get(7, 3), back);

    // Another key colour works the same way.
    target.Fill(back);
    sprite.Fill(ink);
    sprite.Set(0, 0, RGB(255, 0, 255));
    TransparentCopy(target.dc(), 0, 0, 4, 2, sprite.dc(), 0, 0, RGB(255, 0, 255));
    EXPECT_EQ(target.Get(0, 0), back);
    EXPECT_EQ(target.Get(1, 0), ink);
}

class ProgramResources : public ::testing::Test {
protected:
    void SetUp() override
    {
        module_ = ::LoadLibraryExW((test::TestBinFolder() + L"VeltoRecorder.exe").c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override { ::FreeLibrary(module_); }
    HMODULE module_ = nullptr;
};

TEST_F(ProgramResources, SkinIsA302By350TwentyFourBitBitmap)
{
    HRSRC info = ::FindResourceW(module_, MAKEINTRESOURCEW(IDB_SKIN), MAKEINTRESOURCEW(2));
    ASSERT_NE(info, nullptr);
    const auto* header =
        static_cast<const BITMAPINFOHEADER*>(::LockResource(::LoadResource(module_, info)));
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->biWidth, 302);
    EXPECT_EQ(header->biHeight, 350);
    EXPECT_EQ(header->biBitCount, 24);
}

TEST_F(ProgramResources, DigitSpritesAreKeyedAndTheGreyArrowPointsWithItsTip)
{
    // The large digits lie on the key colour; their lit segments never are the key.
    auto bitmap = static_cast<HBITMAP>(
        ::LoadImageW(module_, MAKEINTRESOURCEW(IDB_SKIN), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    ASSERT_NE(bitmap, nullptr);
    Canvas skin(302, 350);
    HDC source = ::CreateCompatibleDC(nullptr);
    HGDIOBJ old = ::SelectObject(source, bitmap);
    ::BitBlt(skin.dc(), 0, 0, 302, 350, source, 0, 0, SRCCOPY);
    ::SelectObject(source, old);
    ::DeleteDC(source);
    ::DeleteObject(bitmap);
    for (int d = 0; d <= 9; ++d) {
        int lit = 0, key = 0;
        for (int y = 0; y < skin::kLargeDigitH; ++y)
            for (int x = 0; x < skin::kLargeDigitW; ++x)
                (skin.Get(12 * d + x, skin::kLargeDigitY + y) == RGB(0, 0, 0) ? key : lit)++;
        EXPECT_GT(lit, 20) << "digit " << d;
        EXPECT_GT(key, 60) << "digit " << d;
    }

    auto cursor = static_cast<HCURSOR>(
        ::LoadImageW(module_, MAKEINTRESOURCEW(IDCUR_GREY_ARROW), IMAGE_CURSOR, 0, 0, 0));
    ASSERT_NE(cursor, nullptr);
    ICONINFO ii{};
    ASSERT_TRUE(::GetIconInfo(cursor, &ii));
    EXPECT_FALSE(ii.fIcon);
    EXPECT_EQ(ii.xHotspot, 0u);
    EXPECT_EQ(ii.yHotspot, 0u);
    if (ii.hbmColor) ::DeleteObject(ii.hbmColor);
    if (ii.hbmMask) ::DeleteObject(ii.hbmMask);
    ::DestroyCursor(cursor);
    EXPECT_NE(::LoadImageW(module_, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 32, 32, 0), nullptr);
}

TEST_F(ProgramResources, ContextMenuOffersAboutHelpAndBugBoardInItsSecondPopup)
{
    HMENU menu = ::LoadMenuW(module_, MAKEINTRESOURCEW(IDR_CONTEXT_MENU));
    ASSERT_NE(menu, nullptr);
    HMENU help = ::GetSubMenu(menu, 1);
    ASSERT_NE(help, nullptr);
    ASSERT_EQ(::GetMenuItemCount(help), 3);
    EXPECT_EQ(::GetMenuItemID(help, 0), static_cast<UINT>(ID_APP_ABOUT));
    EXPECT_EQ(::GetMenuItemID(help, 1), static_cast<UINT>(ID_HELP_PAGE));
    EXPECT_EQ(::GetMenuItemID(help, 2), static_cast<UINT>(ID_BUG_BOARD));
    wchar_t text[64] = {};
    ::GetMenuStringW(help, 0, text, 64, MF_BYPOSITION);
    EXPECT_STREQ(text, L"VeltoRecorder 정보(&A)...");
    ::DestroyMenu(menu);
}

}  // namespace

// The banner control and the about box, in this process (the test carries the program's
// resources).
#include <gtest/gtest.h>

#include <cstring>

#include "recorder/app/AboutDlg.h"
#include "recorder/app/Banner.h"
#include "recorder/res/resource.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/Programs.h"

namespace velto::test {
namespace {

// A 24-bit bitmap file of one colour.
std::string SolidBitmap(int width, int height, COLORREF colour)
{
    const int stride = (width * 3 + 3) & ~3;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = static_cast<DWORD>(stride * height);
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + info.biSizeImage;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    std::string row(static_cast<size_t>(stride), '\0');
    for (int x = 0; x < width; ++x) {
        row[x * 3] = static_cast<char>(GetBValue(colour));
        row[x * 3 + 1] = static_cast<char>(GetGValue(colour));
        row[x * 3 + 2] = static_cast<char>(GetRValue(colour));
    }
    for (int y = 0; y < height; ++y) bytes += row;
    return bytes;
}

// The colour the banner paints at its centre.
COLORREF CentreColour(HWND banner)
{
    RECT rc;
    ::GetClientRect(banner, &rc);
    HDC screen = ::GetDC(nullptr);
    HDC dc = ::CreateCompatibleDC(screen);
    HBITMAP target = ::CreateCompatibleBitmap(screen, rc.right, rc.bottom);
    HGDIOBJ old = ::SelectObject(dc, target);
    ::SendMessageW(banner, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
    const COLORREF c = ::GetPixel(dc, rc.right / 2, rc.bottom / 2);
    ::SelectObject(dc, old);
    ::DeleteObject(target);
    ::DeleteDC(dc);
    ::ReleaseDC(nullptr, screen);
    return c;
}

class BannerTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(RegisterBannerClass(::GetModuleHandleW(nullptr)));
        ASSERT_TRUE(RegisterBannerClass(::GetModuleHandleW(nullptr)));  // twice is harmless
        banner_ = ::CreateWindowExW(0, kBannerClass, L"", WS_POPUP, 0, 0, 180, 46, nullptr, nullptr,
                                    ::GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, banner_);
    }
    void TearDown() override { ::DestroyWindow(banner_); }
    HWND banner_ = nullptr;
    TempFolder folder_{UniqueTempName(L"velto-banner")};
};

TEST_F(BannerTest, ShowsTheBitmapForTheMovieOrNothing)
{
    const COLORREF red = RGB(220, 20, 30);
    ASSERT_TRUE(WriteFileBytes(folder_.File(L"velto_banner2.bmp"), SolidBitmap(64, 16, red)));
    ASSERT_TRUE(WriteFileBytes(folder_.File(L"other.swf"), "FWS not a bitmap"));
    ASSERT_TRUE(WriteFileBytes(folder_.File(L"broken.bmp"), "BM but nothing else"));
    const struct {
        const char* why;
        std::wstring movie;
        bool shown;
    } cases[] = {
        {"the bitmap beside the movie", folder_.File(L"velto_banner2.swf"), true},
        {"a bitmap named directly", folder_.File(L"velto_banner2.bmp"), true},
        {"a movie without a bitmap", folder_.File(L"other.swf"), false},
        {"no such file", folder_.File(L"missing.swf"), false},
        {"a file that is not a bitmap", folder_.File(L"broken.bmp"), false},
        {"an empty path", L"", false},
    };
    const COLORREF empty = ::GetSysColor(COLOR_3DFACE);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_EQ(c.shown, SetBannerMovie(banner_, c.movie));
        EXPECT_EQ(c.shown, ::SendMessageW(banner_, BNM_HASPICTURE, 0, 0) != 0);
        EXPECT_EQ(c.shown ? red : empty, CentreColour(banner_));
    }
}

TEST(BannerPath, PicturesAndTheMoviePath)
{
    EXPECT_EQ(L"c:\\p\\velto_banner2.bmp", BannerPictureFor(L"c:\\p\\velto_banner2.swf"));
    EXPECT_EQ(L"c:\\p\\a.BMP", BannerPictureFor(L"c:\\p\\a.BMP"));
    EXPECT_EQ(L"c:\\p.d\\banner.bmp", BannerPictureFor(L"c:\\p.d\\banner"));

    TempFolder folder{UniqueTempName(L"velto-banner")};
    wchar_t saved[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(::SetCurrentDirectoryW(folder.path().c_str()));
    const std::wstring movie = BannerMoviePath();
    ::SetCurrentDirectoryW(saved);
    std::wstring expected = folder.path() + L"velto_banner2.swf";
    EXPECT_EQ(0, _wcsicmp(expected.c_str(), movie.c_str())) << movie;
}

TEST(AboutBox, ShowsItsTextsAndTheBannerFromTheCurrentDirectory)
{
    RegisterBannerClass(::GetModuleHandleW(nullptr));
    TempFolder folder{UniqueTempName(L"velto-banner")};
    ASSERT_TRUE(
        WriteFileBytes(folder.File(L"velto_banner2.bmp"), SolidBitmap(8, 8, RGB(0, 90, 200))));
    wchar_t saved[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_TRUE(::SetCurrentDirectoryW(folder.path().c_str()));

    SeenDialog seen;
    wchar_t bannerClass[64] = {};
    BOOL bannerShown = FALSE;
    BOOL homePageHidden = FALSE;
    wchar_t homePage[128] = {};
    INT_PTR result = 0;
    {
        bool captured = false;  // the watcher thread alone touches these until it is gone
        DialogWatcher watcher(0, [&](const SeenDialog& d) {
            if (!captured) {
                captured = true;
                seen = d;
                HWND banner = ::GetDlgItem(d.hwnd, IDC_ABOUT_BANNER);
                ::GetClassNameW(banner, bannerClass, 64);
                bannerShown = static_cast<BOOL>(::SendMessageW(banner, BNM_HASPICTURE, 0, 0));
                HWND button = ::GetDlgItem(d.hwnd, IDC_ABOUT_HOMEPAGE);
                homePageHidden = button && !::IsWindowVisible(button);
                ::GetWindowTextW(button, homePage, 128);
            }
            return IDOK;
        });
        CAboutDlg about(::GetModuleHandleW(nullptr));
        result = about.DoModal(nullptr);
    }
    ::SetCurrentDirectoryW(saved);

    EXPECT_EQ(IDOK, result);
    EXPECT_EQ(L"VeltoRecorder 정보", seen.caption);
    EXPECT_NE(std::wstring::npos, seen.text.find(L"VeltoRecorder Version 1.02 "));
    EXPECT_NE(std::wstring::npos, seen.text.find(L"Dovrane"));
    EXPECT_STREQ(kBannerClass, bannerClass);
    EXPECT_TRUE(bannerShown);
    EXPECT_TRUE(homePageHidden);
    EXPECT_STREQ(kMakerHomePage, homePage);
}

}  // namespace
}  // namespace velto::test

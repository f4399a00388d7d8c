// The real VeltoRecorder.exe under Wine, driven with the mouse like a user: the idle face, the
// file-type and quality popups, the title drag with its edge snap, and what the close button
// leaves in the registry.
#include <gtest/gtest.h>

#include <string>

#include "common/Text.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Tone.h"
#include "tests/support/UiDriver.h"

using namespace velto::test;

namespace {

// A fresh save folder and settings that the program will not wipe on its first start.
class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"velto-window-" + std::to_wstring(::GetCurrentProcessId()) +
                  L"\\";
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        DeleteRecorderSettings();
        SetRecorderString(L"SavePath", folder_);
    }
    void TearDown() override
    {
        p_.Terminate();
        DeleteRecorderSettings();
        ::RemoveDirectoryW(folder_.c_str());
    }
    POINT At(int x, int y) const { return p_.ToScreen({x, y}); }

    // Opens a popup by clicking at (x, y) and picks its item `index` of `count`.
    void Choose(int x, int y, int index, int count)
    {
        mouse::LeftClick(At(x, y));
        HWND menu = WaitForPopupMenu(p_.pid());
        ASSERT_NE(menu, nullptr) << "no popup menu at " << x << "," << y;
        ClickMenuItem(menu, index, count);
        ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(menu); }, 5000));
    }

    std::wstring folder_;
    RecorderProcess p_;
};

TEST_F(MainWindowTest, ShowsTheIdleFaceChangesTypeAndQualityAndSavesThemAtClose)
{
    ASSERT_TRUE(p_.Start());
    DialogWatcher boxes(p_.pid());
    RECT r = p_.WindowRect();
    EXPECT_EQ(r.right - r.left, 302);
    EXPECT_EQ(r.bottom - r.top, 152);
    ASSERT_TRUE(
        WaitUntil([&] { return PathBoxText(p_.window()) == folder_ + L"Noname.mp3"; }, 10000))
        << "path box: " << velto::WideToUtf8(PathBoxText(p_.window()));
    EXPECT_EQ(StatusText(p_.window()), L"VeltoRecorder v1.02");
    TimeDisplayReader time;
    ASSERT_TRUE(time.ok());
    EXPECT_EQ(time.ReadSeconds(p_.window()), 0);
    // The pointer away from the window, so no tool tip covers the picture.
    mouse::MoveTo({5, ::GetSystemMetrics(SM_CYSCREEN) - 5});
    ::Sleep(1000);
    SaveScreenshot(VELTO_ARTIFACTS "/idle-window.png");

    // The file type: wav proposes a .wav name and resets the quality to WAV's default row.
    Choose(150, 131, 0, 3);
    EXPECT_TRUE(
        WaitUntil([&] { return PathBoxText(p_.window()) == folder_ + L"Noname.wav"; }, 5000));
    // The quality popup of WAV has 16 rows; row 3.
    Choose(230, 131, 3, 16);
    // Choosing the same type again changes nothing.
    Choose(150, 131, 0, 3);

    mouse::LeftClick(At(291, 10));  // the close button
    ASSERT_TRUE(p_.WaitForExit(15000));
    EXPECT_TRUE(boxes.Seen().empty());

    DWORD value = 99;
    EXPECT_TRUE(ReadRecorderDword(L"RecordType", &value));
    EXPECT_EQ(value, 0u);
    EXPECT_TRUE(ReadRecorderDword(L"SelQuality", &value));
    EXPECT_EQ(value, 3u);
    EXPECT_TRUE(ReadRecorderDword(L"RecStopTime", &value));
    EXPECT_EQ(value, 300u);
    EXPECT_TRUE(ReadRecorderDword(L"AutoStop", &value));
    EXPECT_EQ(value, 1u);
    std::wstring text;
    EXPECT_TRUE(ReadRecorderString(L"SavePath", &text));
    EXPECT_EQ(text, folder_);
    EXPECT_TRUE(ReadRecorderString(L"NoName", &text));
    EXPECT_EQ(text, L"Noname");
    std::vector<uint8_t> placement = ReadRecorderBinary(L"VeltoRecorder");
    ASSERT_EQ(placement.size(), sizeof(WINDOWPLACEMENT));
    WINDOWPLACEMENT wp;
    memcpy(&wp, placement.data(), sizeof(wp));
    EXPECT_EQ(wp.rcNormalPosition.left, r.left);
    EXPECT_EQ(wp.rcNormalPosition.top, r.top);
}

TEST_F(MainWindowTest, TitleDragMovesTheWindowAndSnapsToTheScreenEdge)
{
    ASSERT_TRUE(p_.Start());
    DialogWatcher boxes(p_.pid());
    const RECT start = p_.WindowRect();
    // The window follows the pointer a moment after the pointer moved.
    auto settlesAt = [&](int left, int top) {
        return WaitUntil(
            [&] {
                RECT r = p_.WindowRect();
                return r.left == left && r.top == top;
            },
            3000);
    };
    auto dragTitleBy = [&](int dx, int dy) {
        POINT grip = At(120, 10);
        mouse::Drag(grip, {grip.x + dx, grip.y + dy});
    };

    // 150 pixels right and 100 down: nothing near an edge.
    dragTitleBy(150, 100);
    EXPECT_TRUE(settlesAt(start.left + 150, start.top + 100));
    const RECT moved = p_.WindowRect();

    // Left edge to 12 pixels from the screen's: it snaps to 0.
    dragTitleBy(12 - moved.left, 0);
    EXPECT_TRUE(settlesAt(0, moved.top));

    // Away again, then to 13 pixels: it stays there.
    dragTitleBy(100, 0);
    ASSERT_TRUE(settlesAt(100, moved.top));
    dragTitleBy(-87, 0);
    EXPECT_TRUE(settlesAt(13, moved.top));

    // The right edge snaps too.
    const int screenW = ::GetSystemMetrics(SM_CXSCREEN);
    RECT now = p_.WindowRect();
    dragTitleBy(screenW - 10 - now.right, 0);
    EXPECT_TRUE(settlesAt(screenW - (now.right - now.left), moved.top));

    // A press on free face area moves the window as well.
    now = p_.WindowRect();
    POINT grip = At(5, 140);
    mouse::Drag(grip, {grip.x - 200, grip.y - 20});
    EXPECT_TRUE(settlesAt(now.left - 200, now.top - 20));
}

TEST_F(MainWindowTest, AButtonShowsItsPressedLookWhileThePointerIsOnItAndTheReleaseDecides)
{
    ASSERT_TRUE(p_.Start());
    DialogWatcher boxes(p_.pid());
    SkinPicture skin;
    ASSERT_TRUE(skin.ok());
    // The play button's face and its highlighted sprite (21 x 22).
    auto showsSprite = [&] { return skin.ShownAt(p_.window(), 73, 123, 21, 22, 63, 221); };
    auto showsFace = [&] { return skin.ShownAt(p_.window(), 73, 123, 21, 22, 73, 123); };
    ASSERT_TRUE(WaitUntil(showsFace, 5000));

    // Hovering highlights, leaving restores the face.
    mouse::MoveTo(At(83, 133));
    EXPECT_TRUE(WaitUntil(showsSprite, 3000));
    mouse::MoveTo(At(200, 110));
    EXPECT_TRUE(WaitUntil(showsFace, 3000));

    // Pressed: sliding off and back on; released outside every button, nothing runs.
    mouse::MoveTo(At(83, 133));
    mouse::LeftDown();
    EXPECT_TRUE(WaitUntil(showsSprite, 3000));
    mouse::MoveTo(At(60, 100));
    EXPECT_TRUE(WaitUntil(showsFace, 3000));
    mouse::MoveTo(At(83, 133));
    EXPECT_TRUE(WaitUntil(showsSprite, 3000));
    mouse::MoveTo(At(60, 100));
    mouse::LeftUp();
    ::Sleep(1000);
    EXPECT_TRUE(boxes.Seen().empty());

    // Pressed on stop, released on play: play runs, and with nothing recorded it says so.
    mouse::MoveTo(At(104, 133));
    mouse::LeftDown();
    mouse::MoveTo(At(83, 133));
    mouse::LeftUp();
    ASSERT_TRUE(boxes.WaitFor(L"녹음한 내용이 없습니다.\r\n녹음후 재생해 주세요", 5000));
    EXPECT_EQ(boxes.Seen().front().caption, L"VeltoRecorder");

    // A right click on free face opens the help menu; one in the seek band only seeks.
    mouse::RightClick(At(5, 140));
    HWND menu = WaitForPopupMenu(p_.pid(), 5000);
    ASSERT_NE(menu, nullptr);
    mouse::LeftClick({::GetSystemMetrics(SM_CXSCREEN) - 5, ::GetSystemMetrics(SM_CYSCREEN) - 5});
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindowVisible(menu); }, 5000));
    mouse::RightClick(At(150, 88));
    EXPECT_EQ(WaitForPopupMenu(p_.pid(), 1500), nullptr);

    // The options button opens the options sheet, and closing it leaves the window ready.
    boxes.Clear();
    mouse::LeftClick(At(283, 87));
    EXPECT_TRUE(WaitUntil(
        [&] {
            for (const auto& d : boxes.Seen())
                if (d.caption == L"옵션 및 정보") return true;
            return false;
        },
        5000));
    EXPECT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(p_.window()) != FALSE; }, 5000));
}

TEST_F(MainWindowTest, WithoutTheNoticeLibraryItSaysSoAndRunsOn)
{
    // The program and its player library alone, without Bivnote.dll beside them.
    TempFolder program(L"velto-no-notice");
    for (const wchar_t* name : {L"VeltoRecorder.exe", L"Ravelplay.dll"})
        ASSERT_TRUE(
            ::CopyFileW((TestBinFolder() + name).c_str(), program.File(name).c_str(), FALSE));
    ASSERT_TRUE(p_.Start(L"/run", 30000, program.File(L"VeltoRecorder.exe")));
    DialogWatcher boxes(p_.pid());
    ASSERT_TRUE(boxes.WaitFor(L"없음002", 10000));
    EXPECT_EQ(boxes.Seen().front().caption, L"VeltoRecorder");
    EXPECT_EQ(boxes.Seen().front().text, L"없음002");
    // Answered, the window goes on: its close button still ends it.
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowEnabled(p_.window()) != FALSE; }, 5000));
    mouse::LeftClick(At(291, 10));
    EXPECT_TRUE(p_.WaitForExit(15000));
}

}  // namespace

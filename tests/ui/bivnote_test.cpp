// The notice library Bivnote.dll as the recorder calls it: a popup beside the caller's window
// that never takes the focus, goes on a click or after a few seconds, and then tells the caller
// to free the library. Also the picture path for folders the ANSI code page cannot spell.
#include <gtest/gtest.h>

#include <string>

#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "recorder/ui/NoticeLibrary.h"
#include "tests/support/UiDriver.h"

using namespace velto;
using namespace velto::test;

namespace {

using BivnoteEntry = int(WINAPI*)(HWND, const char*, const char*);
constexpr wchar_t kPopupClass[] = L"VeltoRecorderNotice";

int g_freeRequests = 0;

LRESULT CALLBACK HostProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_NOTICE_DONE) {
        ++g_freeRequests;
        return 0;
    }
    return ::DefWindowProcW(hwnd, msg, wp, lp);
}

// Runs the thread's messages until `done` holds or the time is up.
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
        if (done()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

HWND Popup()
{
    return FindVisibleWindow(::GetCurrentProcessId(), kPopupClass);
}

bool CopyInto(const std::wstring& folder, const wchar_t* name)
{
    return ::CopyFileW((TestBinFolder() + name).c_str(), (folder + name).c_str(), FALSE) != FALSE;
}

class BivnoteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof(wc);
        wc.lpfnWndProc = &HostProc;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = L"BivnoteTestHost";
        ::RegisterClassExW(&wc);
        host_ = ::CreateWindowExW(0, wc.lpszClassName, L"host", WS_POPUP | WS_VISIBLE, 100, 50, 302,
                                  152, nullptr, nullptr, wc.hInstance, nullptr);
        ASSERT_NE(host_, nullptr);
        ::SetForegroundWindow(host_);
        PumpUntil([&] { return ::GetForegroundWindow() == host_; }, 3000);
        g_freeRequests = 0;
    }
    void TearDown() override
    {
        if (module_) ::FreeLibrary(module_);
        ::DestroyWindow(host_);
    }
    // Loads the library from `folder` and calls its entry with `picture`.
    void Call(const std::wstring& folder, const std::string& picture)
    {
        module_ = ::LoadLibraryW((folder + L"Bivnote.dll").c_str());
        ASSERT_NE(module_, nullptr);
        auto entry = reinterpret_cast<BivnoteEntry>(::GetProcAddress(module_, "Bivnote"));
        ASSERT_NE(entry, nullptr);
        entry(host_, "", picture.c_str());
    }
    // The caller's part of the contract: free the library when asked.
    bool WaitForFreeRequest(DWORD timeoutMs)
    {
        if (!PumpUntil([] { return g_freeRequests > 0; }, timeoutMs)) return false;
        ::FreeLibrary(module_);
        module_ = nullptr;
        // Nothing of the library may run after it is gone.
        PumpUntil([] { return false; }, 300);
        return true;
    }

    HWND host_ = nullptr;
    HMODULE module_ = nullptr;
};

TEST_F(BivnoteTest, ShowsThePictureBesideTheWindowWithoutTakingTheFocusAndGoesOnAClick)
{
    Call(TestBinFolder(), NoticePicturePath(TestBinFolder() + L"aboutvelto.bmp"));
    ASSERT_TRUE(PumpUntil([] { return Popup() != nullptr; }, 5000));
    HWND popup = Popup();
    RECT host{}, r{};
    ::GetWindowRect(host_, &host);
    ::GetWindowRect(popup, &r);
    EXPECT_EQ(r.left, host.right + 6);
    EXPECT_EQ(r.top, host.top);
    EXPECT_GT(r.right - r.left, 100);
    EXPECT_EQ(::GetForegroundWindow(), host_);
    EXPECT_EQ(g_freeRequests, 0);

    mouse::LeftClick({(r.left + r.right) / 2, (r.top + r.bottom) / 2});
    ASSERT_TRUE(WaitForFreeRequest(5000));
    EXPECT_EQ(Popup(), nullptr);
    EXPECT_EQ(::GetForegroundWindow(), host_);
    EXPECT_EQ(g_freeRequests, 1);
}

TEST_F(BivnoteTest, GoesByItselfAfterAFewSeconds)
{
    Call(TestBinFolder(), NoticePicturePath(TestBinFolder() + L"aboutvelto.bmp"));
    ASSERT_TRUE(PumpUntil([] { return Popup() != nullptr; }, 5000));
    ASSERT_TRUE(WaitForFreeRequest(15000));
    EXPECT_EQ(Popup(), nullptr);
}

TEST_F(BivnoteTest, WithoutAPictureItShowsNothingAndAsksToBeFreedAtOnce)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"bivnote-alone\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyInto(folder, L"Bivnote.dll"));
    Call(folder, "c:\\nowhere\\aboutvelto.bmp");
    EXPECT_TRUE(WaitForFreeRequest(3000));
    EXPECT_EQ(Popup(), nullptr);
    ::DeleteFileW((folder + L"Bivnote.dll").c_str());
    ::RemoveDirectoryW(folder.c_str());
}

TEST_F(BivnoteTest, AFolderTheCodePageCannotSpellStillWorks)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"벨토 녹음기\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyInto(folder, L"Bivnote.dll"));
    ASSERT_TRUE(CopyInto(folder, L"aboutvelto.bmp"));
    const std::wstring picture = folder + L"aboutvelto.bmp";

    // What the recorder passes names the file in the ANSI code page (its short form).
    const std::string passed = NoticePicturePath(picture);
    EXPECT_TRUE(FileExists(AnsiToWide(passed))) << passed;
    Call(folder, passed);
    ASSERT_TRUE(PumpUntil([] { return Popup() != nullptr; }, 5000));
    mouse::LeftClick([] {
        RECT r{};
        ::GetWindowRect(Popup(), &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }());
    ASSERT_TRUE(WaitForFreeRequest(5000));

    // A caller that passes the damaged spelling still gets the picture beside the library.
    Call(folder, WideToAnsi(picture));
    EXPECT_TRUE(PumpUntil([] { return Popup() != nullptr; }, 5000));
    ::DestroyWindow(Popup());
    ASSERT_TRUE(WaitForFreeRequest(5000));

    ::DeleteFileW((folder + L"Bivnote.dll").c_str());
    ::DeleteFileW(picture.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

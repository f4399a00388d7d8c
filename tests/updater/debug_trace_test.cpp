// The debug channel: what a viewer receives, who receives nothing, and our own viewer tool.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/DebugTrace.h"
#include "common/Text.h"
#include "tests/support/Programs.h"

namespace velto::test {
namespace {

struct Received {
    ULONG_PTR dwData;
    std::string bytes;  // all cbData bytes, the terminating NUL included
};

// A window of the viewer's class with a chosen title, collecting WM_COPYDATA.
class FakeViewer {
public:
    explicit FakeViewer(const wchar_t* title)
    {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = &Procedure;
        wc.hInstance = ::GetModuleHandleW(nullptr);
        wc.lpszClassName = kDebugViewerClass;
        ::RegisterClassExW(&wc);
        hwnd_ = ::CreateWindowExW(0, kDebugViewerClass, title, WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                  nullptr, wc.hInstance, nullptr);
        ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~FakeViewer() { ::DestroyWindow(hwnd_); }
    std::vector<Received> received;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
    {
        if (msg == WM_COPYDATA) {
            auto* self = reinterpret_cast<FakeViewer*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lp);
            if (self)
                self->received.push_back(
                    {data->dwData,
                     std::string(static_cast<const char*>(data->lpData), data->cbData)});
            return TRUE;
        }
        return ::DefWindowProcW(hwnd, msg, wp, lp);
    }
    HWND hwnd_ = nullptr;
};

TEST(DebugTrace, TheViewerReceivesTheTextWithItsTerminatingNul)
{
    struct {
        std::wstring text;
        std::string bytes;
    } const cases[] = {
        {L"pass 3\r\n", std::string("pass 3\r\n") + '\0'},
        {L"", std::string(1, '\0')},
        {L"업데이트", std::string("\xEC\x97\x85\xEB\x8D\xB0\xEC\x9D\xB4\xED\x8A\xB8") + '\0'},
        // Longer text is cut at 1024 characters.
        {std::wstring(3000, L'x'), std::string(1024, 'x') + '\0'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.substr(0, 20));
        FakeViewer viewer(kDebugViewerTitle);
        DebugTraceText(c.text);
        ASSERT_EQ(1u, viewer.received.size());
        EXPECT_EQ(0u, viewer.received[0].dwData);
        EXPECT_EQ(c.bytes, viewer.received[0].bytes);
    }
}

TEST(DebugTrace, FormatsLikePrintf)
{
    FakeViewer viewer(kDebugViewerTitle);
    DebugTrace(L"####### 업데이트 횟수(%d)의 제한 %s #########\r\n", 3, L"끝");
    ASSERT_EQ(1u, viewer.received.size());
    EXPECT_EQ(WideToUtf8(L"####### 업데이트 횟수(3)의 제한 끝 #########\r\n") + '\0',
              viewer.received[0].bytes);
}

TEST(DebugTrace, OnlyTheAgreedTitleReceives)
{
    FakeViewer other(L"Debug        something else");
    FakeViewer shortTitle(L"Debug");
    DebugTrace(L"nobody should see this");
    EXPECT_TRUE(other.received.empty());
    EXPECT_TRUE(shortTitle.received.empty());
}

TEST(DebugTrace, WithoutAViewerNothingHappens)
{
    ASSERT_EQ(nullptr, ::FindWindowW(kDebugViewerClass, kDebugViewerTitle));
    DebugTrace(L"into the void %d", 1);
    DebugTraceText(L"");
}

TEST(DebugTrace, OurViewerShowsWhatItReceives)
{
    Process viewer = StartProgram(BinFolder() + L"DebugView.exe", L"");
    ASSERT_TRUE(viewer);
    HWND window = WaitForProcessWindow(kDebugViewerClass, viewer.pid, 30000);
    ASSERT_NE(nullptr, window);
    wchar_t title[128] = {};
    ::GetWindowTextW(window, title, 128);
    EXPECT_STREQ(kDebugViewerTitle, title);

    DebugTrace(L"첫째 줄 %d\r\n", 1);
    DebugTraceText(L"second line without a break");
    HWND edit = ::FindWindowExW(window, nullptr, L"Edit", nullptr);
    ASSERT_NE(nullptr, edit);
    wchar_t shown[4096] = {};
    ::SendMessageW(edit, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(shown));
    const std::wstring text = shown;
    const size_t first = text.find(L"] 첫째 줄 1\r\n");
    const size_t second = text.find(L"] second line without a break\r\n");
    EXPECT_NE(std::wstring::npos, first) << text;
    EXPECT_NE(std::wstring::npos, second) << text;
    EXPECT_LT(first, second);

    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForExit(viewer, 30000));
    KillIfRunning(viewer);
}

}  // namespace
}  // namespace velto::test

// The debug channel: what a viewer receives, who receives nothing, and our own viewer tool.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/DebugTrace.h"
#include "common/Text.h"
#include "tests/support/FakeDebugViewer.h"
#include "tests/support/Programs.h"

namespace velto::test {
namespace {

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
        FakeDebugViewer viewer(kDebugViewerTitle);
        DebugTraceText(c.text);
        ASSERT_EQ(1u, viewer.received.size());
        EXPECT_EQ(0u, viewer.received[0].dwData);
        EXPECT_EQ(c.bytes, viewer.received[0].bytes);
    }
}

TEST(DebugTrace, FormatsLikePrintf)
{
    FakeDebugViewer viewer(kDebugViewerTitle);
    DebugTrace(L"####### 업데이트 횟수(%d)의 제한 %s #########\r\n", 3, L"끝");
    ASSERT_EQ(1u, viewer.received.size());
    EXPECT_EQ(WideToUtf8(L"####### 업데이트 횟수(3)의 제한 끝 #########\r\n") + '\0',
              viewer.received[0].bytes);
}

TEST(DebugTrace, OnlyTheAgreedTitleReceives)
{
    FakeDebugViewer other(L"Debug        something else");
    FakeDebugViewer shortTitle(L"Debug");
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

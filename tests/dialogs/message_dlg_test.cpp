// The question box in both forms, answered by pressing its buttons.
#include <gtest/gtest.h>

#include "recorder/dialogs/MessageDlg.h"
#include "tests/support/DialogWatcher.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr wchar_t kQuestion[] = L"현재 녹음중입니다. \r\n\r\n 녹음을 중지하시겠습니까 ?";
constexpr int kCloseBox = -1;  // close the box from its system menu instead of a button

struct Case {
    const char* name;
    int questionFlag;
    const wchar_t* caption;
    int press;
    int expected;
    std::vector<std::wstring> buttons;
    const wchar_t* shownCaption;
};

const Case kCases[] = {
    {"question answered yes", 1, nullptr, IDOK, 1, {L"예", L"아니오"}, L"VeltoRecorder"},
    {"question answered no", 1, nullptr, IDCANCEL, 2, {L"예", L"아니오"}, L"VeltoRecorder"},
    {"question closed", 1, L"확인 요청", kCloseBox, 2, {L"예", L"아니오"}, L"확인 요청"},
    {"notice confirmed", 0, nullptr, IDOK, 1, {L"확인"}, L"VeltoRecorder"},
    {"notice closed", 0, L"알림", kCloseBox, 2, {L"확인"}, L"알림"},
};

TEST(MessageDlg, BothFormsReturnWhatTheirButtonsMean)
{
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        RECT okRect{};
        DialogWatcher watcher(0, [&](const SeenDialog& d) {
            ::GetWindowRect(::GetDlgItem(d.hwnd, IDOK), &okRect);
            ::MapWindowPoints(nullptr, d.hwnd, reinterpret_cast<POINT*>(&okRect), 2);
            if (c.press != kCloseBox) return c.press;
            ::PostMessageW(d.hwnd, WM_SYSCOMMAND, SC_CLOSE, 0);
            return 0;
        });
        EXPECT_EQ(CMessageDlg::Show(kQuestion, c.caption, c.questionFlag), c.expected);

        const auto seen = watcher.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].caption, c.shownCaption);
        EXPECT_EQ(seen[0].text, kQuestion);
        EXPECT_EQ(seen[0].buttons, c.buttons);
        if (c.questionFlag == 0) {
            EXPECT_EQ(okRect.left, 95);
            EXPECT_EQ(okRect.top, 80);
            EXPECT_EQ(okRect.right - okRect.left, 70);
            EXPECT_EQ(okRect.bottom - okRect.top, 25);
        }
    }
}

TEST(MessageDlg, IsOwnedByItsParent)
{
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"parent", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                    nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(parent);
    DialogWatcher watcher;
    CMessageDlg dlg(L"녹음 컨트롤 찾을수가 없습니다..", nullptr, parent);
    dlg.SetQuestion(0);
    EXPECT_EQ(dlg.Run(), 1);
    ASSERT_EQ(watcher.Seen().size(), 1u);
    EXPECT_EQ(watcher.Seen()[0].owner, parent);
    ::DestroyWindow(parent);
}

}  // namespace

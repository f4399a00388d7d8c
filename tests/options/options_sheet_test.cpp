// The options sheet as the user meets it: its tabs and layout, its close box, and the
// auto-stop page's load, save and cancel against the settings key.
#include <gtest/gtest.h>

#include <memory>

#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "recorder/app/AboutDlg.h"
#include "recorder/app/Banner.h"
#include "recorder/dialogs/OptionSheet.h"
#include "recorder/recording/Recorder.h"
#include "recorder/res/resource.h"
#include "tests/options/SheetDriver.h"
#include "tests/support/DialogWatcher.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr wchar_t kSheetCaption[] = L"옵션 및 정보";

HINSTANCE Instance()
{
    return ::GetModuleHandleW(nullptr);
}

// Boxes other than the sheet are answered; the sheet is the test's to drive.
int AnswerAllButTheSheet(const SeenDialog& d)
{
    if (d.caption == kSheetCaption) return 0;
    return DialogWatcher::DefaultAnswer(d);
}

class OptionSheetTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registry.ok());
        g_autoStop.enabled = 1;
        g_autoStop.seconds = 300;
    }

    // Opens the sheet on its own thread; returns its window.
    HWND Open()
    {
        sheet = std::make_unique<COptionSheet>(Instance(), &host);
        COptionSheet* s = sheet.get();
        runner = std::make_unique<SheetThread>([s] { return s->DoModal(nullptr); });
        return runner->WaitForWindow(kSheetCaption);
    }

    void Press(HWND sheetWindow, int button)
    {
        ::PostMessageW(sheetWindow, PSM_PRESSBUTTON, button, 0);
        ASSERT_TRUE(runner->WaitForEnd());
    }

    PrivateUserRegistry registry;
    DialogWatcher watcher{0, &AnswerAllButTheSheet};
    CountingMainWindowOps host;
    std::unique_ptr<COptionSheet> sheet;
    std::unique_ptr<SheetThread> runner;  // destroyed first: it closes a sheet left open
};

}  // namespace

TEST_F(OptionSheetTest, OpensWithItsThreeTabsInOrderOnTheMixerPage)
{
    HWND w = Open();
    ASSERT_TRUE(w);
    const std::vector<std::wstring> expected = {L"볼륨조절옵션", L"자동정지", L"벨토레코더정보"};
    EXPECT_EQ(TabLabels(w), expected);
    EXPECT_EQ(::SendMessageW(w, PSM_GETCURRENTPAGEHWND, 0, 0),
              reinterpret_cast<LRESULT>(PageWindow(w, 0)));
    EXPECT_TRUE(::GetDlgItem(PageWindow(w, 0), IDC_MIXER_SETUP));
    // No Apply button: only OK and Cancel are there to press.
    HWND apply = ::GetDlgItem(w, 0x3021);
    EXPECT_TRUE(!apply || !::IsWindowVisible(apply));
    Press(w, PSBTN_CANCEL);
}

TEST_F(OptionSheetTest, IsLaidOutSmallerThanItsPagesAndCentred)
{
    // The same pages in a plain sheet show where the system would put everything.
    auto plainPages = std::make_unique<COptionSheet>(Instance(), nullptr);
    struct Plain : CPropertySheet {
        explicit Plain(COptionSheet& pages) : CPropertySheet(Instance(), IDS_OPTION_SHEET)
        {
            header().dwFlags |= PSH_NOAPPLYNOW;
            AddPage(pages.mixerPage());
            AddPage(pages.autoStopPage());
            AddPage(pages.aboutPage());
        }
    };
    auto plain = std::make_unique<Plain>(*plainPages);
    RECT plainSheet{}, plainTab{}, plainPage{}, plainOk{}, plainCancel{};
    {
        Plain* p = plain.get();
        SheetThread t([p] { return p->DoModal(nullptr); });
        HWND w = t.WaitForWindow(kSheetCaption);
        ASSERT_TRUE(w);
        ::GetWindowRect(w, &plainSheet);
        WindowRectIn(reinterpret_cast<HWND>(::SendMessageW(w, PSM_GETTABCONTROL, 0, 0)), w,
                     plainTab);
        WindowRectIn(PageWindow(w, 0), w, plainPage);
        WindowRectIn(::GetDlgItem(w, IDOK), w, plainOk);
        WindowRectIn(::GetDlgItem(w, IDCANCEL), w, plainCancel);
        ::PostMessageW(w, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        ASSERT_TRUE(t.WaitForEnd());
    }

    HWND w = Open();
    ASSERT_TRUE(w);
    RECT s{}, tab{}, page{}, ok{}, cancel{};
    ::GetWindowRect(w, &s);
    WindowRectIn(reinterpret_cast<HWND>(::SendMessageW(w, PSM_GETTABCONTROL, 0, 0)), w, tab);
    WindowRectIn(PageWindow(w, 0), w, page);
    WindowRectIn(::GetDlgItem(w, IDOK), w, ok);
    WindowRectIn(::GetDlgItem(w, IDCANCEL), w, cancel);

    auto width = [](const RECT& r) { return r.right - r.left; };
    auto height = [](const RECT& r) { return r.bottom - r.top; };
    EXPECT_EQ(width(s), width(plainSheet) - 70);
    EXPECT_EQ(height(s), height(plainSheet) - 40);
    for (auto [now, before, name] :
         {std::tuple{tab, plainTab, "tab control"}, std::tuple{page, plainPage, "first page"}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(now.left, before.left);
        EXPECT_EQ(now.top, before.top);
        EXPECT_EQ(width(now), width(before) - 70);
        EXPECT_EQ(height(now), height(before) - 40);
    }
    for (auto [now, before, name] :
         {std::tuple{ok, plainOk, "OK"}, std::tuple{cancel, plainCancel, "Cancel"}}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(now.left, before.left - 70);
        EXPECT_EQ(now.top, before.top - 40);
        EXPECT_EQ(width(now), width(before));
    }
    // Without an owner the sheet sits in the middle of the work area.
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_NEAR((s.left + s.right) / 2, (work.left + work.right) / 2, 1);
    EXPECT_NEAR((s.top + s.bottom) / 2, (work.top + work.bottom) / 2, 1);
    Press(w, PSBTN_CANCEL);
}

namespace {

// Records, on the sheet's thread, whether OK and Cancel were still enabled when the pages
// heard that the sheet is being cancelled.
struct CloseProbe {
    static inline HWND sheet = nullptr;
    static inline int notices = 0;
    static inline bool okEnabled = true, cancelEnabled = true;
    static LRESULT CALLBACK Hook(int code, WPARAM wp, LPARAM lp)
    {
        const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
        if (code == HC_ACTION && m->message == WM_NOTIFY && sheet && m->lParam) {
            const auto* n = reinterpret_cast<const NMHDR*>(m->lParam);
            if (n->code == PSN_QUERYCANCEL || n->code == PSN_RESET) {
                ++notices;
                okEnabled = okEnabled && ::IsWindowEnabled(::GetDlgItem(sheet, IDOK));
                cancelEnabled = cancelEnabled && ::IsWindowEnabled(::GetDlgItem(sheet, IDCANCEL));
            }
        }
        return ::CallNextHookEx(nullptr, code, wp, lp);
    }
};

}  // namespace

TEST_F(OptionSheetTest, TheCloseBoxDisablesOkAndCancelThenCancels)
{
    WriteSetting(L"RecStopTime", 3725);
    WriteSetting(L"AutoStop", 1);
    HWND w = Open();
    ASSERT_TRUE(w);
    HWND autoStop = ShowTab(w, 1);
    ::SetDlgItemTextW(autoStop, IDC_AUTOSTOP_SECONDS, L"9");
    CloseProbe::sheet = w;
    HHOOK hook =
        ::SetWindowsHookExW(WH_CALLWNDPROC, &CloseProbe::Hook, nullptr, runner->threadId());
    ASSERT_TRUE(hook);
    ::PostMessageW(w, WM_CLOSE, 0, 0);
    EXPECT_TRUE(runner->WaitForEnd());
    ::UnhookWindowsHookEx(hook);
    EXPECT_GT(CloseProbe::notices, 0);
    EXPECT_FALSE(CloseProbe::okEnabled);
    EXPECT_FALSE(CloseProbe::cancelEnabled);
    DWORD v = 0;
    EXPECT_TRUE(ReadSetting(L"RecStopTime", v));
    EXPECT_EQ(v, 3725u) << "closing is cancelling";
    EXPECT_EQ(host.refreshCalls, 0);
}

// ---- the auto-stop page ----

namespace {

struct OpeningCase {
    const char* name;
    int storedTime;  // -1: absent
    int storedFlag;  // -1: absent
    const wchar_t* hours;
    const wchar_t* minutes;
    const wchar_t* seconds;
    bool ticked;
};

}  // namespace

TEST_F(OptionSheetTest, AutoStopPageShowsTheStoredTime)
{
    const OpeningCase cases[] = {
        {"nothing stored", -1, -1, L"0", L"5", L"0", true},
        {"stored 0", 0, 0, L"0", L"5", L"0", false},
        {"stored 3725", 3725, 1, L"1", L"2", L"5", true},
        {"stored 60", 60, 1, L"0", L"1", L"0", true},
        {"stored 100 hours", 360000, 1, L"100", L"0", L"0", true},
    };
    for (const OpeningCase& c : cases) {
        SCOPED_TRACE(c.name);
        c.storedTime < 0 ? DeleteSetting(L"RecStopTime")
                         : WriteSetting(L"RecStopTime", c.storedTime);
        c.storedFlag < 0 ? DeleteSetting(L"AutoStop") : WriteSetting(L"AutoStop", c.storedFlag);
        HWND w = Open();
        ASSERT_TRUE(w);
        HWND page = ShowTab(w, 1);
        ASSERT_TRUE(page);
        EXPECT_EQ(ItemText(page, IDC_AUTOSTOP_HOURS), c.hours);
        EXPECT_EQ(ItemText(page, IDC_AUTOSTOP_MINUTES), c.minutes);
        EXPECT_EQ(ItemText(page, IDC_AUTOSTOP_SECONDS), c.seconds);
        EXPECT_EQ(::IsDlgButtonChecked(page, IDC_AUTOSTOP_ENABLE) == BST_CHECKED, c.ticked);
        EXPECT_EQ(::IsWindowEnabled(::GetDlgItem(page, IDC_AUTOSTOP_MINUTES)) != FALSE, c.ticked);
        Press(w, PSBTN_CANCEL);
        runner.reset();
    }
}

TEST_F(OptionSheetTest, AutoStopPageSpinRanges)
{
    HWND w = Open();
    HWND page = ShowTab(w, 1);
    ASSERT_TRUE(page);
    struct {
        int spin;
        int maximum;
    } const spins[] = {{IDC_AUTOSTOP_HOURS_SPIN, 100},
                       {IDC_AUTOSTOP_MINUTES_SPIN, 59},
                       {IDC_AUTOSTOP_SECONDS_SPIN, 60}};
    for (const auto& s : spins) {
        const LRESULT range = ::SendMessageW(::GetDlgItem(page, s.spin), UDM_GETRANGE, 0, 0);
        EXPECT_EQ(HIWORD(range), 0) << s.spin;
        EXPECT_EQ(LOWORD(range), s.maximum) << s.spin;
    }
    Press(w, PSBTN_CANCEL);
}

namespace {

struct SavingCase {
    const char* name;
    bool visit;
    const wchar_t* hours;  // null: leave the field as shown
    const wchar_t* minutes;
    const wchar_t* seconds;
    bool tick;
    int button;
    DWORD savedTime;  // what the key holds afterwards
    DWORD savedFlag;
    int refreshes;
};

}  // namespace

TEST_F(OptionSheetTest, AutoStopPageSavesOnlyOnOkAfterAVisit)
{
    const SavingCase cases[] = {
        {"0 h 0 min 60 s saved", true, L"0", L"0", L"60", true, PSBTN_OK, 60, 1, 1},
        {"1 h 2 min 5 s saved, box cleared", true, L"1", L"2", L"5", false, PSBTN_OK, 3725, 0, 1},
        {"an empty field counts 0", true, L"", L"3", L"", true, PSBTN_OK, 180, 1, 1},
        {"cancel after typing", true, L"2", L"0", L"0", false, PSBTN_CANCEL, 4000, 1, 0},
        {"OK without visiting the tab", false, nullptr, nullptr, nullptr, true, PSBTN_OK, 4000, 1,
         0},
    };
    for (const SavingCase& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSetting(L"RecStopTime", 4000);
        WriteSetting(L"AutoStop", 1);
        host.refreshCalls = 0;
        HWND w = Open();
        ASSERT_TRUE(w);
        if (c.visit) {
            HWND page = ShowTab(w, 1);
            ASSERT_TRUE(page);
            ::SetDlgItemTextW(page, IDC_AUTOSTOP_HOURS, c.hours);
            ::SetDlgItemTextW(page, IDC_AUTOSTOP_MINUTES, c.minutes);
            ::SetDlgItemTextW(page, IDC_AUTOSTOP_SECONDS, c.seconds);
            ::SendMessageW(::GetDlgItem(page, IDC_AUTOSTOP_ENABLE), BM_SETCHECK,
                           c.tick ? BST_CHECKED : BST_UNCHECKED, 0);
        }
        Press(w, c.button);
        runner.reset();
        DWORD time = 0, flag = 0;
        EXPECT_TRUE(ReadSetting(L"RecStopTime", time));
        EXPECT_TRUE(ReadSetting(L"AutoStop", flag));
        EXPECT_EQ(time, c.savedTime);
        EXPECT_EQ(flag, c.savedFlag);
        EXPECT_EQ(host.refreshCalls, c.refreshes);
        if (c.button == PSBTN_OK && c.visit) {
            // What the next recording obeys.
            EXPECT_EQ(g_autoStop.seconds.load(), static_cast<int>(c.savedTime));
            EXPECT_EQ(g_autoStop.enabled.load(), static_cast<int>(c.savedFlag));
        }
    }
}

TEST_F(OptionSheetTest, AutoStopSetButtonFollowsTheBox)
{
    WriteSetting(L"AutoStop", 0);
    HWND w = Open();
    HWND page = ShowTab(w, 1);
    ASSERT_TRUE(page);
    HWND seconds = ::GetDlgItem(page, IDC_AUTOSTOP_SECONDS);
    EXPECT_FALSE(::IsWindowEnabled(seconds));
    // Ticking alone changes nothing; "설정" applies it.
    ::SendMessageW(::GetDlgItem(page, IDC_AUTOSTOP_ENABLE), BM_CLICK, 0, 0);
    EXPECT_FALSE(::IsWindowEnabled(seconds));
    ::SendMessageW(::GetDlgItem(page, IDC_AUTOSTOP_SET), BM_CLICK, 0, 0);
    EXPECT_TRUE(::IsWindowEnabled(seconds));
    ::SendMessageW(::GetDlgItem(page, IDC_AUTOSTOP_ENABLE), BM_CLICK, 0, 0);
    ::SendMessageW(::GetDlgItem(page, IDC_AUTOSTOP_SET), BM_CLICK, 0, 0);
    EXPECT_FALSE(::IsWindowEnabled(seconds));
    Press(w, PSBTN_CANCEL);
}

TEST(AutoStopTime, SplitAndJoin)
{
    struct {
        int seconds;
        StopTimeParts parts;
    } const cases[] = {{300, {0, 5, 0}},
                       {3725, {1, 2, 5}},
                       {60, {0, 1, 0}},
                       {0, {0, 0, 0}},
                       {360059, {100, 0, 59}}};
    for (const auto& c : cases) {
        const StopTimeParts p = SplitStopTime(c.seconds);
        EXPECT_EQ(p.hours, c.parts.hours) << c.seconds;
        EXPECT_EQ(p.minutes, c.parts.minutes) << c.seconds;
        EXPECT_EQ(p.seconds, c.parts.seconds) << c.seconds;
        EXPECT_EQ(JoinStopTime(p), c.seconds);
    }
    EXPECT_EQ(JoinStopTime({0, 0, 60}), 60);
    EXPECT_EQ(JoinStopTime({0, 90, 0}), 5400) << "out of range parts are summed as they are";
}

TEST_F(OptionSheetTest, AboutPageOpensTheHomePageFromItsAddressLine)
{
    HWND w = Open();
    HWND page = ShowTab(w, 2);
    ASSERT_TRUE(page);
    EXPECT_EQ(ItemText(page, IDC_OPTION_ABOUT_ADDRESS), kMakerHomePage);
    RECT line{};
    ASSERT_TRUE(WindowRectIn(::GetDlgItem(page, IDC_OPTION_ABOUT_ADDRESS), page, line));
    struct {
        POINT p;
        bool opens;
    } const cases[] = {
        {{72, 70}, true},
        {{254, 90}, true},
        {{(line.left + line.right) / 2, (line.top + line.bottom) / 2}, true},
        {{5, 5}, false},
        {{line.left + 2, line.bottom + 40}, false},
    };
    const COptionAboutDlg& about = sheet->aboutPage();
    for (const auto& c : cases) EXPECT_EQ(about.IsOnAddress(c.p), c.opens) << c.p.x << "," << c.p.y;
    Press(w, PSBTN_CANCEL);
}

TEST_F(OptionSheetTest, BothBannersShowTheMovieOfTheCurrentDirectory)
{
    wchar_t saved[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, saved);
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    // The build's program folder holds velto_banner2.bmp; the temporary folder does not.
    const struct {
        const char* name;
        std::wstring directory;
        bool shown;
    } cases[] = {{"beside the banner picture", ProgramFolder(), true}, {"without it", temp, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(::SetCurrentDirectoryW(c.directory.c_str()));
        HWND w = Open();
        ASSERT_TRUE(w);
        const struct {
            int tab;
            int banner;
        } banners[] = {{1, IDC_AUTOSTOP_BANNER}, {2, IDC_OPTION_ABOUT_BANNER}};
        for (const auto& b : banners) {
            HWND page = ShowTab(w, b.tab);
            HWND banner = ::GetDlgItem(page, b.banner);
            ASSERT_TRUE(banner) << "tab " << b.tab;
            EXPECT_EQ(::SendMessageW(banner, BNM_HASPICTURE, 0, 0) != FALSE, c.shown)
                << "tab " << b.tab;
        }
        Press(w, PSBTN_CANCEL);
        runner.reset();
    }
    ::SetCurrentDirectoryW(saved);
    std::string seen;
    for (const SeenDialog& d : watcher.Seen())
        seen += "[" + velto::WideToUtf8(d.caption) + "] " + velto::WideToUtf8(d.text) + "\n";
    EXPECT_TRUE(watcher.Seen().empty() || watcher.Seen()[0].caption == kSheetCaption) << seen;
}

// The recording-volume page end to end: the page on a scripted mixer layout (Wine's mixer has
// no recording line) or on Wine's real mixer, the test tone really played through wave-out,
// looped back by the null sink into wave-in and checked for clipping, and the wait box.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>

#include "common/Text.h"
#include "recorder/dialogs/OptionSheet.h"
#include "recorder/mixer/LevelCapture.h"
#include "recorder/mixer/WaveOutPlayer.h"
#include "recorder/res/resource.h"
#include "tests/mixer/Topologies.h"
#include "tests/options/SheetDriver.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/Tone.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr wchar_t kPleaseStopMusic[] =
    L"녹음에 알맞은 볼륨을 설정하기 위해 \n\n현재 재생중인 음악을 종료해 주시기 바랍니다.";
constexpr wchar_t kWaitText[] =
    L"최적의 녹음 환경을 \n\n자동 구축하고 있습니다.\n\n잠시만 기다려 주세요.";
constexpr DWORD kStereoMixVolume = 201;  // WaveInWithList: item 1's volume control
constexpr DWORD kWaveVolume = 0x50 + 1000;
constexpr DWORD kWaveMute = 0x50 + 2000;

HINSTANCE Instance()
{
    return ::GetModuleHandleW(nullptr);
}

// The wait box has no caption and only hidden OK and Cancel: it is the test's to close.
int AnswerMessageBoxes(const SeenDialog& d)
{
    if (d.caption == L"옵션 및 정보" || d.text.find(kWaitText) != std::wstring::npos) return 0;
    return DialogWatcher::DefaultAnswer(d);
}

// The null sink hears nothing while muted: then no tone ever clips.
class MutedSink {
public:
    MutedSink() { ok_ = RunUnixShell("pactl set-sink-mute speakers 1"); }
    ~MutedSink() { RunUnixShell("pactl set-sink-mute speakers 0"); }
    bool ok() const { return ok_; }

private:
    bool ok_ = false;
};

struct PageFixture : ::testing::Test {
    void SetUp() override { RunUnixShell("pactl set-sink-mute speakers 0"); }

    HWND OpenOn(MixerApi& mixer)
    {
        sheet = std::make_unique<COptionSheet>(Instance(), &host, mixer);
        COptionSheet* s = sheet.get();
        runner = std::make_unique<SheetThread>([s] { return s->DoModal(nullptr); });
        sheetWindow = runner->WaitForWindow(L"옵션 및 정보");
        page = sheetWindow ? PageWindow(sheetWindow, 0) : nullptr;
        return page;
    }

    void PressSetUp()
    {
        ::PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_MIXER_SETUP, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(page, IDC_MIXER_SETUP)));
    }

    // The wait box, once it is up.
    HWND WaitBox(DWORD timeoutMs = 10000)
    {
        const DWORD start = ::GetTickCount();
        while (::GetTickCount() - start < timeoutMs) {
            for (const SeenDialog& d : watcher.Seen())
                if (d.text == kWaitText && ::IsWindow(d.hwnd)) return d.hwnd;
            ::Sleep(20);
        }
        return nullptr;
    }

    // True once the wait box's "확인" is enabled: the set-up has finished.
    static bool WaitForConfirm(HWND box, DWORD timeoutMs)
    {
        const DWORD start = ::GetTickCount();
        while (::GetTickCount() - start < timeoutMs) {
            if (::IsWindowEnabled(::GetDlgItem(box, IDC_SETUP_WAIT_OK))) return true;
            ::Sleep(50);
        }
        return false;
    }

    int TrackbarVolume() const
    {
        return 65535 - static_cast<int>(
                           ::SendMessageW(::GetDlgItem(page, IDC_MIXER_VOLUME), TBM_GETPOS, 0, 0));
    }

    void CloseWaitBoxAndSheet(HWND box)
    {
        PressDialogButton(box, IDC_SETUP_WAIT_OK);
        const DWORD start = ::GetTickCount();
        while (::IsWindow(box) && ::GetTickCount() - start < 10000) ::Sleep(20);
        EXPECT_FALSE(::IsWindow(box)) << "확인 closes the wait box";
        ::PostMessageW(sheetWindow, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        EXPECT_TRUE(runner->WaitForEnd());
    }

    std::vector<DWORD> WritesTo(const FakeMixer& mixer, DWORD control) const
    {
        std::vector<DWORD> values;
        for (const auto& w : mixer.writes)
            if (w.controlId == control && !w.values.empty()) values.push_back(w.values[0]);
        return values;
    }

    DialogWatcher watcher{0, &AnswerMessageBoxes};
    CountingMainWindowOps host;
    std::unique_ptr<COptionSheet> sheet;
    std::unique_ptr<SheetThread> runner;
    HWND sheetWindow = nullptr;
    HWND page = nullptr;
};

}  // namespace

// How the page shows each kind of line when it opens.
TEST_F(PageFixture, ShowsTheRecordingLine)
{
    struct Case {
        const char* name;
        std::vector<FakeLine> layout;
        bool found;
        const wchar_t* lineName;
        const wchar_t* boxCaption;
        int volume;
        DWORD selectedControl;  // the control SetState(1) must write; 0: none
    };
    const Case cases[] = {
        {"select list with Stereo Mix",
         {Speakers({}), WaveInWithList({L"Mic", L"Stereo Mix"}, 0)},
         true,
         L"Stereo Mix",
         L"선택(WAVE)",
         11000,
         kSelectListId},
        {"no list: the playback wave line, muted",
         {Speakers({WaveOut(0x50, L"Wave", 20000, 1)}), WaveIn({})},
         true,
         L"Wave",
         L"음소거",
         20000,
         kWaveMute},
        {"no recording line",
         {Speakers({}), WaveInWithList({L"Mic", L"Line In"}, 0)},
         false,
         L"",
         L"선택(WAVE)",
         -1,
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMixer mixer;
        mixer.destinations = c.layout;
        ASSERT_TRUE(OpenOn(mixer));
        HWND trackbar = ::GetDlgItem(page, IDC_MIXER_VOLUME);
        EXPECT_EQ(::IsWindowEnabled(trackbar) != FALSE, c.found);
        EXPECT_EQ(::IsWindowEnabled(::GetDlgItem(page, IDC_MIXER_SELECT_WAVE)) != FALSE, c.found);
        EXPECT_EQ(ItemText(page, IDC_MIXER_LINE_NAME), c.lineName);
        EXPECT_EQ(ItemText(page, IDC_MIXER_SELECT_WAVE), c.boxCaption);
        if (c.found) {
            EXPECT_EQ(TrackbarVolume(), c.volume);
        }
        ::PostMessageW(sheetWindow, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
        ASSERT_TRUE(runner->WaitForEnd());
        runner.reset();
        if (c.selectedControl) {
            bool written = false;
            for (const auto& w : mixer.writes)
                written = written || w.controlId == c.selectedControl;
            EXPECT_TRUE(written) << "opening the page makes the line the recording source";
        }
        EXPECT_EQ(mixer.opens, mixer.closes);
    }
}

TEST_F(PageFixture, MovingTheTrackbarWritesTheVolumeAtOnce)
{
    FakeMixer mixer;
    mixer.destinations = {Speakers({}), WaveInWithList({L"Mic", L"Stereo Mix"}, 1)};
    ASSERT_TRUE(OpenOn(mixer));
    HWND trackbar = ::GetDlgItem(page, IDC_MIXER_VOLUME);
    for (int position : {0, 30000, 65535}) {
        ::SendMessageW(trackbar, TBM_SETPOS, TRUE, position);
        ::SendMessageW(page, WM_VSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
                       reinterpret_cast<LPARAM>(trackbar));
    }
    ::PostMessageW(sheetWindow, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    ASSERT_TRUE(runner->WaitForEnd());
    const std::vector<DWORD> expected = {65535, 35535, 0};
    EXPECT_EQ(WritesTo(mixer, kStereoMixVolume), expected);
}

// The tone at 22050 comes back through the sink loud enough to clip at once: the first check
// that hears it ends the set-up, and the volume is backed off to the floor.
TEST_F(PageFixture, AutomaticSetUpStopsAtTheFirstClipping)
{
    FakeMixer mixer;
    mixer.destinations = {Speakers({}), WaveInWithList({L"Mic", L"Stereo Mix"}, 1)};
    ASSERT_TRUE(OpenOn(mixer));
    PressSetUp();
    HWND box = WaitBox();
    ASSERT_TRUE(box) << "the wait box comes up with the first clipping check";
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(box, IDC_SETUP_WAIT_OK)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_MIXER_SETUP)));
    ASSERT_TRUE(WaitForConfirm(box, 40000));

    const std::vector<DWORD> volumes = WritesTo(mixer, kStereoMixVolume);
    ASSERT_FALSE(volumes.empty());
    EXPECT_EQ(volumes.back(), 4587u);
    // The tone plays from the first raising step on; it clips within a step or two of it.
    EXPECT_LE(volumes.size(), 4u);
    EXPECT_EQ(TrackbarVolume(), 4587);
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page, IDC_MIXER_SETUP)));
    EXPECT_FALSE(g_testTone.playing());
    EXPECT_FALSE(g_levelCapture.capturing());
    EXPECT_EQ(CWaveOutPlayer::LiveFeederThreads(), 0);
    EXPECT_EQ(host.volumeControlCalls, 1);
    EXPECT_TRUE(watcher.WaitFor(kPleaseStopMusic, 1000));
    CloseWaitBoxAndSheet(box);
    for (const SeenDialog& d : watcher.Seen())
        if (d.caption != L"옵션 및 정보" && d.text != kWaitText && d.text != kPleaseStopMusic)
            ADD_FAILURE() << "unexpected box: " << WideToUtf8(d.caption) << ": "
                          << WideToUtf8(d.text);
}

// Nothing clips when the sink is muted: the set-up raises the volume 25 times, to 32750, and
// ends by itself; meanwhile Esc and Alt+F4 cannot close the wait box.
TEST_F(PageFixture, AutomaticSetUpWithoutClippingEndsAtTheCeiling)
{
    MutedSink muted;
    ASSERT_TRUE(muted.ok());
    FakeMixer mixer;
    mixer.destinations = {Speakers({}), WaveInWithList({L"Mic", L"Stereo Mix"}, 1)};
    ASSERT_TRUE(OpenOn(mixer));
    PressSetUp();
    HWND box = WaitBox();
    ASSERT_TRUE(box);
    ::PostMessageW(box, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    ::PostMessageW(box, WM_SYSKEYDOWN, VK_F4, 0x203E0001);  // with Alt held
    ::Sleep(500);
    EXPECT_TRUE(::IsWindow(box)) << "Esc and Alt+F4 are swallowed";
    ASSERT_TRUE(WaitForConfirm(box, 60000));

    const std::vector<DWORD> volumes = WritesTo(mixer, kStereoMixVolume);
    ASSERT_EQ(volumes.size(), 25u);
    for (size_t i = 0; i < volumes.size(); ++i) EXPECT_EQ(volumes[i], 1310u * (i + 1));
    EXPECT_EQ(TrackbarVolume(), 32750);
    EXPECT_FALSE(g_testTone.playing());
    EXPECT_FALSE(g_levelCapture.capturing());
    CloseWaitBoxAndSheet(box);
}

// Wine's own mixer has no recording line: the trackbar is disabled, the user is told, and the
// set-up still runs (and still hears its tone clip through the sink).
TEST_F(PageFixture, WithoutARecordingLineThePageStillRuns)
{
    ASSERT_TRUE(OpenOn(SystemMixer()));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_MIXER_VOLUME)));
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_MIXER_SELECT_WAVE)));
    EXPECT_EQ(ItemText(page, IDC_MIXER_LINE_NAME), L"");
    PressSetUp();
    EXPECT_TRUE(watcher.WaitFor(L"녹음컨트롤 실패 (01)", 10000));
    HWND box = WaitBox();
    ASSERT_TRUE(box);
    ASSERT_TRUE(WaitForConfirm(box, 40000));
    EXPECT_EQ(host.volumeControlCalls, 1);
    EXPECT_FALSE(g_testTone.playing());
    CloseWaitBoxAndSheet(box);
    for (const SeenDialog& d : watcher.Seen())
        if (d.caption == L"VeltoRecorder" && d.text == L"녹음컨트롤 실패 (01)") return;
    ADD_FAILURE() << "the failure box has the application's caption";
}

TEST(VolumeControl, TakesTheFirstCandidateThatExists)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring root =
        std::wstring(temp) + L"velto-windir-" + std::to_wstring(::GetCurrentProcessId());
    struct {
        const char* name;
        std::vector<std::wstring> present;  // folders (under the Windows folder) holding it
        std::wstring expected;              // folder whose copy is taken; "-" for none
    } const cases[] = {
        {"none", {}, L"-"},
        {"only under system", {L"\\system"}, L"\\system"},
        {"system32 before system", {L"\\system", L"\\system32"}, L"\\system32"},
        {"the Windows folder first", {L"\\system32", L""}, L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const wchar_t* sub : {L"", L"\\system32", L"\\system"}) {
            ::CreateDirectoryW((root + sub).c_str(), nullptr);
            ::DeleteFileW((root + sub + L"\\sndvol32.exe").c_str());
        }
        for (const std::wstring& sub : c.present) {
            HANDLE f = ::CreateFileW((root + sub + L"\\sndvol32.exe").c_str(), GENERIC_WRITE, 0,
                                     nullptr, CREATE_ALWAYS, 0, nullptr);
            ::CloseHandle(f);
        }
        const std::wstring found = FindVolumeControl(root);
        EXPECT_EQ(found, c.expected == L"-" ? L"" : root + c.expected + L"\\sndvol32.exe");
    }
    for (const wchar_t* sub : {L"\\system32", L"\\system", L""}) {
        ::DeleteFileW((root + sub + L"\\sndvol32.exe").c_str());
        ::RemoveDirectoryW((root + sub).c_str());
    }
}

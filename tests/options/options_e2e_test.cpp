// The options sheet in the real VeltoRecorder.exe, opened with its options button: its tabs,
// an auto-stop time set on its page that the next recording obeys, and the automatic level
// set-up run from the program on Wine's own mixer (no recording line) with the tone looped
// back through the null sink.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/Text.h"
#include "recorder/res/resource.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/Tone.h"
#include "tests/support/UiDriver.h"

using namespace velto::test;

namespace {

constexpr POINT kOptionsButton{283, 87};
constexpr POINT kRecordButton{32, 115};
constexpr wchar_t kSheetCaption[] = L"옵션 및 정보";
constexpr wchar_t kWaitText[] =
    L"최적의 녹음 환경을 \n\n자동 구축하고 있습니다.\n\n잠시만 기다려 주세요.";

// The sheet and the wait box are the test's to drive; other boxes get their first button.
int AnswerBoxes(const SeenDialog& d)
{
    if (d.caption == kSheetCaption || d.text == kWaitText) return 0;
    return DialogWatcher::DefaultAnswer(d);
}

// The tab labels of a sheet in another process: the item records must live in its memory.
std::vector<std::wstring> RemoteTabLabels(HWND sheet, DWORD pid)
{
    std::vector<std::wstring> labels;
    HWND tab = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
    HANDLE process =
        ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!tab || !process) return labels;
    constexpr int kChars = 128;
    const SIZE_T bytes = sizeof(TCITEMW) + kChars * sizeof(wchar_t);
    auto* remote = static_cast<BYTE*>(
        ::VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    const int n = static_cast<int>(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; remote && i < n; ++i) {
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = reinterpret_cast<wchar_t*>(remote + sizeof(TCITEMW));
        item.cchTextMax = kChars;
        ::WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
        ::SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(remote));
        wchar_t text[kChars] = {};
        ::ReadProcessMemory(process, remote + sizeof(TCITEMW), text, sizeof text - 2, nullptr);
        labels.emplace_back(text);
    }
    if (remote) ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    ::CloseHandle(process);
    return labels;
}

bool StartsWith(const std::wstring& s, const std::wstring& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

class OptionsInTheProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"velto-options-" +
                  std::to_wstring(::GetCurrentProcessId()) + L"\\";
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        DeleteRecorderSettings();
        SetRecorderString(L"SavePath", folder_);
        RunUnixShell("pactl set-sink-mute speakers 0");
    }
    void TearDown() override
    {
        p_.Terminate();
        DeleteRecorderSettings();
        ::DeleteFileW((folder_ + L"Noname.mp3").c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }

    // Presses the options button and returns the sheet once it is up. A press that opens
    // nothing is described in missed_ (with a screenshot) and made once more, as a user would.
    HWND OpenSheet(DialogWatcher& boxes)
    {
        const POINT at = p_.ToScreen(kOptionsButton);
        HWND sheet = nullptr;
        auto sheetUp = [&] {
            for (const SeenDialog& d : boxes.Seen())
                if (d.caption == kSheetCaption && ::IsWindow(d.hwnd)) sheet = d.hwnd;
            return sheet != nullptr;
        };
        mouse::LeftClick(at);
        if (WaitUntil(sheetUp, 10000)) return sheet;
        missed_ = "the options button opened nothing: " + DescribeClickTarget(p_, at) +
                  "; status: " + velto::WideToUtf8(StatusText(p_.window()));
        for (const SeenDialog& d : boxes.Seen())
            missed_ +=
                "; box \"" + velto::WideToUtf8(d.caption) + "\": " + velto::WideToUtf8(d.text);
        SaveScreenshot(VELTO_ARTIFACTS "/options-button-missed.png");
        std::printf("%s\n", missed_.c_str());
        if (::IsWindowEnabled(p_.window())) {
            mouse::LeftClick(at);
            WaitUntil(sheetUp, 10000);
        }
        return sheet;
    }
    HWND ShowTab(HWND sheet, int index)
    {
        ::SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
        return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    }
    bool PressAndWaitForClose(HWND sheet, int button)
    {
        ::PostMessageW(sheet, PSM_PRESSBUTTON, static_cast<WPARAM>(button), 0);
        return WaitUntil([&] { return !::IsWindow(sheet); }, 10000) &&
               WaitUntil([&] { return ::IsWindowEnabled(p_.window()) != FALSE; }, 5000);
    }

    std::wstring folder_;
    std::string missed_;
    RecorderProcess p_;
};

}  // namespace

TEST_F(OptionsInTheProgram, AutoStopSetOnThePageStopsTheNextRecording)
{
    SetRecorderDword(L"AutoStop", 0);
    SetRecorderDword(L"RecStopTime", 600);
    TonePlayer tone(1000.0, 8000.0, 60.0);
    ASSERT_TRUE(tone.ok());
    ASSERT_TRUE(p_.Start());
    DialogWatcher boxes(p_.pid(), &AnswerBoxes);

    HWND sheet = OpenSheet(boxes);
    ASSERT_TRUE(sheet) << missed_;
    const std::vector<std::wstring> tabs = {L"볼륨조절옵션", L"자동정지", L"벨토레코더정보"};
    EXPECT_EQ(RemoteTabLabels(sheet, p_.pid()), tabs);
    SaveScreenshot(VELTO_ARTIFACTS "/options-volume-page.png");

    HWND page = ShowTab(sheet, 1);
    ASSERT_TRUE(page);
    SaveScreenshot(VELTO_ARTIFACTS "/options-autostop-page.png");
    EXPECT_EQ(ChildText(page, IDC_AUTOSTOP_MINUTES), L"10");
    ::SendMessageW(::GetDlgItem(page, IDC_AUTOSTOP_ENABLE), BM_SETCHECK, BST_CHECKED, 0);
    ::SetDlgItemTextW(page, IDC_AUTOSTOP_HOURS, L"0");
    ::SetDlgItemTextW(page, IDC_AUTOSTOP_MINUTES, L"0");
    ::SetDlgItemTextW(page, IDC_AUTOSTOP_SECONDS, L"3");
    ASSERT_TRUE(PressAndWaitForClose(sheet, PSBTN_OK));
    DWORD seconds = 0, flag = 0;
    EXPECT_TRUE(ReadRecorderDword(L"RecStopTime", &seconds));
    EXPECT_TRUE(ReadRecorderDword(L"AutoStop", &flag));
    EXPECT_EQ(seconds, 3u);
    EXPECT_EQ(flag, 1u);

    // The next recording stops by itself after those 3 seconds.
    const std::wstring file = folder_ + L"Noname.mp3";
    ASSERT_TRUE(WaitUntil([&] { return PathBoxText(p_.window()) == file; }, 10000));
    mouse::LeftClick(p_.ToScreen(kRecordButton));
    ASSERT_TRUE(WaitUntil(
        [&] { return StartsWith(StatusText(p_.window()), L"Recording Complete " + file); }, 30000))
        << "status: " << velto::WideToUtf8(StatusText(p_.window()));
    RunUnixShell("ffprobe -v error -show_entries format=duration -of csv=p=0 '" + UnixPath(file) +
                 "' > '" + UnixPath(file) + ".len'");
    FILE* f = _wfopen((file + L".len").c_str(), L"r");
    double length = 0;
    if (f) {
        if (std::fscanf(f, "%lf", &length) != 1) length = 0;
        std::fclose(f);
    }
    ::DeleteFileW((file + L".len").c_str());
    EXPECT_NEAR(length, 3.0, 0.2);
}

TEST_F(OptionsInTheProgram, AutomaticSetUpRunsOnWinesOwnMixer)
{
    ASSERT_TRUE(p_.Start());
    DialogWatcher boxes(p_.pid(), &AnswerBoxes);
    HWND sheet = OpenSheet(boxes);
    ASSERT_TRUE(sheet) << missed_;
    HWND page = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    ASSERT_TRUE(page);
    // No recording line under Wine: the trackbar cannot be used, the set-up still can.
    EXPECT_FALSE(::IsWindowEnabled(::GetDlgItem(page, IDC_MIXER_VOLUME)));
    ::PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_MIXER_SETUP, BN_CLICKED),
                   reinterpret_cast<LPARAM>(::GetDlgItem(page, IDC_MIXER_SETUP)));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const SeenDialog& d : boxes.Seen())
                if (d.text == kWaitText && ::IsWindow(d.hwnd)) box = d.hwnd;
            return box != nullptr;
        },
        15000));
    // The tone comes back through the sink loud enough to clip: the set-up ends early.
    ASSERT_TRUE(WaitUntil(
        [&] { return ::IsWindowEnabled(::GetDlgItem(box, IDC_SETUP_WAIT_OK)) != FALSE; }, 40000));
    PressDialogButton(box, IDC_SETUP_WAIT_OK);
    ASSERT_TRUE(WaitUntil([&] { return !::IsWindow(box); }, 5000));
    EXPECT_TRUE(::IsWindowEnabled(::GetDlgItem(page, IDC_MIXER_SETUP)));
    ASSERT_TRUE(PressAndWaitForClose(sheet, PSBTN_CANCEL));

    // The user was told that there is no recording line.
    bool toldNoLine = false;
    for (const SeenDialog& d : boxes.Seen())
        if (d.caption == L"VeltoRecorder" && d.text == L"녹음컨트롤 실패 (01)") toldNoLine = true;
    EXPECT_TRUE(toldNoLine);
    // The program goes on: its close button still ends it.
    mouse::LeftClick(p_.ToScreen({291, 10}));
    EXPECT_TRUE(p_.WaitForExit(15000));
}

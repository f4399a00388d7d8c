// Every outside DLL missing in turn from a copy of the installation: the real program still
// comes up, the action that needs the missing library says exactly what it must (or, where
// the program has nothing to say, nothing at all), and the window stays usable and closes
// normally.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/Text.h"
#include "recorder/recording/Presets.h"
#include "tests/hardening/Installation.h"
#include "tests/support/UiDriver.h"

namespace velto::test {
namespace {

constexpr int kSeconds = 3;
// Long enough for a three-second recording to show its first second, however slow the start.
constexpr DWORD kPlayPatience = 20000;
// How long a play that cannot start is watched for a second that must not come.
constexpr DWORD kNoPlayWatch = 4000;

enum class Action {
    RecordMp3,          // record with the MP3 encoder
    RecordWma,          // record with the WMA writer
    RecordAndPlay,      // record an MP3, then play it back through the player library
    StartWithoutArgs,   // a start as the user's shortcut makes it: the update hand-over
};

struct Box {
    const wchar_t* caption;
    const wchar_t* text;
};

struct Row {
    const char* missing;
    std::vector<std::wstring> leaveOut;
    bool notice;          // the notice library's popup shows at start
    Box startBox;         // said at start ({} for nothing)
    Action action;
    Box actionBox;        // said by the action ({} for nothing)
    bool plays = false;   // RecordAndPlay: the recording is heard
};

const Row kRows[] = {
    {"nothing", {}, true, {}, Action::RecordAndPlay, {}, true},
    {"lame_enc.dll", {L"lame_enc.dll"}, true, {}, Action::RecordMp3,
     {L"Error", L"Error loading lame_enc.DLL"}},
    {"WmAudSDK.dll", {L"WmAudSDK.dll"}, true, {}, Action::RecordWma,
     {L"VeltoRecorder", L"Could not found WmAudSDK.DLL file"}},
    // Without the player there is no notice step either, and a play does nothing.
    {"Ravelplay.dll", {L"Ravelplay.dll"}, false, {}, Action::RecordAndPlay, {}, false},
    {"the Plugins folder", {L"Plugins"}, true, {}, Action::RecordAndPlay, {}, false},
    {"the input plug-ins", {L"Plugins\\in_*.dll"}, true, {}, Action::RecordAndPlay, {}, false},
    {"out_wave.dll", {L"Plugins\\out_wave.dll"}, true, {}, Action::RecordAndPlay, {}, false},
    {"Bivnote.dll", {L"Bivnote.dll"}, false, {L"VeltoRecorder", L"없음002"},
     Action::RecordAndPlay, {}, true},
    {"Updater.exe", {L"Updater.exe"}, true, {}, Action::StartWithoutArgs, {}},
    {"Renovo.dll", {L"Renovo.dll"}, true, {}, Action::StartWithoutArgs,
     {L"Updater", L"Cannot found RENOVO.DLL"}},
};

std::string Narrow(const std::wstring& s)
{
    return WideToUtf8(s);
}

std::string Describe(const std::vector<SeenDialog>& boxes)
{
    std::string all;
    for (const auto& b : boxes) all += "[" + Narrow(b.caption) + "] " + Narrow(b.text) + "\n";
    return all.empty() ? "(nothing)\n" : all;
}

void ExpectSaid(const std::vector<SeenDialog>& boxes, const Box& box)
{
    if (!box.text) {
        EXPECT_TRUE(boxes.empty()) << Describe(boxes);
        return;
    }
    ASSERT_EQ(1u, boxes.size()) << Describe(boxes);
    EXPECT_EQ(box.caption, boxes[0].caption);
    EXPECT_EQ(box.text, boxes[0].text);
}

// A recording that could not start leaves the window as it was before: nothing on the
// status line claims a recording.
void ExpectIdleAgain(const RunningCopy& program)
{
    EXPECT_TRUE(WaitUntil([&] { return StatusText(program.window()) == L"VeltoRecorder v1.02"; },
                          kInstallationPatience))
        << Narrow(StatusText(program.window()));
}

int RecordTypeOf(Action action)
{
    return action == Action::RecordWma ? kRecordWma : kRecordMp3;
}

class MissingDllTest : public testing::Test {
protected:
    void TearDown() override { DeleteRecorderSettings(); }

    // The window comes up, the start-up says what the row expects, then the action runs.
    void RunWithCommandLine(const Row& row, const InstalledCopy& copy)
    {
        TempFolder recordings(UniqueTempName(L"velto-missing-recordings"));
        PrepareRecorderSettings(recordings.path(), RecordTypeOf(row.action), kSeconds);
        RunningCopy program(copy.Program(), L"/run");
        ASSERT_TRUE(program.WaitForWindow()) << "no window";
        ASSERT_TRUE(program.WaitForStartToFinish(row.notice, row.startBox.text))
            << Describe(program.boxes().Seen());
        ExpectSaid(program.boxes().Seen(), row.startBox);
        const size_t atStart = program.boxes().Seen().size();

        const std::wstring extension = row.action == Action::RecordWma ? L".wma" : L".mp3";
        const std::wstring file = recordings.File(L"Noname" + extension);
        switch (row.action) {
            case Action::RecordMp3: {
                program.Click(face::kRecordButton);
                ASSERT_TRUE(program.boxes().WaitFor(row.actionBox.text, kInstallationPatience))
                    << Describe(program.boxes().Seen());
                // The file the user named is left behind, empty.
                EXPECT_EQ("", ReadFileString(file));
                EXPECT_NE(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(file.c_str()));
                ExpectIdleAgain(program);
                break;
            }
            case Action::RecordWma:
                program.Click(face::kRecordButton);
                ASSERT_TRUE(program.boxes().WaitFor(row.actionBox.text, kInstallationPatience))
                    << Describe(program.boxes().Seen());
                EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW(file.c_str()));
                ExpectIdleAgain(program);
                break;
            case Action::RecordAndPlay: {
                ASSERT_EQ(file, program.RecordUntilAutoStop(file))
                    << Narrow(StatusText(program.window()));
                const bool shown = program.PlayShowsTime(row.plays ? kPlayPatience : kNoPlayWatch);
                EXPECT_EQ(row.plays, shown);
                if (row.plays) {
                    // Back to 00:00:00 once the recording has been played to its end.
                    TimeDisplayReader time;
                    EXPECT_TRUE(
                        WaitUntil([&] { return time.ReadSeconds(program.window()) == 0; },
                                  kPlayPatience));
                }
                break;
            }
            case Action::StartWithoutArgs: break;
        }
        EXPECT_TRUE(program.Responsive());
        // A window that still thought it was recording would ask before closing.
        EXPECT_TRUE(program.CloseCleanly());
        std::vector<SeenDialog> said = program.boxes().Seen();
        said.erase(said.begin(), said.begin() + static_cast<long>(atStart));
        std::printf("  the program said: %s", Describe(program.boxes().Seen()).c_str());
        ExpectSaid(said, row.action == Action::StartWithoutArgs ? Box{} : row.actionBox);
    }

    // The start a shortcut makes hands over to the Updater; the program's own window never
    // comes up in that process.
    void RunWithoutCommandLine(const Row& row, const InstalledCopy& copy)
    {
        DeleteRecorderSettings();
        RunningCopy program(copy.Program(), L"");
        ASSERT_TRUE(program.started());
        EXPECT_TRUE(WaitForExit(program.process(), kInstallationPatience));
        EXPECT_EQ(nullptr, FindProcessWindow(L"VeltoRecorder", program.pid()));
        EXPECT_TRUE(program.boxes().Seen().empty()) << Describe(program.boxes().Seen());
        if (!row.actionBox.text) return;

        // The Updater tells the user and ends.
        const DWORD updaterPid =
            WaitForProcessOf(copy.folder() + L"Updater.exe", kInstallationPatience);
        ASSERT_NE(0u, updaterPid) << "the Updater was not started";
        UniqueHandle updater(::OpenProcess(SYNCHRONIZE, FALSE, updaterPid));
        DialogWatcher boxes(updaterPid);
        EXPECT_TRUE(boxes.WaitFor(row.actionBox.text, kInstallationPatience));
        EXPECT_TRUE(updater && ::WaitForSingleObject(updater.get(), kInstallationPatience) ==
                                   WAIT_OBJECT_0);
        std::printf("  the Updater said: %s", Describe(boxes.Seen()).c_str());
        ExpectSaid(boxes.Seen(), row.actionBox);
    }
};

TEST_F(MissingDllTest, EachOutsideDllMissingInTurn)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(std::string("missing: ") + row.missing);
        std::printf("missing: %s\n", row.missing);
        InstalledCopy copy(row.leaveOut);
        ASSERT_TRUE(copy.ok());
        for (const auto& name : row.leaveOut) {
            if (name.find(L'*') == std::wstring::npos) {
                ASSERT_FALSE(copy.Has(name));
            }
        }
        if (row.action == Action::StartWithoutArgs) {
            RunWithoutCommandLine(row, copy);
        }
        // Started as the update library starts it, the program needs neither the Updater
        // nor the update library.
        RunWithCommandLine(row, copy);
    }
}

}  // namespace
}  // namespace velto::test

// The recorder program started for real: the single-instance guard, the hand-over to the
// Updater, and the settings' cycle from start to close.
#include <gtest/gtest.h>

#include "recorder/update/LaunchUpdater.h"
#include "tests/app/RegistryFixture.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/Programs.h"
#include "tests/support/UiDriver.h"

namespace velto::test {
namespace {

constexpr DWORD kTimeoutMs = 30000;

// A started recorder whose message boxes are answered, closed and waited for at the end.
class RunningRecorder {
public:
    RunningRecorder(const std::wstring& program, const std::wstring& arguments)
        : process_(StartProgram(program, arguments)), watcher_(process_.pid)
    {
    }
    ~RunningRecorder() { KillIfRunning(process_); }

    HWND WaitForWindow()
    {
        return WaitForProcessWindow(L"VeltoRecorder", process_.pid, kTimeoutMs);
    }
    // With the skin's close button, like a user: the close command saves the placement,
    // which a plain WM_CLOSE (like Alt+F4) skips.
    bool Close()
    {
        HWND window = FindProcessWindow(L"VeltoRecorder", process_.pid);
        if (window) {
            POINT button{291, 10};
            ::ClientToScreen(window, &button);
            mouse::LeftClick(button);
        }
        return window && WaitForExit(process_, kTimeoutMs);
    }
    bool Ended(DWORD timeoutMs) { return WaitForExit(process_, timeoutMs); }
    const DialogWatcher& watcher() const { return watcher_; }
    const Process& process() const { return process_; }

private:
    Process process_;
    DialogWatcher watcher_;
};

class StartupTest : public testing::Test {
protected:
    void SetUp() override { DeleteSettingsKey(); }
    void TearDown() override { DeleteSettingsKey(); }
    const std::wstring recorder_ = BinFolder() + L"VeltoRecorder.exe";
};

TEST_F(StartupTest, TheFirstRunWipesOldSettingsAndTheCloseWritesThemBack)
{
    PutString(L"SavePath", L"e:\\old\\");
    PutString(L"NoName", L"old");
    PutInt(L"RecordType", 2);
    PutInt(L"RecStopTime", 77);
    {
        RunningRecorder run(recorder_, L"/run");
        ASSERT_NE(nullptr, run.WaitForWindow());
        // Between start and close the key holds only the first-run mark.
        EXPECT_EQ(1, GetInt(L"install"));
        EXPECT_FALSE(GetRaw(L"SavePath"));
        ASSERT_TRUE(run.Close());
    }
    EXPECT_EQ(1, GetInt(L"install"));
    EXPECT_EQ(L"c:\\", GetString(L"SavePath"));
    EXPECT_EQ(L"Noname", GetString(L"NoName"));
    EXPECT_EQ(1, GetInt(L"RecordType"));
    EXPECT_EQ(6, GetInt(L"SelQuality"));
    EXPECT_EQ(300, GetInt(L"RecStopTime"));
    EXPECT_EQ(1, GetInt(L"AutoStop"));
    auto placement = GetRaw(L"VeltoRecorder");
    ASSERT_TRUE(placement);
    EXPECT_EQ(44u, placement->data.size());
}

TEST_F(StartupTest, ALaterRunKeepsTheSettingsAndRepairsWhatCannotBeRight)
{
    PutInt(L"install", 1);
    PutString(L"SavePath", L"d:\\녹음\\");
    PutInt(L"RecordType", 9);
    PutInt(L"SelQuality", 3);
    PutInt(L"RecStopTime", 0);
    PutInt(L"AutoStop", 0);
    // A placement of the wrong size is ignored, not applied.
    const BYTE junk[10] = {};
    PutRaw(L"VeltoRecorder", REG_BINARY, junk, sizeof junk);
    {
        RunningRecorder run(recorder_, L"/run");
        HWND window = run.WaitForWindow();
        ASSERT_NE(nullptr, window);
        RECT rc;
        ::GetWindowRect(window, &rc);
        EXPECT_EQ(100, rc.left);
        EXPECT_EQ(50, rc.top);
        ASSERT_TRUE(run.Close());
    }
    EXPECT_EQ(L"d:\\녹음\\", GetString(L"SavePath"));
    EXPECT_EQ(0, GetInt(L"RecordType"));
    EXPECT_EQ(11, GetInt(L"SelQuality"));
    EXPECT_EQ(300, GetInt(L"RecStopTime"));
    EXPECT_EQ(0, GetInt(L"AutoStop"));
}

TEST_F(StartupTest, ASecondCopyIsTurnedAwayAndTheFirstRunsOn)
{
    RunningRecorder first(recorder_, L"/run");
    HWND window = first.WaitForWindow();
    ASSERT_NE(nullptr, window);

    RunningRecorder second(recorder_, L"/run");
    EXPECT_TRUE(second.watcher().WaitFor(L"지금 실행중입니다..", kTimeoutMs));
    EXPECT_TRUE(second.Ended(kTimeoutMs));
    ASSERT_EQ(1u, second.watcher().Seen().size());
    EXPECT_EQ(L"VeltoRecorder", second.watcher().Seen()[0].caption);
    EXPECT_EQ(L"지금 실행중입니다..", second.watcher().Seen()[0].text);

    // The first copy is neither ended nor changed.
    EXPECT_TRUE(::IsWindow(window));
    EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT),
              ::WaitForSingleObject(first.process().handle.get(), 0));
    EXPECT_TRUE(first.watcher().Seen().empty());
    EXPECT_TRUE(first.Close());
}

TEST_F(StartupTest, TheAboutCommandShowsTheAboutBox)
{
    RunningRecorder run(recorder_, L"/run");
    HWND window = run.WaitForWindow();
    ASSERT_NE(nullptr, window);
    ::PostMessageW(window, WM_COMMAND, 57664, 0);
    EXPECT_TRUE(run.watcher().WaitFor(L"VeltoRecorder Version 1.02 ", kTimeoutMs));
    ASSERT_EQ(1u, run.watcher().Seen().size());
    EXPECT_EQ(L"VeltoRecorder 정보", run.watcher().Seen()[0].caption);
    EXPECT_TRUE(run.Close());
}

// The hand-over runs from a private copy of the program folder, with a probe as Updater.exe.
class HandOverTest : public StartupTest {
protected:
    void SetUp() override
    {
        StartupTest::SetUp();
        ASSERT_TRUE(CopyProgram(L"VeltoRecorder.exe", folder_.File(L"VeltoRecorder.exe")));
    }
    void PlaceUpdater()
    {
        ASSERT_TRUE(CopyProgram(L"launch_probe.exe", folder_.File(L"Updater.exe")));
    }
    std::wstring Updater() const { return folder_.File(L"Updater.exe"); }
    TempFolder folder_{UniqueTempName(L"velto-startup")};
};

TEST_F(HandOverTest, APlainStartStartsTheUpdaterInTheProgramFolderAndEnds)
{
    PlaceUpdater();
    RunningRecorder run(folder_.File(L"VeltoRecorder.exe"), L"");
    EXPECT_TRUE(run.Ended(kTimeoutMs));
    ASSERT_TRUE(WaitForProbeStarts(Updater(), 1, kTimeoutMs));
    const auto starts = ReadProbeStarts(Updater());
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(std::wstring(kUpdateListAddress) + L"@@kestrel Auto Updater##VRVersion.dll$$3",
              starts[0].arguments);
    std::wstring folder = folder_.path();
    folder.pop_back();
    EXPECT_EQ(0, _wcsicmp(folder.c_str(), starts[0].directory.c_str())) << starts[0].directory;
    // It ended before touching any setting, and said nothing.
    EXPECT_FALSE(SettingsKeyExists());
    EXPECT_TRUE(run.watcher().Seen().empty());
}

TEST_F(HandOverTest, APlainStartWithoutTheUpdaterEndsSilently)
{
    RunningRecorder run(folder_.File(L"VeltoRecorder.exe"), L"");
    EXPECT_TRUE(run.Ended(kTimeoutMs));
    EXPECT_FALSE(SettingsKeyExists());
    EXPECT_TRUE(run.watcher().Seen().empty());
    EXPECT_EQ(nullptr, FindProcessWindow(L"VeltoRecorder", run.process().pid));
}

TEST_F(HandOverTest, AnyCommandLineSkipsTheUpdater)
{
    PlaceUpdater();
    for (const wchar_t* arguments : {L"/run", L"x", L"\"d:\\some file.mp3\""}) {
        SCOPED_TRACE(testing::Message() << arguments);
        RunningRecorder run(folder_.File(L"VeltoRecorder.exe"), arguments);
        ASSERT_NE(nullptr, run.WaitForWindow());
        EXPECT_TRUE(run.Close());
    }
    EXPECT_TRUE(ReadProbeStarts(Updater()).empty());
}

}  // namespace
}  // namespace velto::test

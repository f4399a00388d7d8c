// The window the plug-ins are given as hMainWindow: the WM_WA_IPC questions Winamp 2 era
// plug-ins ask it (from Init, from Play, and from a thread of theirs while the caller's thread
// waits), what it passes on to the caller's window, and when it goes. And the plug-ins' life:
// Init once per load, Quit once at release.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <string>

#include "common/Text.h"
#include "player/PlayerEngine.h"
#include "tests/player/PlayerTestSupport.h"

using namespace velto;
using namespace velto::test;

namespace {

struct Rig {
    Rig()
    {
        in = folder.AddInput(L"in_a.dll", "mp3");
        out = folder.AddOutput(L"out_a.dll");
    }
    void Discover()
    {
        engine.InitInputPlugins(window.hwnd(), folder.ansi().c_str());
        engine.InitOutputPlugins(window.hwnd(), folder.ansi().c_str());
        engine.SetCurrentOutPlugin("out_a.dll");
    }

    PluginFolder folder;
    MessageWindow window;
    InputScript* in = nullptr;
    OutputScript* out = nullptr;
    PlayerEngine engine{TickTimer::Mode::Manual};
};

std::wstring UserSettingsFolder()
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path)))
        return {};
    return std::wstring(path) + L"\\VeltoRecorder";
}

std::wstring LongPath(const std::string& ansi)
{
    const std::wstring wide = AnsiToWide(ansi);
    wchar_t path[MAX_PATH] = {};
    return ::GetLongPathNameW(wide.c_str(), path, MAX_PATH) ? path : wide;
}

struct AskCase {
    const char* name;
    FixtureAskAt at;
};

class HostQuestions : public ::testing::TestWithParam<AskCase> {};

TEST_P(HostQuestions, AreAnsweredAsAWinamp295Would)
{
    Rig rig;
    rig.in->askHost = GetParam().at;
    rig.Discover();
    if (GetParam().at != kAskInInit) {
        ASSERT_EQ(rig.engine.Play("C:\\music\\song.mp3", 255, 0), 1);
    }

    const HostAnswers& a = rig.in->answers;
    ASSERT_EQ(a.asked, 1);
    EXPECT_EQ(a.answered, 1) << "a question went unanswered";
    EXPECT_EQ(a.version, 0x2095);
    EXPECT_EQ(a.apiService, 0) << "no services are offered";
    EXPECT_EQ(a.unknownQuery, 0);

    const std::wstring folder = UserSettingsFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(std::wstring(a.iniDirectoryW), folder);
    EXPECT_EQ(std::wstring(a.iniFileW), folder + L"\\plugins.ini");
    // The ANSI answers name the same place, and the folder is there to write in.
    EXPECT_EQ(a.iniDirectoryExists, 1) << a.iniDirectory;
    EXPECT_EQ(::lstrcmpiW(LongPath(a.iniDirectory).c_str(), folder.c_str()), 0) << a.iniDirectory;
    EXPECT_EQ(std::string(a.iniFile), std::string(a.iniDirectory) + "\\plugins.ini");
}

INSTANTIATE_TEST_SUITE_P(
    Player, HostQuestions,
    ::testing::Values(AskCase{"InInit", kAskInInit}, AskCase{"InPlay", kAskInPlay},
                      AskCase{"OnAThreadWhileTheCallerWaits", kAskOnThreadInPlay}),
    [](const auto& info) { return std::string(info.param.name); });

// Where no settings folder could be found at all, era plug-ins that copy the answer without
// looking still get a string, never a null pointer.
TEST(HostQuestionsWithoutAFolder, AreEmptyStringsNotNull)
{
    const PluginSettingsPaths none;
    for (LPARAM query : {IPC_GETINIFILE, IPC_GETINIDIRECTORY}) {
        const auto* text = reinterpret_cast<const char*>(AnswerIpc(none, query));
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, "");
    }
    for (LPARAM query : {IPC_GETINIFILEW, IPC_GETINIDIRECTORYW}) {
        const auto* text = reinterpret_cast<const wchar_t*>(AnswerIpc(none, query));
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(text, L"");
    }
    EXPECT_EQ(AnswerIpc(none, IPC_GETVERSION), 0x2095);
    EXPECT_EQ(AnswerIpc(none, IPC_GET_API_SERVICE), 0);
}

TEST(HostWindow, IsTheLibrarysOwnAndPassesTheEndOfAFileOnToTheCallersWindow)
{
    Rig rig;
    rig.Discover();
    const HWND host = rig.engine.pluginWindow();
    ASSERT_TRUE(::IsWindow(host));
    EXPECT_NE(host, rig.window.hwnd());
    EXPECT_EQ(rig.engine.InputRecord(0)->in->hMainWindow, host);
    EXPECT_EQ(rig.engine.OutputRecord(0)->out->hMainWindow, host);
    EXPECT_FALSE(::IsWindowVisible(host));
    EXPECT_NE(::GetWindowThreadProcessId(host, nullptr), ::GetCurrentThreadId())
        << "answers must not wait for the caller's thread";

    // A plug-in posts the end of its file to the window it was given; the caller's window
    // hears of it as it did when it was given to the plug-ins itself.
    ASSERT_EQ(rig.engine.Play("C:\\music\\song.mp3", 255, 0), 1);
    ::PostMessageW(host, WM_WA_MPEG_EOF, 0, 0);
    EXPECT_TRUE(rig.window.WaitFor(WM_WA_MPEG_EOF, 5000));

    // A plug-in that asks the player to close does not end the library's window.
    ::PostMessageW(host, WM_CLOSE, 0, 0);
    DWORD_PTR version = 0;
    EXPECT_NE(
        ::SendMessageTimeoutW(host, WM_WA_IPC, 0, IPC_GETVERSION, SMTO_NORMAL, 5000, &version), 0);
    EXPECT_EQ(version, 0x2095u);
}

TEST(HostWindow, GoesWithTheLastPluginAndComesBackWithTheNext)
{
    Rig rig;
    rig.Discover();
    const HWND first = rig.engine.pluginWindow();
    ASSERT_TRUE(::IsWindow(first));
    rig.engine.ReleaseOutputPlugins();
    EXPECT_TRUE(::IsWindow(first)) << "the input plug-ins still hold it";
    rig.engine.ReleaseInputPlugins();
    EXPECT_FALSE(::IsWindow(first));
    EXPECT_EQ(rig.engine.pluginWindow(), nullptr);

    rig.in->askHost = kAskInInit;
    rig.Discover();
    EXPECT_TRUE(::IsWindow(rig.engine.pluginWindow()));
    EXPECT_EQ(rig.in->answers.answered, 1);
    EXPECT_EQ(rig.in->answers.version, 0x2095);
}

// Init sets a plug-in up once per load: a plug-in that starts a thread or a decoder library
// there must not be set up again under a running one at every play.
TEST(PluginLifetime, InitOncePerLoadAndQuitOnceAtRelease)
{
    Rig rig;
    rig.Discover();
    ASSERT_EQ(rig.in->initCalls, 1);
    ASSERT_EQ(rig.out->initCalls, 1);
    ASSERT_EQ(rig.engine.Play("C:\\music\\one.mp3", 255, 0), 1);
    ASSERT_EQ(rig.engine.Play("C:\\music\\two.mp3", 255, 0), 1);  // over a running play
    EXPECT_EQ(rig.engine.Stop(), 1);
    ASSERT_EQ(rig.engine.Play("C:\\music\\three.mp3", 255, 0), 1);
    rig.out->outputTime = 1000;
    rig.in->length = 1000;
    rig.engine.Tick();  // played out
    ASSERT_EQ(rig.engine.Play("C:\\music\\four.mp3", 255, 0), 1);
    EXPECT_EQ(rig.in->playCalls, 4);
    EXPECT_EQ(rig.in->initCalls, 1);
    EXPECT_EQ(rig.out->initCalls, 1);

    rig.engine.ReleaseOutputPlugins();
    rig.engine.ReleaseInputPlugins();
    EXPECT_EQ(rig.in->quitCalls, 1);
    EXPECT_EQ(rig.out->quitCalls, 1);
    EXPECT_EQ(rig.in->initCalls, 1);
}

}  // namespace

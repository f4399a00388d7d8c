// The recorder's binding to Ravelplay.dll: the fallbacks without the library, the output
// plug-in it caches and quits, and its set-up from the program's folder.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>

#include "common/ProgramFolder.h"
#include "recorder/ui/PlayerLibrary.h"
#include "tests/player/PlayerTestSupport.h"

using namespace velto;
using namespace velto::test;

namespace {

void ExpectFallbacks(PlayerLibrary& lib)
{
    EXPECT_EQ(lib.InitInputPlugins(nullptr, L"C:\\"), -1);
    EXPECT_EQ(lib.InitOutputPlugins(nullptr, L"C:\\", "out_wave.dll"), -1);
    EXPECT_EQ(lib.outputModule(), nullptr);
    EXPECT_EQ(lib.CurrentOutPluginProp(), nullptr);
    EXPECT_FALSE(lib.Play(L"C:\\song.mp3", 100, 0));
    EXPECT_FALSE(lib.Stop());
    EXPECT_EQ(lib.GetOutputTime(), -1);
    EXPECT_EQ(lib.GetCurrentTotalTime(), -1);
    EXPECT_EQ(lib.GetCurrentState(), -1);
    lib.SeekToPosition(1000);
    lib.SetCurrentOutPlugin("out_wave.dll");
}

TEST(PlayerLibrary, WithoutTheLibraryEveryWrapperFallsBack)
{
    PlayerLibrary lib;
    EXPECT_EQ(lib.Load(L"NoSuchPlayer.dll"), 0);
    EXPECT_FALSE(lib.IsLoaded());
    ExpectFallbacks(lib);
    EXPECT_EQ(lib.Unload(), 0);
}

TEST(PlayerLibrary, ALibraryWithoutTheExportsFallsBackToo)
{
    PlayerLibrary lib;
    ASSERT_EQ(lib.Load(L"fixtures\\player\\out_fixture.dll"), 1);
    ExpectFallbacks(lib);
    EXPECT_EQ(lib.Unload(), 1);
}

struct OutputCase {
    const char* name;
    const wchar_t* fileInFolder;
    bool cached;
    int quitCalls;  // after Unload: the library's release, once for every output plug-in
};

class OutputPlugin : public ::testing::TestWithParam<OutputCase> {};

TEST_P(OutputPlugin, IsCachedOnlyWhenOutWaveIsThereAndQuitAtUnload)
{
    const OutputCase& c = GetParam();
    PluginFolder folder;
    OutputScript* script = folder.AddOutput(c.fileInFolder);
    MessageWindow window;
    PlayerLibrary lib;
    ASSERT_EQ(lib.Load(PlayerLibrary::kLibraryName), 1);
    EXPECT_EQ(lib.InitInputPlugins(window.hwnd(), folder.path()), 0);
    EXPECT_EQ(lib.InitOutputPlugins(window.hwnd(), folder.path(), PlayerLibrary::kOutputPlugin), 1);
    EXPECT_EQ(lib.outputModule() != nullptr, c.cached);
    ASSERT_NE(lib.CurrentOutPluginProp(), nullptr);
    EXPECT_EQ(lib.CurrentOutPluginProp()->out, lib.outputModule());
    EXPECT_EQ(lib.GetCurrentState(), 0);  // Idle
    // No input plug-in: the export is called and refuses.
    EXPECT_TRUE(lib.Play(L"C:\\song.mp3", 100, 0));
    EXPECT_EQ(lib.GetCurrentState(), 1);  // Stopped
    EXPECT_EQ(script->quitCalls, 0);
    EXPECT_EQ(lib.Unload(), 1);
    EXPECT_FALSE(lib.IsLoaded());
    EXPECT_EQ(lib.outputModule(), nullptr);
    EXPECT_EQ(script->quitCalls, c.quitCalls);
}

INSTANTIATE_TEST_SUITE_P(Player, OutputPlugin,
                         ::testing::Values(OutputCase{"OutWave", L"out_wave.dll", true, 1},
                                           OutputCase{"OtherOutput", L"out_other.dll", false, 1}),
                         [](const auto& info) { return std::string(info.param.name); });

DWORD WINAPI DeleteLibrary(void* lib)
{
    delete static_cast<PlayerLibrary*>(lib);
    return 0;
}

// A plug-in whose Quit joins a thread of its own: the thread can only end outside the loader
// lock, so Quit must run before the library's unload, not inside it.
TEST(PlayerLibrary, APluginWhoseQuitJoinsAThreadDoesNotHangTheUnload)
{
    PluginFolder folder;
    InputScript* script = folder.AddInput(L"in_joins.dll", "xyz");
    ASSERT_NE(script, nullptr);
    script->quitJoinsThread = 1;
    const std::wstring outWave = ProgramFolder() + L"Plugins\\out_wave.dll";
    ASSERT_TRUE(::CopyFileW(outWave.c_str(), (folder.path() + L"\\out_wave.dll").c_str(), FALSE));
    MessageWindow window;
    auto* lib = new PlayerLibrary;
    ASSERT_EQ(lib->Load(PlayerLibrary::kLibraryName), 1);
    EXPECT_EQ(lib->InitInputPlugins(window.hwnd(), folder.path()), 1);
    EXPECT_EQ(lib->InitOutputPlugins(window.hwnd(), folder.path(), PlayerLibrary::kOutputPlugin),
              1);
    ASSERT_NE(lib->outputModule(), nullptr);

    HANDLE closer = ::CreateThread(nullptr, 0, &DeleteLibrary, lib, 0, nullptr);
    ASSERT_NE(closer, nullptr);
    if (::WaitForSingleObject(closer, 20000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the unload hangs in the plug-in's Quit";
        std::fflush(stdout);
        ::TerminateProcess(::GetCurrentProcess(), 3);  // the hang would outlive the test
    }
    ::CloseHandle(closer);
    EXPECT_EQ(script->quitCalls, 1);
    EXPECT_EQ(script->quitJoined, 1);
}

TEST(PlayerLibrary, OpensTheLibraryAndPluginsBesideTheProgram)
{
    MessageWindow window;
    PlayerLibrary lib;
    ASSERT_TRUE(lib.Open(window.hwnd()));
    ASSERT_NE(lib.outputModule(), nullptr);
    EXPECT_STREQ(lib.CurrentOutPluginProp()->fileName, "out_wave.dll");
    // The plug-ins are given the library's own window, not ours: it answers their questions.
    const HWND host = lib.outputModule()->hMainWindow;
    EXPECT_TRUE(::IsWindow(host));
    EXPECT_NE(host, window.hwnd());
    EXPECT_EQ(lib.GetOutputTime(), -1);
    EXPECT_EQ(lib.GetCurrentTotalTime(), -1);

    // Our input plug-ins, one per format the recorder writes.
    using GetProp = intptr_t(__cdecl*)(int);
    auto prop = reinterpret_cast<GetProp>(::GetProcAddress(lib.module(), "GetWinampPluginProp"));
    ASSERT_NE(prop, nullptr);
    std::set<std::string> found;
    for (int i = 0; prop(i) != 0; ++i) {
        const auto* record = reinterpret_cast<const PluginRecord*>(prop(i));
        found.insert(std::string(record->fileName) + "=" + record->extension);
        EXPECT_EQ(record->in->hMainWindow, host);
    }
    EXPECT_EQ(found, (std::set<std::string>{"in_mp3.dll=mp3;mp2;mpa", "in_wav.dll=wav",
                                            "in_wma.dll=wma"}));
    EXPECT_EQ(lib.Unload(), 1);
    // The window went with the plug-ins, and its thread let go of the library.
    EXPECT_FALSE(::IsWindow(host));
    EXPECT_EQ(::GetModuleHandleW(PlayerLibrary::kLibraryName), nullptr);
}

// The questions a plug-in asks its window, through the library itself.
TEST(PlayerLibrary, ThePluginsWindowAnswersThemAndGoesAtUnload)
{
    PluginFolder folder;
    InputScript* script = folder.AddInput(L"in_asks.dll", "xyz");
    ASSERT_NE(script, nullptr);
    script->askHost = kAskInInit;
    MessageWindow window;
    PlayerLibrary lib;
    ASSERT_EQ(lib.Load(PlayerLibrary::kLibraryName), 1);
    EXPECT_EQ(lib.InitInputPlugins(window.hwnd(), folder.path()), 1);
    EXPECT_EQ(script->answers.answered, 1);
    EXPECT_EQ(script->answers.version, 0x2095);
    EXPECT_EQ(script->answers.iniDirectoryExists, 1) << script->answers.iniDirectory;
    EXPECT_EQ(script->answers.apiService, 0);
    EXPECT_EQ(lib.Unload(), 1);
    EXPECT_EQ(::GetModuleHandleW(PlayerLibrary::kLibraryName), nullptr);
}

TEST(PlayerLibrary, PathsTheAnsiCodePageCannotCarryGoShort)
{
    EXPECT_EQ(PlayerLibrary::LibraryPath(L"C:\\rec\\take 1.wav"), "C:\\rec\\take 1.wav");
    PluginFolder folder;
    const std::wstring korean = folder.path() + L"\\\uB179\uC74C \uD14C\uC2A4\uD2B8.wav";
    HANDLE f = ::CreateFileW(korean.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    ::CloseHandle(f);
    const std::string path = PlayerLibrary::LibraryPath(korean);
    // Whatever the code page, the library can open the file by what it is given.
    HANDLE again = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(again, INVALID_HANDLE_VALUE) << path;
    if (again != INVALID_HANDLE_VALUE) ::CloseHandle(again);
    // The library picks the plug-in by the last three characters, in any case.
    std::string ending = path.substr(path.size() - 3);
    for (char& ch : ending) ch = static_cast<char>(::tolower(static_cast<unsigned char>(ch)));
    EXPECT_EQ(ending, "wav");
}

}  // namespace

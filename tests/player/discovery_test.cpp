// Finding, loading and releasing plug-in DLLs, with copies of the scripted fixtures in a
// throw-away folder.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "player/PlayerEngine.h"
#include "tests/player/PlayerTestSupport.h"

using namespace velto;
using namespace velto::test;

namespace {

bool AllZero(const void* p, size_t n)
{
    const auto* b = static_cast<const unsigned char*>(p);
    for (size_t i = 0; i < n; ++i)
        if (b[i] != 0) return false;
    return true;
}

TEST(PluginDiscovery, SkipsDirectoriesAndFilesThatAreNoDllAndAppendsOnEveryCall)
{
    PluginFolder folder;
    InputScript* script = folder.AddInput(L"in_one.dll", "wav;wave");
    folder.AddDirectory(L"in_dir.dll");
    folder.AddTextFile(L"in_text.dll");
    MessageWindow window;
    PlayerEngine engine(TickTimer::Mode::Manual);

    EXPECT_EQ(engine.InitInputPlugins(window.hwnd(), folder.ansi().c_str()), 1);
    PluginRecord* first = engine.InputRecord(0);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(engine.InputRecord(1), nullptr);
    EXPECT_STREQ(first->fileName, "in_one.dll");
    EXPECT_STREQ(first->extension, "wav;wave");
    ASSERT_NE(first->in, nullptr);
    EXPECT_EQ(first->out, nullptr);
    EXPECT_NE(first->module, nullptr);
    // The library's own window, which answers the plug-ins' questions (host_window_test).
    EXPECT_EQ(first->in->hMainWindow, engine.pluginWindow());
    EXPECT_NE(first->in->hMainWindow, window.hwnd());
    EXPECT_EQ(first->in->hDllInstance, first->module);
    EXPECT_EQ(script->initCalls, 1);

    // Nothing is cleared first: the plug-in is there twice, initialised twice.
    EXPECT_EQ(engine.InitInputPlugins(window.hwnd(), folder.ansi().c_str()), 1);
    EXPECT_EQ(engine.inputCount(), 1);
    ASSERT_NE(engine.InputRecord(1), nullptr);
    EXPECT_STREQ(engine.InputRecord(1)->fileName, "in_one.dll");
    EXPECT_EQ(engine.InputRecord(0), first);  // handed-out records stay where they are
    EXPECT_EQ(script->initCalls, 2);

    engine.ReleaseInputPlugins();
    EXPECT_EQ(engine.InputRecord(0), nullptr);
    EXPECT_EQ(script->quitCalls, 2);
}

TEST(PluginDiscovery, ADllWithoutAModuleIsUnloadedAndSkipped)
{
    PluginFolder folder;
    folder.AddCopy(L"out_fixture.dll", L"in_noentry.dll");  // no winampGetInModule2
    InputScript* nullModule = folder.AddInput(L"in_null.dll");
    nullModule->nullModule = 1;
    folder.AddInput(L"in_good.dll");
    PlayerEngine engine(TickTimer::Mode::Manual);

    EXPECT_EQ(engine.InitInputPlugins(nullptr, folder.ansi().c_str()), 1);
    EXPECT_STREQ(engine.InputRecord(0)->fileName, "in_good.dll");
    EXPECT_EQ(nullModule->initCalls, 0);
    EXPECT_EQ(::GetModuleHandleW((folder.path() + L"\\in_noentry.dll").c_str()), nullptr);
}

TEST(PluginDiscovery, LongNamesAndExtensionListsAreCutToTheirFields)
{
    PluginFolder folder;
    const std::wstring longName = L"in_" + std::wstring(110, L'x') + L".dll";
    const std::string longList = "mp3;" + std::string(150, 'a');
    folder.AddInput(longName, longList.c_str());
    PlayerEngine engine(TickTimer::Mode::Manual);

    ASSERT_EQ(engine.InitInputPlugins(nullptr, folder.ansi().c_str()), 1);
    const PluginRecord* record = engine.InputRecord(0);
    EXPECT_EQ(std::strlen(record->fileName), 99u);
    EXPECT_EQ(std::string(record->fileName), std::string("in_") + std::string(96, 'x'));
    EXPECT_EQ(std::strlen(record->extension), 99u);
    EXPECT_EQ(std::string(record->extension), longList.substr(0, 99));
    EXPECT_NE(record->in, nullptr);  // the fields after them are intact
}

TEST(PluginDiscovery, AMissingFolderFindsNothingAndKeepsTheList)
{
    PluginFolder folder;
    folder.AddInput(L"in_one.dll");
    PlayerEngine engine(TickTimer::Mode::Manual);
    ASSERT_EQ(engine.InitInputPlugins(nullptr, folder.ansi().c_str()), 1);
    EXPECT_EQ(engine.InitInputPlugins(nullptr, "C:\\no\\such\\folder"), 0);
    EXPECT_EQ(engine.InitInputPlugins(nullptr, nullptr), 0);
    EXPECT_EQ(engine.InitOutputPlugins(nullptr, folder.ansi().c_str()), 0);  // no out_*.dll
    EXPECT_NE(engine.InputRecord(0), nullptr);
}

TEST(PluginDiscovery, OutputRecordsAndTheirRelease)
{
    PluginFolder folder;
    OutputScript* script = folder.AddOutput(L"out_a.dll");
    script->writtenTime = 1234;
    folder.AddInput(L"in_one.dll");
    MessageWindow window;
    PlayerEngine engine(TickTimer::Mode::Manual);

    ASSERT_EQ(engine.InitOutputPlugins(window.hwnd(), folder.ansi().c_str()), 1);
    const PluginRecord* record = engine.OutputRecord(0);
    ASSERT_NE(record, nullptr);
    EXPECT_TRUE(AllZero(record->extension, sizeof record->extension));
    EXPECT_STREQ(record->fileName, "out_a.dll");
    ASSERT_NE(record->out, nullptr);
    EXPECT_EQ(record->in, nullptr);
    EXPECT_EQ(record->out->hMainWindow, engine.pluginWindow());
    EXPECT_TRUE(::IsWindow(record->out->hMainWindow));
    EXPECT_EQ(record->out->hDllInstance, record->module);
    EXPECT_EQ(script->initCalls, 1);

    engine.SetCurrentOutPlugin("out_a.dll");
    EXPECT_EQ(engine.GetWrittenTime(), 1234);
    engine.ReleaseOutputPlugins();
    EXPECT_EQ(engine.GetWrittenTime(), -1);
    EXPECT_TRUE(AllZero(engine.CurrentOutputRecord(), sizeof(PluginRecord)));
    EXPECT_EQ(engine.OutputRecord(0), nullptr);
    EXPECT_EQ(script->quitCalls, 1);
}

TEST(PluginDiscovery, ReleasingWhilePlayingStopsThePlayFirst)
{
    for (bool outputs : {true, false}) {
        SCOPED_TRACE(outputs ? "outputs" : "inputs");
        PluginFolder folder;
        InputScript* in = folder.AddInput(L"in_one.dll");
        folder.AddOutput(L"out_a.dll");
        PlayerEngine engine(TickTimer::Mode::Manual);
        engine.InitInputPlugins(nullptr, folder.ansi().c_str());
        engine.InitOutputPlugins(nullptr, folder.ansi().c_str());
        engine.SetCurrentOutPlugin("out_a.dll");
        ASSERT_EQ(engine.Play("song.mp3", 255, 0), 1);
        if (outputs) {
            In_Module* module = engine.CurrentInputRecord()->in;
            engine.ReleaseOutputPlugins();
            // The input plug-in keeps no pointer into the released output.
            EXPECT_EQ(module->outMod, nullptr);
        } else {
            engine.ReleaseInputPlugins();
            EXPECT_EQ(engine.CurrentInputRecord()->module, nullptr);
        }
        EXPECT_EQ(in->stopCalls, 1);
        EXPECT_EQ(engine.GetCurrentState(), PlayState::Stopped);
        EXPECT_FALSE(engine.timerRunning());
    }
}

TEST(PluginDiscovery, TheEngineStopsAndReleasesEverythingWhenItGoes)
{
    PluginFolder folder;
    InputScript* in = folder.AddInput(L"in_one.dll");
    OutputScript* out = folder.AddOutput(L"out_a.dll");
    {
        PlayerEngine engine(TickTimer::Mode::Manual);
        engine.InitInputPlugins(nullptr, folder.ansi().c_str());
        engine.InitOutputPlugins(nullptr, folder.ansi().c_str());
        engine.SetCurrentOutPlugin("out_a.dll");
        ASSERT_EQ(engine.Play("song.mp3", 255, 0), 1);
    }
    EXPECT_EQ(in->stopCalls, 1);
    EXPECT_EQ(in->quitCalls, 1);
    EXPECT_EQ(out->quitCalls, 1);
}

}  // namespace

// DLL planting: a lame_enc.dll, a WmAudSDK.dll and a Ravelplay.dll that leave a marker when
// loaded wait in the working directory (a folder the user opened a file from, say), while the
// program's own folder lacks the real ones. The recorders and the player binding must never
// load them: the program reports the library as missing instead, as it would without any.
// A careless load of the same names from the same place, for comparison, takes the planted
// ones.
#include <gtest/gtest.h>

#include <string>

#include "common/Text.h"
#include "recorder/recording/Presets.h"
#include "tests/hardening/Installation.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/Programs.h"
#include "tests/support/UiDriver.h"

namespace velto::test {
namespace {

constexpr DWORD kPatience = 120000;

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class DllPlantingTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CopyProgram(L"planting_probe.exe", program_.File(L"planting_probe.exe")));
        for (const wchar_t* name : {L"lame_enc.dll", L"WmAudSDK.dll", L"Ravelplay.dll"})
            ASSERT_TRUE(
                CopyProgram(BinFolder() + L"fixtures\\planted\\" + name, plantedIn_.File(name)));
    }

    // Runs the probe in the planted folder; its exit code, or -1 when it did not end.
    int RunProbe(const wchar_t* mode, std::vector<SeenDialog>& boxes)
    {
        Process probe = StartProgram(program_.File(L"planting_probe.exe"), mode, plantedIn_.path());
        if (!probe) return -1;
        DialogWatcher watcher(probe.pid);
        const bool ended = WaitForExit(probe, kPatience);
        KillIfRunning(probe);
        boxes = watcher.Seen();
        DWORD code = 0;
        ::GetExitCodeProcess(probe.handle.get(), &code);
        return ended ? static_cast<int>(code) : -1;
    }

    // The real program's runs leave their settings behind.
    void TearDown() override { DeleteRecorderSettings(); }

    bool Loaded(const wchar_t* name) const { return Exists(plantedIn_.File(name) + L".loaded"); }

    TempFolder program_{UniqueTempName(L"velto-planting-program")};
    TempFolder plantedIn_{UniqueTempName(L"velto-planting-here")};
};

TEST_F(DllPlantingTest, TheRecordersNeverLoadEncodersFromTheWorkingDirectory)
{
    std::vector<SeenDialog> boxes;
    EXPECT_EQ(0, RunProbe(L"record", boxes));
    EXPECT_FALSE(Loaded(L"lame_enc.dll"));
    EXPECT_FALSE(Loaded(L"WmAudSDK.dll"));
    EXPECT_FALSE(Loaded(L"Ravelplay.dll"));
    // What the user is told is what a missing library gets.
    ASSERT_EQ(2u, boxes.size());
    EXPECT_EQ(L"Error", boxes[0].caption);
    EXPECT_EQ(L"Error loading lame_enc.DLL", boxes[0].text);
    EXPECT_EQ(L"VeltoRecorder", boxes[1].caption);
    EXPECT_EQ(L"Could not found WmAudSDK.DLL file", boxes[1].text);
}

// Shows that the planted DLLs are live bait: the same process loading the names carelessly
// from the same working directory runs them.
TEST_F(DllPlantingTest, ACarelessLoadWouldHaveTakenThem)
{
    std::vector<SeenDialog> boxes;
    EXPECT_EQ(0, RunProbe(L"plain-load", boxes));
    EXPECT_TRUE(Loaded(L"lame_enc.dll"));
    EXPECT_TRUE(Loaded(L"WmAudSDK.dll"));
    EXPECT_TRUE(Loaded(L"Ravelplay.dll"));
}

// The real program started in the planted folder, with and without the real player library
// beside it. Either way the bait stays unloaded: without the real library the program runs
// on without playback and says nothing (there is no notice step either); with it, the
// recording plays.
TEST_F(DllPlantingTest, TheProgramNeverLoadsThePlayerLibraryFromTheWorkingDirectory)
{
    const struct {
        const char* why;
        bool realBeside;
    } cases[] = {{"no player library beside the program", false},
                 {"the real player library beside the program", true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ::DeleteFileW((plantedIn_.File(L"Ravelplay.dll") + L".loaded").c_str());
        InstalledCopy copy(c.realBeside ? std::vector<std::wstring>{}
                                        : std::vector<std::wstring>{L"Ravelplay.dll"});
        ASSERT_TRUE(copy.ok());
        ASSERT_EQ(c.realBeside, copy.Has(L"Ravelplay.dll"));
        // The recordings go where the bait lies, as the user's own files would.
        PrepareRecorderSettings(plantedIn_.path(), kRecordMp3, 3);
        {
            RunningCopy program(copy.Program(), L"/run", plantedIn_.path());
            ASSERT_TRUE(program.WaitForWindow());
            ASSERT_TRUE(program.WaitForStartToFinish(c.realBeside, nullptr));
            const std::wstring file = plantedIn_.File(L"Noname.mp3");
            ASSERT_EQ(file, program.RecordUntilAutoStop(file))
                << WideToUtf8(StatusText(program.window()));
            EXPECT_EQ(c.realBeside, program.PlayShowsTime(c.realBeside ? 20000 : 4000));
            EXPECT_TRUE(program.Responsive());
            EXPECT_TRUE(program.CloseCleanly());
            const std::vector<SeenDialog> said = program.boxes().Seen();
            EXPECT_TRUE(said.empty()) << WideToUtf8(said.empty() ? L"" : said[0].text);
            ::DeleteFileW(file.c_str());
        }
        EXPECT_FALSE(Loaded(L"Ravelplay.dll"));
    }
}

}  // namespace
}  // namespace velto::test

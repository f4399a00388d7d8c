// DLL planting: a lame_enc.dll and a WmAudSDK.dll that leave a marker when loaded wait in the
// working directory (a folder the user opened a file from, say), while the program's own
// folder lacks the real ones. The recorders must never load them: they report the library as
// missing instead. A careless load of the same names from the same place, for comparison,
// takes the planted ones.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/DialogWatcher.h"
#include "tests/support/Programs.h"

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
        for (const wchar_t* name : {L"lame_enc.dll", L"WmAudSDK.dll"})
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
}

}  // namespace
}  // namespace velto::test

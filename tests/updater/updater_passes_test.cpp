// The Updater program run for real from a private folder, with update libraries that record
// their calls in place of Renovo.dll.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/DebugTrace.h"
#include "common/Text.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/FakeDebugViewer.h"
#include "tests/support/Programs.h"

namespace velto::test {
namespace {

constexpr DWORD kRunTimeoutMs = 60000;
const std::wstring kArgs = L"http://127.0.0.1/list.txt@@kestrel Auto Updater##VRVersion.dll";
const std::string kArgsBytes = "http://127.0.0.1/list.txt@@kestrel Auto Updater##VRVersion.dll";

// A program folder holding Updater.exe and, when named, a fixture as Renovo.dll.
class UpdaterFolder {
public:
    explicit UpdaterFolder(const wchar_t* library = L"fixture_renovo.dll")
    {
        EXPECT_TRUE(CopyProgram(L"Updater.exe", folder_.File(L"Updater.exe")));
        if (library) {
            EXPECT_TRUE(CopyProgram(library, folder_.File(L"Renovo.dll")));
        }
    }
    void SetResults(const std::string& results)
    {
        ASSERT_TRUE(WriteFileBytes(folder_.File(L"results.txt"), results));
    }
    Process Start(const std::wstring& commandLine)
    {
        return StartProgram(folder_.File(L"Updater.exe"), commandLine);
    }
    // Runs the Updater to its end, answering the trace channel meanwhile.
    void Run(const std::wstring& commandLine)
    {
        Process p = Start(commandLine);
        ASSERT_TRUE(p);
        const bool ended = WaitForExitPumping(p, kRunTimeoutMs);
        KillIfRunning(p);
        ASSERT_TRUE(ended) << "the Updater did not end";
    }
    std::vector<std::string> Calls() const
    {
        std::vector<std::string> out;
        for (const auto& l : ReadUtf8Lines(folder_.File(L"calls.log")))
            out.push_back(WideToUtf8(l));
        return out;
    }
    bool Has(const wchar_t* name) const
    {
        return ::GetFileAttributesW(folder_.File(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    const TempFolder& folder() const { return folder_; }

private:
    TempFolder folder_{UniqueTempName(L"velto-updater")};
};

const std::string kLoad = "load RenovoCopy.dll";
const std::string kUnload = "unload";
const std::string kUpdate = "RunUpdater " + kArgsBytes;
const std::string kExecute = "RunExecute -2222 " + kArgsBytes;

struct PassCase {
    const char* name;
    std::wstring commandLine;
    std::string results;  // what RunUpdater answers, call by call
    std::vector<std::string> calls;
    const char* traceLimit;  // the limit named in the trace line; null: no trace line
};

TEST(UpdaterPasses, RunsTheLibraryUpToThePassLimit)
{
    const std::vector<PassCase> cases = {
        {"limit 3, always another pass: two updates, then execute on the third load",
         kArgs + L"$$3",
         "3",
         {kLoad, kUpdate, kUnload, kLoad, kUpdate, kUnload, kLoad, kExecute, kUnload},
         "3"},
        {"limit 3, the first pass is enough",
         kArgs + L"$$3",
         "0",
         {kLoad, kUpdate, kUnload},
         nullptr},
        {"limit 3 written with three dollar signs",
         kArgs + L"$$$3",
         "3",
         {kLoad, kUpdate, kUnload, kLoad, kUpdate, kUnload, kLoad, kExecute, kUnload},
         "3"},
        {"limit 1: the first pass already executes",
         kArgs + L"$$1",
         "3",
         {kLoad, kExecute, kUnload},
         "1"},
        {"no limit: passes go on while 3 comes back",
         kArgs,
         "3 3 3 3 0",
         {kLoad, kUpdate, kUnload, kLoad, kUpdate, kUnload, kLoad, kUpdate, kUnload, kLoad, kUpdate,
          kUnload, kLoad, kUpdate, kUnload},
         nullptr},
        {"a result other than 3 ends at once",
         kArgs + L"$$3",
         "1 3",
         {kLoad, kUpdate, kUnload},
         nullptr},
        {"empty command line: nothing is loaded", L"", "3", {}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeDebugViewer trace;
        UpdaterFolder folder;
        folder.SetResults(c.results);
        folder.Run(c.commandLine);
        EXPECT_EQ(c.calls, folder.Calls());
        // The copy is gone after every pass that ran an entry point.
        EXPECT_FALSE(folder.Has(L"RenovoCopy.dll"));
        EXPECT_TRUE(folder.Has(L"Renovo.dll"));
        if (c.traceLimit) {
            const std::string expected = std::string("####### 업데이트 횟수(") + c.traceLimit +
                                         ")의 제한으로 업데이트를 종료합니다.. #########\r\n";
            EXPECT_EQ(std::vector<std::string>{expected}, trace.Lines());
        } else {
            EXPECT_TRUE(trace.Lines().empty());
        }
    }
}

TEST(UpdaterPasses, AStaleCopyIsReplacedBeforeLoading)
{
    UpdaterFolder folder;
    // A copy left by an earlier run, of a library without the entry points: if it were loaded
    // instead of a fresh copy, no call would be recorded.
    ASSERT_TRUE(
        CopyProgram(L"fixture_renovo_noentry.dll", folder.folder().File(L"RenovoCopy.dll")));
    folder.SetResults("0");
    folder.Run(kArgs + L"$$3");
    EXPECT_EQ((std::vector<std::string>{kLoad, kUpdate, kUnload}), folder.Calls());
    EXPECT_FALSE(folder.Has(L"RenovoCopy.dll"));
}

TEST(UpdaterPasses, MissingLibraryIsReportedAndTheUpdaterEnds)
{
    UpdaterFolder folder(nullptr);
    Process p = folder.Start(kArgs + L"$$3");
    ASSERT_TRUE(p);
    DialogWatcher watcher(p.pid);
    const bool shown = watcher.WaitFor(L"Cannot found RENOVO.DLL", kRunTimeoutMs);
    const bool ended = WaitForExit(p, kRunTimeoutMs);
    KillIfRunning(p);
    EXPECT_TRUE(shown);
    EXPECT_TRUE(ended);
    ASSERT_EQ(1u, watcher.Seen().size());
    EXPECT_EQ(L"Cannot found RENOVO.DLL", watcher.Seen()[0].text);
    EXPECT_FALSE(folder.Has(L"RenovoCopy.dll"));
}

TEST(UpdaterPasses, LibraryWithoutEntryPointIsUnloadedAndTheUpdaterEnds)
{
    struct {
        const wchar_t* limit;
        bool copyStays;
    } const cases[] = {
        // Without "RunUpdater" the pass ends before deleting its copy; the next run replaces it.
        {L"$$3", true},
        // The last pass deletes its copy whether or not "RunExecute" was there.
        {L"$$1", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.limit);
        UpdaterFolder folder(L"fixture_renovo_noentry.dll");
        Process p = folder.Start(kArgs + c.limit);
        ASSERT_TRUE(p);
        DialogWatcher watcher(p.pid);
        const bool ended = WaitForExitPumping(p, kRunTimeoutMs);
        KillIfRunning(p);
        ASSERT_TRUE(ended);
        EXPECT_EQ((std::vector<std::string>{kLoad, kUnload}), folder.Calls());
        EXPECT_TRUE(watcher.Seen().empty());
        EXPECT_EQ(c.copyStays, folder.Has(L"RenovoCopy.dll"));
    }
}

}  // namespace
}  // namespace velto::test

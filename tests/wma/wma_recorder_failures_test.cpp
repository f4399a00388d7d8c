// How a WMA recording ends when the writer DLL is missing or fails: the exact message the user
// reads, what the main window is told, that no file is left behind, and that the writer is
// released (or finished and released) when it should be. The real DLL shows the failures it
// can; stand-in DLLs (FixtureWriter.cpp) show the rest.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/ProgramFolder.h"
#include "common/win/Handles.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/WmaRecorder.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestHost.h"
#include "tests/wma/FixtureWriter.h"
#include "tests/wma/WmaProbe.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr DWORD kWaitMs = 30000;

std::wstring FixtureFolder(const std::wstring& name)
{
    return ProgramFolder() + L"fixtures\\wma\\" + name + L"\\";
}

// Holds a stand-in DLL loaded for the whole test, so its call counts outlive the recorder's
// own load and unload.
class Fixture {
public:
    explicit Fixture(const std::wstring& name) : folder_(FixtureFolder(name))
    {
        module_.reset(LoadLibraryFromFolder(folder_, kWmaWriterDll));
        if (!module_) return;
        auto log = reinterpret_cast<FixtureCallLogFn>(
            ::GetProcAddress(module_.get(), kFixtureCallLogExport));
        if (log) calls_ = log();
    }
    const std::wstring& folder() const { return folder_; }
    FixtureCalls* calls() const { return calls_; }

private:
    std::wstring folder_;
    UniqueModule module_;
    FixtureCalls* calls_ = nullptr;
};

class WmaRecorderFailureTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_autoStop.enabled = 0;
        host.recordType = kRecordWma;
        host.quality = 6;
        host.outputPath = folder + L"take.wma";
    }

    // Dialog texts seen so far, each as "caption|text".
    std::vector<std::wstring> Boxes() const
    {
        std::vector<std::wstring> out;
        for (const SeenDialog& d : watcher.Seen()) out.push_back(d.caption + L"|" + d.text);
        return out;
    }

    TestHost host;
    DialogWatcher watcher;
    TempFolder temp{L"wma-failures"};
    const std::wstring& folder = temp.path();
};

struct OpenFailure {
    const char* name;
    const wchar_t* fixture;  // a stand-in's folder; null for the real DLL, "" for no DLL at all
    const wchar_t* outputName;
    const wchar_t* message;
    bool writerCreated;  // then it must already be released when the main window hears
};

const OpenFailure kOpenFailures[] = {
    {"no DLL", L"", L"take.wma", L"Could not found WmAudSDK.DLL file", false},
    {"export missing", L"no_export", L"take.wma",
     L"Could not found WMAudioCreateWriter library function", false},
    {"creation fails", nullptr, L"no such folder\\take.wma", L" Failed to Create Audio Writer",
     false},
    {"no path to write", nullptr, L"", L"internal error", false},
    {"input format refused", L"input_refused", L"take.wma", L" Failed to Set Input Format", true},
    {"output format refused", L"output_refused", L"take.wma", L" Failed to Set Output Format",
     true},
};

TEST_F(WmaRecorderFailureTest, AWriterThatCannotBeOpenedEndsTheRecording)
{
    for (const OpenFailure& c : kOpenFailures) {
        SCOPED_TRACE(c.name);
        watcher.Clear();
        host.received.clear();
        std::unique_ptr<Fixture> fixture;
        TempFolder empty{L"wma-no-dll"};
        std::wstring libraryFolder = ProgramFolder();
        if (c.fixture && *c.fixture) {
            fixture = std::make_unique<Fixture>(c.fixture);
            ASSERT_NE(fixture->calls(), nullptr) << "stand-in DLL built";
            libraryFolder = fixture->folder();
        } else if (c.fixture) {
            libraryFolder = empty.path();
        }
        host.outputPath = *c.outputName ? folder + c.outputName : L"";

        auto recorder = std::make_unique<CWmaRecorder>(host, libraryFolder);
        ASSERT_EQ(recorder->Start(), 1);
        ASSERT_TRUE(host.WaitFor(NOTIFY_ENCODER_FAILED, kWaitMs));
        EXPECT_FALSE(recorder->holdsWriter());
        if (c.writerCreated) {
            EXPECT_EQ(fixture->calls()->creates.load(), 1);
            EXPECT_EQ(fixture->calls()->releases.load(), 1) << "released at once";
        }
        // As the main window does: delete without Stop.
        recorder.reset();
        EXPECT_FALSE(IsRecording());
        EXPECT_EQ(Boxes(), std::vector<std::wstring>{std::wstring(L"VeltoRecorder|") + c.message});
        for (const Notification& n : host.received) EXPECT_EQ(n.what, NOTIFY_ENCODER_FAILED);
        if (*c.outputName) {
            EXPECT_FALSE(FileExists(folder + c.outputName)) << "no file written";
        }
    }
}

TEST_F(WmaRecorderFailureTest, ARefusedBlockStopsTheRecordingAndStopClosesTheWriter)
{
    Fixture fixture(L"append_fails");
    ASSERT_NE(fixture.calls(), nullptr);
    CWmaRecorder recorder(host, fixture.folder());
    ASSERT_EQ(recorder.Start(), 1);
    ASSERT_TRUE(host.WaitFor(NOTIFY_ERROR, kWaitMs));
    const Notification& error = host.received.back();
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(error.value)), L"ConvertChunk Error");
    EXPECT_EQ(fixture.calls()->appends.load(), 1);
    EXPECT_EQ(fixture.calls()->finishes.load(), 0) << "the finish is left to Stop";

    EXPECT_EQ(recorder.Stop(), 1);
    EXPECT_FALSE(IsRecording());
    EXPECT_FALSE(recorder.holdsWriter());
    EXPECT_EQ(fixture.calls()->finishes.load(), 1);
    EXPECT_EQ(fixture.calls()->releases.load(), 1);
    EXPECT_TRUE(watcher.Seen().empty()) << "the main window shows this error, not the worker";
}

TEST_F(WmaRecorderFailureTest, AFailedFinishKeepsTheWriterUntilTheRecorderGoes)
{
    Fixture fixture(L"finish_fails");
    ASSERT_NE(fixture.calls(), nullptr);
    auto recorder = std::make_unique<CWmaRecorder>(host, fixture.folder());
    ASSERT_EQ(recorder->Start(), 1);
    ASSERT_TRUE(host.WaitFor(NOTIFY_ELAPSED, kWaitMs));

    EXPECT_EQ(recorder->Stop(), 1);
    EXPECT_EQ(recorder->CloseWriter(), E_FAIL) << "the finish failed again";
    EXPECT_TRUE(recorder->holdsWriter());
    EXPECT_EQ(fixture.calls()->finishes.load(), 2);
    EXPECT_EQ(fixture.calls()->releases.load(), 0);

    recorder.reset();
    EXPECT_EQ(fixture.calls()->finishes.load(), 3) << "the destructor finishes once more";
    EXPECT_EQ(fixture.calls()->releases.load(), 1) << "and releases the writer";
    EXPECT_TRUE(watcher.Seen().empty());
}

}  // namespace

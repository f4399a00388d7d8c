// CMp3Recorder with stand-in lame_enc.dll libraries (tests/mp3/fixtures) over the real wave-in
// device: the calls a recording makes, and every failure the user must hear of, each with its
// exact text, none leaving the worker or the window stuck.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <thread>

#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "recorder/recording/Mp3Recorder.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/TestHost.h"

using namespace velto;
using velto::test::DialogWatcher;
using velto::test::SeenDialog;
using velto::test::TestHost;

namespace {

constexpr DWORD kWaitMs = 60000;  // generous: two cores shared with other builds

std::wstring Fixture(const std::wstring& variant)
{
    return ProgramFolder() + L"fixtures\\mp3\\" + variant + L"\\";
}

long long FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// The record as the library must receive it, built from byte offsets alone.
std::string ExpectedRecordHex(uint32_t sampleRate, uint32_t bitRate)
{
    unsigned char r[331] = {};
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) r[at + i] = static_cast<unsigned char>(v >> (8 * i));
    };
    put(0, 256);  // the LAME record
    put(4, 1);
    put(8, 331);
    put(12, sampleRate);
    put(24, bitRate);
    put(36, 1);  // MPEG-1
    std::ostringstream s;
    for (unsigned char b : r) s << "0123456789abcdef"[b >> 4] << "0123456789abcdef"[b & 15];
    return s.str();
}

class Mp3RecorderTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_autoStop.enabled = 0;
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        // A Korean folder name: the file, the messages and the header call must all keep it.
        folder_ =
            std::wstring(temp) + L"velto 녹음 " + std::to_wstring(::GetCurrentProcessId()) + L"\\";
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        ::CreateDirectoryW((folder_ + L"no library").c_str(), nullptr);
        log_ = folder_ + L"calls.log";
        ::SetEnvironmentVariableW(L"VELTO_FAKE_LAME_LOG", log_.c_str());
        ::SetEnvironmentVariableW(L"VELTO_FAKE_LAME", nullptr);
        host.outputPath = folder_ + L"녹음.mp3";
    }
    void TearDown() override
    {
        ::SetEnvironmentVariableW(L"VELTO_FAKE_LAME", nullptr);
        ::DeleteFileW(log_.c_str());
        ::DeleteFileW(host.outputPath.c_str());
        ::RemoveDirectoryW((folder_ + L"no library").c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }

    std::vector<std::string> LogLines() const
    {
        std::vector<std::string> lines;
        std::ifstream in(log_.c_str(), std::ios::binary);
        for (std::string line; std::getline(in, line);) lines.push_back(line);
        return lines;
    }
    // The first word of every logged call.
    std::vector<std::string> Calls() const
    {
        std::vector<std::string> calls;
        for (const std::string& line : LogLines()) calls.push_back(line.substr(0, line.find(' ')));
        return calls;
    }
    std::vector<SeenDialog> ErrorBoxes() const
    {
        std::vector<SeenDialog> boxes;
        for (const SeenDialog& d : watcher.Seen())
            if (d.caption == L"Error") boxes.push_back(d);
        return boxes;
    }
    int Count(WPARAM what) const
    {
        int c = 0;
        for (const auto& n : host.received) c += n.what == what;
        return c;
    }
    // What the window does on NOTIFY_STOP or at the end: Stop returns once the worker is gone.
    void StopLikeTheWindow(CMp3Recorder& recorder)
    {
        EXPECT_EQ(recorder.Stop(), 1);
        EXPECT_FALSE(IsRecording());
        EXPECT_TRUE(recorder.stopRequested());
        // Nothing survives the recording: the entry points are gone and the library released.
        EXPECT_EQ(recorder.entryPoints().beInitStream, nullptr);
        EXPECT_EQ(recorder.entryPoints().beWriteVBRHeader, nullptr);
        EXPECT_EQ(::GetModuleHandleW(kLameLibraryName), nullptr);
    }

    std::wstring folder_;
    std::wstring log_;
    TestHost host;
    DialogWatcher watcher;
};

TEST_F(Mp3RecorderTest, StopAfterTheFirstBlockEncodesItFlushesAndWritesTheHeaderOnce)
{
    struct Row {
        int quality;
        uint32_t sampleRate;
        uint32_t bitRate;
    } rows[] = {{0, 8000, 32}, {3, 44100, 128}, {7, 44100, 320}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.quality);
        ::DeleteFileW(log_.c_str());
        host.received.clear();
        host.quality = row.quality;
        ::SetEnvironmentVariableW(L"VELTO_FAKE_LAME", L"hold-first");
        UniqueHandle entered(
            ::CreateEventW(nullptr, TRUE, FALSE,
                           FormatW(L"VeltoFakeLame-%lu-entered", ::GetCurrentProcessId()).c_str()));
        UniqueHandle go(
            ::CreateEventW(nullptr, TRUE, FALSE,
                           FormatW(L"VeltoFakeLame-%lu-go", ::GetCurrentProcessId()).c_str()));

        CMp3Recorder recorder(host);
        recorder.SetLibraryFolder(Fixture(L"recording"));
        ASSERT_EQ(recorder.Start(), 1);
        EXPECT_TRUE(IsRecording());
        // The first block is being encoded; the stop arrives before the worker looks again.
        ASSERT_EQ(::WaitForSingleObject(entered.get(), kWaitMs), WAIT_OBJECT_0);
        std::thread window([&] { StopLikeTheWindow(recorder); });
        while (!recorder.stopRequested()) ::Sleep(5);
        ::SetEvent(go.get());
        window.join();

        const std::string path = WideToUtf8(host.outputPath);
        EXPECT_EQ(LogLines(), (std::vector<std::string>{
                                  "init " + ExpectedRecordHex(row.sampleRate, row.bitRate),
                                  "encode 8192 handle=ok",
                                  "deinit handle=ok",
                                  "close handle=ok",
                                  // closed before the call, with the block's and the flush's bytes
                                  "header closed=1 size=1500 path=" + path,
                              }));
        EXPECT_EQ(FileSize(host.outputPath), 1500);
        EXPECT_TRUE(ErrorBoxes().empty());
        host.Drain();
        EXPECT_EQ(Count(NOTIFY_STOP), 0);
        EXPECT_EQ(Count(NOTIFY_ERROR), 0);
    }
}

TEST_F(Mp3RecorderTest, StartFailuresShowTheirMessageAndLetTheRecordingEnd)
{
    const std::wstring unwritable = L"C:\\velto 없는 폴더\\녹음.mp3";
    struct Case {
        std::wstring name;
        std::wstring library;  // fixture variant, or a folder of the test's own
        const wchar_t* settings;
        std::wstring path;  // empty: the test's usual path
        std::wstring text;
        long long fileSize;  // -1: no file
        std::vector<std::string> calls;
    };
    std::vector<Case> cases = {
        {L"no library", folder_ + L"no library\\", L"", L"", L"Error loading lame_enc.DLL", 0, {}},
        {L"stream refused",
         Fixture(L"recording"),
         L"init=3",
         L"",
         L"Error opening encoding stream (3)",
         0,
         {"init"}},
        {L"file cannot be created",
         Fixture(L"recording"),
         L"",
         unwritable,
         L"Error creating file " + unwritable,
         -1,
         {}},
    };
    for (const wchar_t* name : {L"beInitStream", L"beEncodeChunk", L"beDeinitStream",
                                L"beCloseStream", L"beVersion", L"beWriteVBRHeader"}) {
        cases.push_back({std::wstring(L"without ") + name,
                         Fixture(std::wstring(L"without-") + name),
                         L"",
                         L"",
                         L"Unable to get LAME interfaces",
                         0,
                         {}});
    }

    const std::wstring usualPath = host.outputPath;
    for (const Case& c : cases) {
        SCOPED_TRACE(WideToUtf8(c.name));
        ::DeleteFileW(log_.c_str());
        ::DeleteFileW(usualPath.c_str());
        watcher.Clear();
        host.received.clear();
        host.messages.clear();
        host.outputPath = c.path.empty() ? usualPath : c.path;
        ::SetEnvironmentVariableW(L"VELTO_FAKE_LAME", c.settings);

        CMp3Recorder recorder(host);
        recorder.SetLibraryFolder(c.library);
        ASSERT_EQ(recorder.Start(), 1);
        // The message comes first (the host shows it as the window would), then the window is
        // told to end the recording.
        EXPECT_TRUE(host.WaitFor(NOTIFY_STOP, kWaitMs));
        EXPECT_TRUE(watcher.WaitFor(c.text, kWaitMs));
        EXPECT_EQ(host.messages, std::vector<std::wstring>{L"Error|" + c.text});
        StopLikeTheWindow(recorder);

        const auto boxes = ErrorBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(FileSize(host.outputPath), c.fileSize);
        EXPECT_EQ(Calls(), c.calls);
        EXPECT_EQ(Count(NOTIFY_STOP), 1);
        EXPECT_EQ(Count(NOTIFY_ERROR), 0);
        EXPECT_EQ(Count(NOTIFY_ELAPSED), 0);
    }
    host.outputPath = usualPath;
}

TEST_F(Mp3RecorderTest, FailuresDuringTheRecordingCloseTheStreamAndSkipTheHeader)
{
    struct Case {
        const char* name;
        const wchar_t* settings;
        std::wstring path;
        bool windowStops;  // the window asks to stop; otherwise the failure ends the recording
        std::wstring text;
        std::vector<std::string> calls;
        long long fileSize;  // -1: not checked
    } cases[] = {
        // The file keeps the first block's bytes.
        {"encoding fails",
         L"encode-fail=2:7",
         L"",
         false,
         L"Error opening encoding stream (7)",
         {"init", "encode", "encode", "close"},
         1000},
        // Wine's Z: drive reaches /dev/full, a file that refuses every byte.
        {"file refuses bytes",
         L"bytes=5000",
         L"Z:\\dev\\full",
         false,
         L"Output file write error",
         {"init", "encode", "close"},
         -1},
        {"flush fails",
         L"hold-first deinit=5",
         L"",
         true,
         L"beExitStream failed (5)",
         {"init", "encode", "deinit", "close"},
         1000},
    };
    const std::wstring usualPath = host.outputPath;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::DeleteFileW(log_.c_str());
        ::DeleteFileW(usualPath.c_str());
        watcher.Clear();
        host.received.clear();
        host.messages.clear();
        host.outputPath = c.path.empty() ? usualPath : c.path;
        ::SetEnvironmentVariableW(L"VELTO_FAKE_LAME", c.settings);
        UniqueHandle entered(
            ::CreateEventW(nullptr, TRUE, FALSE,
                           FormatW(L"VeltoFakeLame-%lu-entered", ::GetCurrentProcessId()).c_str()));
        UniqueHandle go(
            ::CreateEventW(nullptr, TRUE, FALSE,
                           FormatW(L"VeltoFakeLame-%lu-go", ::GetCurrentProcessId()).c_str()));

        CMp3Recorder recorder(host);
        recorder.SetLibraryFolder(Fixture(L"recording"));
        ASSERT_EQ(recorder.Start(), 1);
        if (c.windowStops) {
            ASSERT_EQ(::WaitForSingleObject(entered.get(), kWaitMs), WAIT_OBJECT_0);
            std::thread window([&] { StopLikeTheWindow(recorder); });
            while (!recorder.stopRequested()) ::Sleep(5);
            ::SetEvent(go.get());
            window.join();
            host.Drain();
            EXPECT_EQ(Count(NOTIFY_STOP), 0);  // the window is stopping already
        } else {
            EXPECT_TRUE(host.WaitFor(NOTIFY_STOP, kWaitMs));
            StopLikeTheWindow(recorder);
            EXPECT_EQ(Count(NOTIFY_STOP), 1);
        }

        const auto boxes = ErrorBoxes();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, c.text);
        EXPECT_EQ(Calls(), c.calls);
        if (c.fileSize >= 0) {
            EXPECT_EQ(FileSize(host.outputPath), c.fileSize);
        }
        EXPECT_EQ(Count(NOTIFY_ERROR), 0);
    }
    host.outputPath = usualPath;
}

}  // namespace

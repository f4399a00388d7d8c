// The capture engine against a scripted source of 16384-byte blocks (as the wave-in device
// delivers them) and an encoder step that records what it is given: elapsed-second reports,
// the auto-stop cut, a stop, and the failure paths.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "recorder/recording/CaptureEngine.h"
#include "recorder/recording/Presets.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/TestHost.h"

using namespace velto;
using velto::test::Notification;
using velto::test::TestHost;

namespace {

// Delivers full blocks (or what `sizes` scripts) and can misbehave on request. Its data
// handle is always signalled, unless it delivers nothing.
class ScriptedSource : public CaptureSource {
public:
    ScriptedSource() : ready_(::CreateEventW(nullptr, TRUE, TRUE, nullptr)) {}

    HRESULT Open(const WAVEFORMATEX& wanted) override
    {
        opened = true;
        format_ = wanted;
        if (deliversNothing) ::ResetEvent(ready_.get());
        return openOk ? S_OK : E_FAIL;
    }
    const wchar_t* OpenFailureBox() const override { return openFailureBox; }
    const WAVEFORMATEX& format() const override { return format_; }
    HRESULT Start() override { return S_OK; }
    HANDLE DataReady() const override { return ready_.get(); }
    HRESULT Deliver(PcmSink& sink, CaptureCursor& cursor) override
    {
        ++reads;
        if (onRead) onRead(reads);
        int n = kBlockBytes;
        if (!sizes.empty()) n = sizes[static_cast<size_t>(reads - 1) % sizes.size()];
        std::vector<BYTE> block(static_cast<size_t>(n), static_cast<BYTE>(reads & 0xFF));
        return CopyBlock(block.data(), static_cast<DWORD>(n), sink, cursor);
    }
    void Close() override { ++closes; }

    static constexpr int kBlockBytes = 16384;
    bool openOk = true;
    const wchar_t* openFailureBox = nullptr;
    bool opened = false;
    bool deliversNothing = false;
    std::vector<int> sizes;
    std::function<void(int)> onRead;
    int reads = 0;
    int closes = 0;

private:
    UniqueHandle ready_;
    WAVEFORMATEX format_{};
};

class RecordingStep : public EncoderStep {
public:
    bool Begin(const std::wstring& path, const WAVEFORMATEX&, const Reporter&) override
    {
        begunWith = path;
        if (onBegin) onBegin();
        return beginOk;
    }
    HRESULT Write(DWORD n, const BYTE*, DWORD* written) override
    {
        blocks.push_back(n);
        total += n;
        *written = n;
        return failAtBlock == 0 || static_cast<int>(blocks.size()) < failAtBlock ? S_OK : E_FAIL;
    }
    // The failure is this step's to tell, as the MP3 step does.
    const wchar_t* WriteFailureText() const override { return nullptr; }
    void EndOfCapture(bool failed, const Reporter&) override
    {
        ++finishes;
        finishedFailed = failed;
    }

    bool beginOk = true;
    std::function<void()> onBegin;
    int failAtBlock = 0;
    std::wstring begunWith;
    std::vector<DWORD> blocks;
    uint64_t total = 0;
    int finishes = 0;
    bool finishedFailed = false;
};

class CaptureLoopTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_autoStop.enabled = 0;
        g_autoStop.seconds = 300;
        setup.notifyWindow = host.NotifyWindow();
        sampleRate = 8000;  // 32000 bytes per second
        setup.outputPath = L"C:\\rec\\take.mp3";
        setup.deviceOpenError = L"장치를 열수가 없습니다..";
    }

    // Runs one recording through the engine while this thread collects the posted
    // notifications (a long recording posts more than one queue can hold). The source and the
    // step stay the fixture's: the engine gets stand-ins that forward to them.
    CaptureEnd Run()
    {
        setup.wanted = MakePcmFormat(2, sampleRate);
        engine = std::make_unique<CaptureEngine>(setup, std::make_unique<Forward>(device),
                                                 std::make_unique<ForwardStep>(step));
        if (!engine->Start()) return CaptureEnd::Running;
        while (!engine->WaitForEnd(1)) host.Drain();
        host.Drain();
        return engine->end();
    }
    void RequestStop()
    {
        if (engine) engine->RequestStop();
    }

    struct Forward : CaptureSource {
        explicit Forward(ScriptedSource& s) : s(s) {}
        HRESULT Open(const WAVEFORMATEX& w) override { return s.Open(w); }
        const wchar_t* OpenFailureBox() const override { return s.OpenFailureBox(); }
        const WAVEFORMATEX& format() const override { return s.format(); }
        HRESULT Start() override { return s.Start(); }
        HANDLE DataReady() const override { return s.DataReady(); }
        HRESULT Deliver(PcmSink& sink, CaptureCursor& c) override { return s.Deliver(sink, c); }
        void Close() override { s.Close(); }
        ScriptedSource& s;
    };
    struct ForwardStep : EncoderStep {
        explicit ForwardStep(RecordingStep& s) : s(s) {}
        bool Begin(const std::wstring& p, const WAVEFORMATEX& f, const Reporter& r) override
        {
            return s.Begin(p, f, r);
        }
        HRESULT Write(DWORD n, const BYTE* b, DWORD* w) override { return s.Write(n, b, w); }
        const wchar_t* WriteFailureText() const override { return s.WriteFailureText(); }
        void EndOfCapture(bool f, const Reporter& r) override { s.EndOfCapture(f, r); }
        RecordingStep& s;
    };

    std::vector<LPARAM> Elapsed() const
    {
        std::vector<LPARAM> out;
        for (const Notification& n : host.received)
            if (n.what == NOTIFY_ELAPSED) out.push_back(n.value);
        return out;
    }
    int Count(WPARAM what) const
    {
        int c = 0;
        for (const Notification& n : host.received) c += n.what == what;
        return c;
    }

    TestHost host;
    ScriptedSource device;
    RecordingStep step;
    CaptureSetup setup;
    int sampleRate = 8000;
    std::unique_ptr<CaptureEngine> engine;
};

TEST_F(CaptureLoopTest, ReportsEachWholeSecondOnceStartingWithZero)
{
    device.onRead = [&](int n) {
        if (n == 10) RequestStop();
    };
    EXPECT_EQ(Run(), CaptureEnd::Stopped);
    // 16384-byte blocks at 32000 bytes/s: 0, 1, 1, 2, 2, 3, 3, 4, 4, 5 seconds.
    EXPECT_EQ(Elapsed(), (std::vector<LPARAM>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(step.blocks.size(), 10u);
    EXPECT_EQ(step.begunWith, L"C:\\rec\\take.mp3");
    EXPECT_EQ(step.finishes, 1);
    EXPECT_FALSE(step.finishedFailed);
    EXPECT_TRUE(engine->stopRequested());
    EXPECT_FALSE(IsRecording());
    EXPECT_GE(device.closes, 1);
}

TEST_F(CaptureLoopTest, AutoStopLimitCutsTheLastBlock)
{
    struct Case {
        const char* name;
        int sampleRate;   // bytes per second = rate * 4
        int seconds;      // RecStopTime
        std::vector<DWORD> blocks;
        std::vector<LPARAM> elapsed;
    } cases[] = {
        // 32000-byte limit: the second block is cut to 15616 bytes.
        {"cut", 8000, 1, {16384, 15616}, {0}},
        // 32768-byte limit: the second block lands exactly on it and is handed on whole.
        {"exact", 8192, 1, {16384, 16384}, {0}},
        // 96000-byte limit: 5 full blocks, then 14080.
        {"three seconds", 8000, 3, {16384, 16384, 16384, 16384, 16384, 14080}, {0, 1, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        host.received.clear();
        step = RecordingStep{};
        device.reads = 0;
        g_autoStop.enabled = 1;
        g_autoStop.seconds = c.seconds;
        sampleRate = c.sampleRate;
        EXPECT_EQ(Run(), CaptureEnd::LimitReached);
        EXPECT_EQ(step.blocks, c.blocks);
        EXPECT_EQ(step.total, static_cast<uint64_t>(c.seconds) * c.sampleRate * 4);
        EXPECT_EQ(Count(NOTIFY_LIMIT), 1);
        // No elapsed report for the block that reached the limit, and the limit comes last.
        EXPECT_EQ(Elapsed(), c.elapsed);
        EXPECT_EQ(host.received.back().what, static_cast<WPARAM>(NOTIFY_LIMIT));
    }
}

TEST_F(CaptureLoopTest, StopFlagEndsTheLoopWithinOneBlock)
{
    device.onRead = [&](int n) {
        if (n == 3) RequestStop();
    };
    Run();
    EXPECT_EQ(step.blocks.size(), 3u);
    EXPECT_EQ(Count(NOTIFY_LIMIT), 0);
}

TEST_F(CaptureLoopTest, StopDuringSetUpStillEndsAfterTheFirstBlock)
{
    step.onBegin = [&] { RequestStop(); };
    EXPECT_EQ(Run(), CaptureEnd::Stopped);
    EXPECT_EQ(step.blocks.size(), 1u);
    EXPECT_EQ(step.finishes, 1);
}

TEST_F(CaptureLoopTest, DeviceOpenFailurePostsTheWorkersText)
{
    device.openOk = false;
    EXPECT_EQ(Run(), CaptureEnd::DeviceFailed);
    ASSERT_EQ(host.received.size(), 1u);
    EXPECT_EQ(host.received[0].what, static_cast<WPARAM>(NOTIFY_ERROR));
    EXPECT_STREQ(reinterpret_cast<const wchar_t*>(host.received[0].value),
                 L"장치를 열수가 없습니다..");
    EXPECT_TRUE(step.begunWith.empty());
    EXPECT_EQ(step.finishes, 0);
    EXPECT_FALSE(IsRecording());
}

TEST_F(CaptureLoopTest, EncoderStartFailureEndsWithoutBlocks)
{
    step.beginOk = false;
    EXPECT_EQ(Run(), CaptureEnd::BeginFailed);
    EXPECT_EQ(device.reads, 0);
    EXPECT_EQ(step.finishes, 0);
    EXPECT_FALSE(IsRecording());
    EXPECT_GE(device.closes, 1);
}

TEST_F(CaptureLoopTest, EncoderFailureLeavesTheLoopAndFinishesAsFailed)
{
    step.failAtBlock = 2;
    EXPECT_EQ(Run(), CaptureEnd::EncodeFailed);
    EXPECT_EQ(step.blocks.size(), 2u);
    EXPECT_TRUE(step.finishedFailed);
    EXPECT_EQ(Elapsed(), (std::vector<LPARAM>{0}));
}

TEST_F(CaptureLoopTest, StopEndsTheLoopWhenTheDeviceDeliversNothing)
{
    device.deliversNothing = true;
    std::thread stopper([&] {
        ::Sleep(100);
        RequestStop();
    });
    const DWORD start = ::GetTickCount();
    EXPECT_EQ(Run(), CaptureEnd::Stopped);
    stopper.join();
    EXPECT_LT(::GetTickCount() - start, 2000u);
    EXPECT_TRUE(step.blocks.empty());
    EXPECT_EQ(step.finishes, 1);
}

TEST_F(CaptureLoopTest, CountsPastFourGibibytes)
{
    // Seven hours at 44100 Hz stereo is 4 445 280 000 bytes, past what 32 bits can count.
    g_autoStop.enabled = 1;
    g_autoStop.seconds = 7 * 3600;
    sampleRate = 44100;
    EXPECT_EQ(Run(), CaptureEnd::LimitReached);
    EXPECT_EQ(step.total, 4445280000ull);
    const auto elapsed = Elapsed();
    ASSERT_FALSE(elapsed.empty());
    EXPECT_EQ(elapsed.front(), 0);
    EXPECT_EQ(elapsed.back(), 7 * 3600 - 1);
    // Every second reported once, in order, across the 32-bit boundary (about 6.76 hours).
    for (size_t i = 1; i < elapsed.size(); ++i) ASSERT_EQ(elapsed[i], elapsed[i - 1] + 1);
    EXPECT_EQ(Count(NOTIFY_LIMIT), 1);
}

}  // namespace

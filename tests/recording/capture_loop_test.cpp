// The wave-in worker loop against a scripted device and an encoder step that records what it
// is given: elapsed-second reports, the auto-stop cut, the stop flag and the failure paths.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "recorder/recording/CaptureLoop.h"
#include "tests/support/TestHost.h"

using namespace velto;
using velto::test::Notification;
using velto::test::TestHost;

namespace {

// Delivers full blocks (or what `sizes` scripts) and can misbehave on request.
class ScriptedDevice : public CSoundDevice {
public:
    bool Open(const wchar_t*) override
    {
        opened = true;
        return openOk;
    }
    int Close() override
    {
        ++closes;
        return 1;
    }
    int Read(void* buffer, int length) override
    {
        ++reads;
        if (onRead) onRead(reads);
        if (deliversNothing) {
            ::Sleep(5);
            return 0;
        }
        int n = length;
        if (!sizes.empty()) n = sizes[static_cast<size_t>(reads - 1) % sizes.size()];
        std::memset(buffer, reads & 0xFF, static_cast<size_t>(n));
        return n;
    }

    bool openOk = true;
    bool opened = false;
    bool deliversNothing = false;
    std::vector<int> sizes;
    std::function<void(int)> onRead;
    int reads = 0;
    int closes = 0;
};

class RecordingStep : public EncoderStep {
public:
    bool Begin(const std::wstring& path) override
    {
        begunWith = path;
        if (onBegin) onBegin();
        return beginOk;
    }
    bool Encode(const BYTE*, DWORD n) override
    {
        blocks.push_back(n);
        total += n;
        return failAtBlock == 0 || static_cast<int>(blocks.size()) < failAtBlock;
    }
    void Finish(bool failed) override
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
        config.notifyWindow = host.NotifyWindow();
        config.sampleRate = 8000;  // 32000 bytes per second
        config.outputPath = L"C:\\rec\\take.mp3";
        config.deviceOpenError = L"장치를 열수가 없습니다..";
    }

    // Runs the loop on a worker thread, as a recorder does, while this thread collects the
    // posted notifications (a long recording posts more than one queue can hold).
    CaptureEnd Run()
    {
        CaptureEnd end{};
        std::atomic<bool> done{false};
        std::thread worker([&] {
            end = RunCaptureLoop(device, step, config, stopFlag);
            done = true;
        });
        while (!done) {
            host.Drain();
            ::Sleep(1);
        }
        worker.join();
        host.Drain();
        return end;
    }

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
    ScriptedDevice device;
    RecordingStep step;
    CaptureConfig config;
    std::atomic<int> stopFlag{0};
};

TEST_F(CaptureLoopTest, ReportsEachWholeSecondOnceStartingWithZero)
{
    device.onRead = [&](int n) {
        if (n == 10) stopFlag = 1;
    };
    EXPECT_EQ(Run(), CaptureEnd::Stopped);
    // 16384-byte blocks at 32000 bytes/s: 0, 1, 1, 2, 2, 3, 3, 4, 4, 5 seconds.
    EXPECT_EQ(Elapsed(), (std::vector<LPARAM>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(step.blocks.size(), 10u);
    EXPECT_EQ(step.begunWith, L"C:\\rec\\take.mp3");
    EXPECT_EQ(step.finishes, 1);
    EXPECT_FALSE(step.finishedFailed);
    EXPECT_EQ(stopFlag.load(), 1);
    EXPECT_EQ(RecordingState.load(), 0);
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
        stopFlag = 0;
        g_autoStop.enabled = 1;
        g_autoStop.seconds = c.seconds;
        config.sampleRate = c.sampleRate;
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
        if (n == 3) stopFlag = 1;
    };
    Run();
    EXPECT_EQ(step.blocks.size(), 3u);
    EXPECT_EQ(Count(NOTIFY_LIMIT), 0);
}

TEST_F(CaptureLoopTest, StopDuringSetUpStillEndsAfterTheFirstBlock)
{
    step.onBegin = [&] { stopFlag = 1; };
    EXPECT_EQ(Run(), CaptureEnd::Stopped);
    EXPECT_EQ(step.blocks.size(), 1u);
    EXPECT_EQ(step.finishes, 1);
}

TEST_F(CaptureLoopTest, DeviceOpenFailurePostsTheWorkersText)
{
    device.openOk = false;
    RecordingState = 1;
    EXPECT_EQ(Run(), CaptureEnd::DeviceFailed);
    ASSERT_EQ(host.received.size(), 1u);
    EXPECT_EQ(host.received[0].what, static_cast<WPARAM>(NOTIFY_ERROR));
    EXPECT_STREQ(reinterpret_cast<const wchar_t*>(host.received[0].value),
                 L"장치를 열수가 없습니다..");
    EXPECT_TRUE(step.begunWith.empty());
    EXPECT_EQ(step.finishes, 0);
    EXPECT_EQ(RecordingState.load(), 0);
}

TEST_F(CaptureLoopTest, EncoderStartFailureEndsWithoutBlocks)
{
    step.beginOk = false;
    EXPECT_EQ(Run(), CaptureEnd::BeginFailed);
    EXPECT_EQ(device.reads, 0);
    EXPECT_EQ(step.finishes, 0);
    EXPECT_EQ(RecordingState.load(), 0);
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
        stopFlag = 1;
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
    config.sampleRate = 44100;
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

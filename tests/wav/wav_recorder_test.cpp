// WAV recordings end to end under Wine: DirectSound captures a tone played into the null sink,
// the worker copies it into the real writer, and the file is read back. The recorder is driven
// the way the main window drives it (Start, the posted notifications, Stop, delete).
#include <gtest/gtest.h>

#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "recorder/recording/Presets.h"
#include "recorder/recording/WavRecorder.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TestHost.h"
#include "tests/support/Tone.h"
#include "tests/wav/WavFileCheck.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr double kTone = 1000.0;
constexpr double kAmplitude = 16384.0;  // half scale
constexpr double kExpectedLevel = kAmplitude * 2.0 / 3.14159265358979;
constexpr DWORD kPatience = 30000;  // generous: two cores shared with other builds

std::wstring ErrorText(const Notification& n)
{
    return n.what == NOTIFY_ERROR ? reinterpret_cast<const wchar_t*>(n.value) : L"";
}

class WavRecorderTest : public testing::Test {
protected:
    void SetUp() override
    {
        host.recordType = kRecordWav;
        g_autoStop.enabled = 0;
        g_autoStop.seconds = 300;
    }
    void TearDown() override
    {
        g_autoStop.enabled = 1;
        g_autoStop.seconds = 300;
        EXPECT_FALSE(IsRecording());
    }

    std::vector<LPARAM> Values(WPARAM what) const
    {
        std::vector<LPARAM> out;
        for (const Notification& n : host.received)
            if (n.what == what) out.push_back(n.value);
        return out;
    }
    // Pumps notifications until the recording reports `seconds` elapsed.
    bool WaitForSecond(LPARAM seconds, DWORD timeoutMs)
    {
        const DWORD start = ::GetTickCount();
        for (;;) {
            host.Drain();
            for (LPARAM v : Values(NOTIFY_ELAPSED))
                if (v >= seconds) return true;
            if (::GetTickCount() - start > timeoutMs) return false;
            ::Sleep(20);
        }
    }

    TempFolder folder{L"velto-wav 녹음"};
    TestHost host;
    DialogWatcher watcher;  // no box may appear; none may hang a test either
};

// Row 3 is 22050 Hz mono, 44100 bytes per second: two seconds are exactly 88200 bytes, cut
// in the middle of the ninth block.
TEST_F(WavRecorderTest, AutoStopAtRow3GivesExactlyTwoSecondsOfTheTone)
{
    TonePlayer tone(kTone, kAmplitude);
    ASSERT_TRUE(tone.ok());
    host.quality = 3;
    host.outputPath = folder.File(L"자동 정지.wav");
    g_autoStop.enabled = 1;
    g_autoStop.seconds = 2;

    auto recorder = std::make_unique<CWavRecorder>(host);
    ASSERT_EQ(recorder->Start(), 1);
    EXPECT_TRUE(IsRecording());
    ASSERT_TRUE(host.WaitFor(NOTIFY_LIMIT, kPatience));
    // What the main window's stop routine does on NOTIFY_LIMIT.
    EXPECT_EQ(recorder->Stop(), 1);
    EXPECT_EQ(recorder->bytesWritten(), 88200u);
    recorder.reset();
    host.Drain();

    EXPECT_EQ(Values(NOTIFY_ELAPSED), (std::vector<LPARAM>{0, 1}));
    EXPECT_TRUE(Values(NOTIFY_ERROR).empty());
    const WavFile wav = ReadFinishedWav(host.outputPath, MakePcmFormat(1, 22050));
    EXPECT_EQ(wav.dataLength, 88200u);
    EXPECT_EQ(wav.bytes.size(), 88256u);
    EXPECT_EQ(Le32(wav.bytes, 4), 88248u);
    const std::vector<int16_t> secondHalf(wav.samples.begin() + wav.samples.size() / 2,
                                          wav.samples.end());
    EXPECT_NEAR(MeanAbs(secondHalf), kExpectedLevel, kExpectedLevel * 0.15);
    EXPECT_NEAR(EstimateFrequency(wav.samples, 22050), kTone, kTone * 0.01);
    EXPECT_TRUE(watcher.Seen().empty());
}

// Stopped by hand: the file is finished after the worker's last copy and holds every block
// it copied, whole and in order.
TEST_F(WavRecorderTest, StoppedByHandAtRow14KeepsEveryCopiedBlock)
{
    TonePlayer tone(kTone, kAmplitude);
    ASSERT_TRUE(tone.ok());
    host.quality = 14;
    host.outputPath = folder.File(L"손으로 정지.wav");

    auto recorder = std::make_unique<CWavRecorder>(host);
    ASSERT_EQ(recorder->Start(), 1);
    ASSERT_TRUE(WaitForSecond(2, kPatience));
    EXPECT_EQ(recorder->Stop(), 1);
    EXPECT_FALSE(IsRecording());
    const uint64_t copied = recorder->bytesWritten();
    recorder.reset();
    host.Drain();

    EXPECT_TRUE(Values(NOTIFY_LIMIT).empty());
    EXPECT_TRUE(Values(NOTIFY_ERROR).empty());
    const WavFile wav = ReadFinishedWav(host.outputPath, MakePcmFormat(2, 44100));
    EXPECT_EQ(wav.dataLength, copied);
    EXPECT_GE(wav.dataLength, 2u * 176400);
    EXPECT_EQ(wav.dataLength % CWavRecorder::kBlockBytes, 0u);
    ExpectCleanTone(wav.samples, 2, 44100, kTone, kExpectedLevel);
    EXPECT_TRUE(watcher.Seen().empty());
}

// The file's size limit (small here, 2 GiB in use) ends the recording like the auto-stop
// does, but tells the user why.
TEST_F(WavRecorderTest, TheFileLimitStopsCleanlyAndSaysSo)
{
    host.quality = 14;
    host.outputPath = folder.File(L"full.wav");
    auto recorder = std::make_unique<CWavRecorder>(host, 100000);
    ASSERT_EQ(recorder->Start(), 1);
    ASSERT_TRUE(host.WaitFor(NOTIFY_ERROR, kPatience));
    EXPECT_EQ(recorder->Stop(), 1);
    recorder.reset();
    host.Drain();

    const std::vector<LPARAM> errors = Values(NOTIFY_ERROR);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(std::wstring(reinterpret_cast<const wchar_t*>(errors[0])),
              L"파일 크기가 2GB에 이르러 녹음을 중지 하였습니다..");
    EXPECT_TRUE(Values(NOTIFY_LIMIT).empty());
    EXPECT_EQ(ReadFinishedWav(host.outputPath, MakePcmFormat(2, 44100)).dataLength, 100000u);
}

TEST_F(WavRecorderTest, AFileThatCannotBeCreatedIsReported)
{
    host.quality = 0;
    host.outputPath = folder.File(L"없는 폴더\\take.wav");
    auto recorder = std::make_unique<CWavRecorder>(host);
    ASSERT_EQ(recorder->Start(), 1);
    ASSERT_TRUE(host.WaitFor(NOTIFY_ERROR, kPatience));
    EXPECT_EQ(recorder->Stop(), 1);
    recorder.reset();
    host.Drain();

    ASSERT_EQ(Values(NOTIFY_ERROR).size(), 1u);
    for (const Notification& n : host.received)
        if (n.what == NOTIFY_ERROR) {
            EXPECT_EQ(ErrorText(n), L"파일을 만들 수 없습니다.");
        }
    EXPECT_EQ(::GetFileAttributesW(host.outputPath.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(watcher.Seen().empty());
}

// Stopping or deleting the recorder at awkward moments never hangs, and whatever file exists
// afterwards is finished.
TEST_F(WavRecorderTest, StopOrDeleteAtAnyMomentLeavesAFinishedFile)
{
    struct Case {
        const wchar_t* name;
        bool waitForFirstSecond;
        bool callStop;
    };
    const Case cases[] = {
        {L"stop at once", false, true},
        {L"delete at once", false, false},
        {L"delete while recording", true, false},
    };
    host.quality = 11;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name, c.name + wcslen(c.name)));
        host.outputPath = folder.File(std::wstring(c.name) + L".wav");
        host.received.clear();
        auto recorder = std::make_unique<CWavRecorder>(host);
        ASSERT_EQ(recorder->Start(), 1);
        if (c.waitForFirstSecond) {
            ASSERT_TRUE(WaitForSecond(0, kPatience));
        }
        if (c.callStop) {
            EXPECT_EQ(recorder->Stop(), 1);
        }
        recorder.reset();
        EXPECT_FALSE(IsRecording());
        if (::GetFileAttributesW(host.outputPath.c_str()) != INVALID_FILE_ATTRIBUTES) {
            const WavFile wav = ReadFinishedWav(host.outputPath, MakePcmFormat(2, 22050));
            EXPECT_EQ(wav.dataLength % CWavRecorder::kBlockBytes, 0u);
        } else {
            EXPECT_FALSE(c.waitForFirstSecond) << "a recording that ran left no file";
        }
        host.Drain();
        EXPECT_TRUE(Values(NOTIFY_ERROR).empty());
    }
}

}  // namespace

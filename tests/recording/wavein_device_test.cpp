// The real wave-in device under Wine: what is played into the null sink comes back through
// device 0 (its monitor), at every sample rate an MP3 recording captures at.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "recorder/recording/CaptureEngine.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/SoundDevice.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/TestHost.h"
#include "tests/support/Tone.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr double kTone = 1000.0;
constexpr double kAmplitude = 16384.0;  // half scale
// Mean absolute value of a sine is 2/pi of its amplitude.
constexpr double kExpectedLevel = kAmplitude * 2.0 / 3.14159265358979;

// Counts what it is given and keeps nothing.
class SilentStep : public EncoderStep {
public:
    bool Begin(const std::wstring&, const WAVEFORMATEX&, const Reporter&) override { return true; }
    HRESULT Write(DWORD n, const BYTE*, DWORD* written) override
    {
        bytes += n;
        *written = n;
        return S_OK;
    }
    DWORD bytes = 0;
};

std::vector<int16_t> Capture(CWaveInDevice& device, double seconds)
{
    const size_t wanted = static_cast<size_t>(seconds * device.sampleRate * 2);
    std::vector<int16_t> samples;
    std::vector<BYTE> block(CWaveInDevice::kSliceBytes);
    const DWORD start = ::GetTickCount();
    while (samples.size() < wanted && ::GetTickCount() - start < 10000) {
        int n = device.Read(block.data(), CWaveInDevice::kSliceBytes);
        auto* p = reinterpret_cast<const int16_t*>(block.data());
        samples.insert(samples.end(), p, p + n / 2);
    }
    return samples;
}

TEST(WaveInDevice, CapturesThePlayedToneAtEveryMp3Rate)
{
    TonePlayer tone(kTone, kAmplitude);
    ASSERT_TRUE(tone.ok());
    ::Sleep(300);
    for (int rate : {8000, 16000, 32000, 44100}) {
        SCOPED_TRACE(rate);
        CWaveInDevice device;
        device.channels = 2;
        device.sampleRate = rate;
        device.deviceId = 0;
        ASSERT_TRUE(device.Open(L""));
        device.Start();
        Capture(device, 0.3);  // let the stream settle
        std::vector<int16_t> samples = Capture(device, 1.0);
        ASSERT_GE(samples.size(), static_cast<size_t>(rate * 2 * 0.9));
        for (int ch = 0; ch < 2; ++ch) {
            std::vector<int16_t> one = Channel(samples, 2, ch);
            EXPECT_NEAR(MeanAbs(one), kExpectedLevel, kExpectedLevel * 0.15) << "channel " << ch;
            EXPECT_NEAR(EstimateFrequency(one, rate), kTone, kTone * 0.01) << "channel " << ch;
        }
        EXPECT_EQ(device.Close(), 1);
    }
}

TEST(WaveInDevice, ReadsWholeSlicesInOrderWithoutGaps)
{
    TonePlayer tone(kTone, kAmplitude);
    ::Sleep(200);
    CWaveInDevice device;
    device.sampleRate = 44100;
    device.deviceId = 0;
    ASSERT_TRUE(device.Open(L""));
    device.Start();
    Capture(device, 0.5);
    // Slices taken out of order, dropped or read twice break the sine's phase.
    std::vector<int16_t> samples;
    std::vector<BYTE> block(CWaveInDevice::kSliceBytes);
    int full = 0;
    const DWORD start = ::GetTickCount();
    while (full < 24 && ::GetTickCount() - start < 10000) {
        int n = device.Read(block.data(), CWaveInDevice::kSliceBytes);
        if (n == 0) continue;  // nothing arrived in time
        EXPECT_EQ(n, CWaveInDevice::kSliceBytes);
        ++full;
        auto* p = reinterpret_cast<const int16_t*>(block.data());
        samples.insert(samples.end(), p, p + n / 2);
    }
    ASSERT_EQ(full, 24);
    EXPECT_EQ(CountDiscontinuities(Channel(samples, 2, 0), 44100, kTone), 0);
}

TEST(WaveInDevice, ClosingANeverOpenedDeviceDoesNothing)
{
    CWaveInDevice device;
    EXPECT_EQ(device.Close(), 1);
    EXPECT_EQ(device.Close(), 1);
}

// The device says nothing itself; the engine's wave-in source names its box, which the
// window shows before the recorder's own text.
TEST(WaveInDevice, OpenFailureIsReportedWithItsMessage)
{
    DialogWatcher watcher;
    CWaveInDevice device;
    device.deviceId = 99;  // no such device
    EXPECT_FALSE(device.Open(L""));

    TestHost host;
    CaptureSetup setup;
    setup.notifyWindow = host.NotifyWindow();
    setup.wanted = MakePcmFormat(2, 44100);
    auto source = std::make_unique<WaveInSource>();
    source->deviceId = 99;
    CaptureEngine engine(setup, std::move(source), std::make_unique<SilentStep>());
    ASSERT_TRUE(engine.Start());
    ASSERT_TRUE(engine.WaitForEnd(10000));
    EXPECT_EQ(engine.end(), CaptureEnd::DeviceFailed);
    ASSERT_TRUE(host.WaitFor(NOTIFY_ERROR, 5000));
    EXPECT_EQ(host.messages, std::vector<std::wstring>{L"VeltoRecorder|Could not open wave device."});
    ASSERT_TRUE(watcher.WaitFor(L"Could not open wave device.", 5000));
    EXPECT_EQ(watcher.Seen().front().caption, L"VeltoRecorder");
}

// A device that is never started never fills a slice: a stop must still end the worker, and
// closing must not wait for slices the driver will never return.
TEST(WaveInDevice, StopEndsAWorkerWhoseDeviceDeliversNothing)
{
    class NeverStarted : public WaveInSource {
    public:
        HRESULT Start() override { return S_OK; }
    };
    auto source = std::make_unique<NeverStarted>();
    auto step = std::make_unique<SilentStep>();
    SilentStep& silent = *step;

    TestHost host;
    CaptureSetup setup;
    setup.notifyWindow = host.NotifyWindow();
    setup.wanted = MakePcmFormat(2, 8000);
    g_autoStop.enabled = 0;
    CaptureEngine engine(setup, std::move(source), std::move(step));
    ASSERT_TRUE(engine.Start());
    ::Sleep(400);
    const DWORD stoppedAt = ::GetTickCount();
    engine.Stop();
    const DWORD took = ::GetTickCount() - stoppedAt;
    EXPECT_EQ(engine.end(), CaptureEnd::Stopped);
    EXPECT_EQ(silent.bytes, 0u);
    EXPECT_LT(took, 4000u) << "stop took " << took << " ms";
}

}  // namespace

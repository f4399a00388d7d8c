#include "recorder/recording/CaptureLoop.h"

#include <memory>
#include <vector>

#include "recorder/recording/Presets.h"

namespace velto {

uint64_t AutoStopLimitBytes(uint64_t bytesPerSecond)
{
    if (!g_autoStop.enabled.load()) return 0;
    int seconds = g_autoStop.seconds.load();
    if (seconds < 0) seconds = 0;
    return static_cast<uint64_t>(seconds) * bytesPerSecond;
}

CaptureEnd RunCaptureLoop(CSoundDevice& device, EncoderStep& step, const CaptureConfig& config,
                          std::atomic<int>& stopFlag)
{
    auto post = [&](WPARAM what, LPARAM value) {
        ::PostMessageW(config.notifyWindow, WM_RECORDER_NOTIFY, what, value);
    };
    auto finishWorker = [&](CaptureEnd end) {
        stopFlag = 1;
        RecordingState = 0;
        device.Close();
        return end;
    };

    if (!device.Open(L"")) {
        RecordingState = 0;
        post(NOTIFY_ERROR, reinterpret_cast<LPARAM>(config.deviceOpenError));
        return finishWorker(CaptureEnd::DeviceFailed);
    }
    device.Start();
    if (!step.Begin(config.outputPath)) return finishWorker(CaptureEnd::BeginFailed);

    std::vector<BYTE> block(kCaptureBlockBytes);
    RecordingState = 1;
    const uint64_t bytesPerSecond = static_cast<uint64_t>(config.sampleRate) * 4;
    const bool autoStop = g_autoStop.enabled.load() != 0;
    const uint64_t limit = AutoStopLimitBytes(bytesPerSecond);
    uint64_t bytesSoFar = 0;
    int64_t lastSecond = -1;
    CaptureEnd end = CaptureEnd::Stopped;

    for (;;) {
        int read = device.Read(block.data(), kCaptureBlockBytes);
        if (read > 0) {
            uint64_t n = static_cast<uint64_t>(read);
            bool limitReached = false;
            if (autoStop && bytesSoFar + n >= limit) {
                n = limit - bytesSoFar;
                limitReached = true;
            }
            bytesSoFar += n;
            const int64_t seconds = static_cast<int64_t>(bytesSoFar / bytesPerSecond);
            if (!step.Encode(block.data(), static_cast<DWORD>(n))) {
                end = CaptureEnd::EncodeFailed;
                break;
            }
            if (limitReached) {
                post(NOTIFY_LIMIT, 0);
                end = CaptureEnd::LimitReached;
                break;
            }
            if (seconds != lastSecond) {
                post(NOTIFY_ELAPSED, static_cast<LPARAM>(seconds));
                lastSecond = seconds;
            }
        }
        // A read that brought nothing (a device that delivers nothing) still lets a stop end
        // the recording.
        if (stopFlag.load()) break;
    }

    step.Finish(end == CaptureEnd::EncodeFailed);
    return finishWorker(end);
}

int CWaveInRecorder::Start()
{
    if (!CRecorder::Start()) return 0;
    stopFlag_ = 0;
    // Set before the worker runs: a worker that fails at once sets it back to 0 itself.
    RecordingState = 1;
    if (!StartWorker(&CWaveInRecorder::WorkerMain)) {
        stopFlag_ = 1;
        RecordingState = 0;
        return 0;
    }
    return 1;
}

unsigned __stdcall CWaveInRecorder::WorkerMain(void* self)
{
    auto* recorder = static_cast<CWaveInRecorder*>(self);
    try {
        recorder->RunWorker();
    } catch (...) {
        // Nothing may leave the thread; the recording simply ends.
        recorder->stopFlag_ = 1;
        RecordingState = 0;
    }
    return 0;
}

void CWaveInRecorder::RunWorker()
{
    CaptureConfig config;
    config.notifyWindow = notifyWindow_;
    config.sampleRate = PresetSampleRate(recordType_, quality_);
    config.outputPath = outputPath_;
    config.deviceOpenError = DeviceOpenError();

    CWaveInDevice device;
    device.channels = 2;
    device.sampleRate = config.sampleRate;
    device.deviceId = 0;
    std::unique_ptr<EncoderStep> step(CreateEncoderStep());
    RunCaptureLoop(device, *step, config, stopFlag_);
}

}  // namespace velto

// The worker loop shared by the wave-in recorders (MP3 and WMA): open the capture device, let
// the format's encoder step set itself up, then read 16384-byte blocks, count elapsed seconds,
// apply the auto-stop limit and hand every block to the encoder step until a stop is asked.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "recorder/recording/Recorder.h"
#include "recorder/recording/SoundDevice.h"

namespace velto {

// One recording's format-specific work, all on the worker thread.
class EncoderStep {
public:
    virtual ~EncoderStep() = default;
    // Creates the output and starts the encoder. false when nothing can be recorded; the step
    // has shown its message and posted whatever the main window must hear.
    virtual bool Begin(const std::wstring& outputPath) = 0;
    // Takes n captured bytes (n may be 0 when the limit falls on a block boundary). false ends
    // the recording; the step has reported why.
    virtual bool Encode(const BYTE* data, DWORD n) = 0;
    // Called once after the loop, when Begin succeeded: flush and close. `failed` is true when
    // Encode refused a block.
    virtual void Finish(bool failed) = 0;
};

struct CaptureConfig {
    HWND notifyWindow = nullptr;
    int sampleRate = 44100;  // captured in stereo, 16 bits
    std::wstring outputPath;
    const wchar_t* deviceOpenError = L"";  // posted with NOTIFY_ERROR when Open fails
};

enum class CaptureEnd { DeviceFailed, BeginFailed, Stopped, LimitReached, EncodeFailed };

inline constexpr int kCaptureBlockBytes = 16384;

// Runs one recording on the calling thread. Opens, starts and finally closes `device`.
// Sets RecordingState and `stopFlag` as a worker must; byte counts are 64-bit, so elapsed
// seconds and the limit stay right however long the recording runs.
CaptureEnd RunCaptureLoop(CSoundDevice& device, EncoderStep& step, const CaptureConfig& config,
                          std::atomic<int>& stopFlag);

// Auto-stop limit in bytes for the current settings; 0 means no limit.
uint64_t AutoStopLimitBytes(uint64_t bytesPerSecond);

// A recorder whose worker captures from wave-in device 0 through RunCaptureLoop.
class CWaveInRecorder : public CRecorder {
public:
    using CRecorder::CRecorder;
    int Start() override;

protected:
    // The format's encoder step for one recording; created on the worker thread.
    virtual EncoderStep* CreateEncoderStep() = 0;
    virtual const wchar_t* DeviceOpenError() const = 0;

private:
    static unsigned __stdcall WorkerMain(void* self);
    void RunWorker();
};

}  // namespace velto

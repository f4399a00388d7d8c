// The capture engine: one worker thread per recording that waits on its capture source's data
// handle and its own stop event, hands every captured stretch to the format's encoder step
// through the one arithmetic of CaptureCopy.h, and reports to the main window only by posting
// WM_RECORDER_NOTIFY.
//
// Who owns what: the engine owns the source, the step and the worker. Between Start and the end
// of the worker the source and the step are the worker's alone; the caller's thread touches the
// step again (Finish) only after the worker has ended, so a file is finished exactly once and
// after its last write.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "common/win/Handles.h"
#include "recorder/recording/CaptureCopy.h"
#include "recorder/recording/Recorder.h"

namespace velto {

// How the worker's parts tell the user something: every report is a posted notification.
class Reporter {
public:
    explicit Reporter(HWND window) : window_(window) {}
    void Post(WPARAM what, LPARAM value = 0) const;
    void PostError(const wchar_t* staticText) const;
    // A box with `text` and `caption`, then `then` (RecorderMessage::kNoFollowUp for nothing).
    void Tell(std::wstring text, const wchar_t* caption, UINT type,
              WPARAM then = RecorderMessage::kNoFollowUp, LPARAM thenValue = 0) const;
    HWND window() const { return window_; }

private:
    HWND window_;
};

// Where the sound comes from: a device that fills a buffer and signals a handle.
class CaptureSource {
public:
    virtual ~CaptureSource() = default;
    // Opens the device for `wanted` (on the worker thread). On a failure the engine posts
    // NOTIFY_ERROR with the recorder's device text, after OpenFailureBox when there is one.
    virtual HRESULT Open(const WAVEFORMATEX& wanted) = 0;
    // A box the user sees before the device text when Open failed; null for none.
    virtual const wchar_t* OpenFailureBox() const { return nullptr; }
    // The format really captured; valid after a successful Open.
    virtual const WAVEFORMATEX& format() const = 0;
    virtual HRESULT Start() = 0;
    // Signalled when captured data may be ready. The worker's wait on it counts as taken.
    virtual HANDLE DataReady() const = 0;
    // After DataReady: hands what is ready to `sink` through CopyBlock or CopyCaptured and
    // returns what they returned.
    virtual HRESULT Deliver(PcmSink& sink, CaptureCursor& cursor) = 0;
    // Stops capturing and lets go of the device (on the worker thread, at its end).
    virtual void Close() = 0;
};

// What one file format does with the sound; the step is the sink the source fills.
class EncoderStep : public PcmSink {
public:
    // Creates the output for `format` (on the worker thread). false when nothing can be
    // recorded; the step has told `reporter` what the main window must hear.
    virtual bool Begin(const std::wstring& outputPath, const WAVEFORMATEX& format,
                       const Reporter& reporter) = 0;
    // The most sample bytes the output can hold.
    virtual uint64_t MaxDataBytes(const WAVEFORMATEX& /*format*/) const { return kNoByteLimit; }
    // What NOTIFY_ERROR carries when Write failed; null when the step has reported it itself.
    virtual const wchar_t* WriteFailureText() const { return kFileWriteError; }
    // On the worker after the last Write, when Begin succeeded. `failed`: Write failed.
    virtual void EndOfCapture(bool /*failed*/, const Reporter& /*reporter*/) {}
    // On the caller's thread once the worker has ended (Stop, or the recorder's end).
    virtual void Finish() {}
};

enum class CaptureEnd {
    Running,
    DeviceFailed,   // the source could not be opened
    BeginFailed,    // the step could not begin
    Stopped,        // asked to stop
    LimitReached,   // the auto-stop limit
    EncodeFailed,   // the step refused data
    CaptureFailed,  // the capture failed, or the file is full
};

struct CaptureSetup {
    HWND notifyWindow = nullptr;
    std::wstring outputPath;
    WAVEFORMATEX wanted{};
    const wchar_t* deviceOpenError = kDeviceOpenError;  // posted with NOTIFY_ERROR
    int priority = THREAD_PRIORITY_NORMAL;
    uint64_t maxDataBytes = 0;  // 0: what the step says its output can hold
};

class CaptureEngine {
public:
    CaptureEngine(CaptureSetup setup, std::unique_ptr<CaptureSource> source,
                  std::unique_ptr<EncoderStep> step);
    // Stops a worker that still runs and finishes the step.
    ~CaptureEngine();
    CaptureEngine(const CaptureEngine&) = delete;
    CaptureEngine& operator=(const CaptureEngine&) = delete;

    // Starts the worker; false when no thread could be made (nothing runs then).
    bool Start();
    // Asks the worker to stop without waiting for it.
    void RequestStop();
    // Asks, waits for the worker and finishes the step (once). The state is Idle afterwards.
    void Stop();
    // Waits for the worker to end by itself; false when the time ran out.
    bool WaitForEnd(DWORD timeoutMs);

    bool stopRequested() const { return stopRequested_.load(); }
    // Meaningful once the worker has ended.
    CaptureEnd end() const { return end_.load(); }
    uint64_t bytesCaptured() const { return bytesCaptured_.load(); }
    EncoderStep& step() { return *step_; }

private:
    static unsigned __stdcall Entry(void* self);
    CaptureEnd Run();
    CaptureEnd Loop(const Reporter& reporter);
    void EndWorker(CaptureEnd end);

    const CaptureSetup setup_;
    std::unique_ptr<CaptureSource> source_;
    std::unique_ptr<EncoderStep> step_;
    UniqueHandle stopEvent_;
    UniqueHandle worker_;
    std::atomic<bool> stopRequested_{true};
    std::atomic<CaptureEnd> end_{CaptureEnd::Running};
    std::atomic<uint64_t> bytesCaptured_{0};
    bool finished_ = false;
};

}  // namespace velto

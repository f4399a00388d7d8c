// The recorder contract shared by the three record types, the process-wide recording state
// and the notification protocol from the capture engine to the main window.
//
// Threads: the user-interface thread constructs a recorder, calls CheckReady/Start/Stop and
// deletes it. The recorder's capture engine (CaptureEngine.h) runs the worker, which talks
// back only by posting WM_RECORDER_NOTIFY.
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "common/win/Handles.h"

namespace velto {

inline constexpr UINT WM_RECORDER_NOTIFY = WM_USER + 5;

enum RecorderNotify : WPARAM {
    NOTIFY_ENCODER_FAILED = 0,  // the WMA writer could not be opened; delete the recorder
    NOTIFY_ELAPSED = 1,         // lParam: elapsed whole seconds
    NOTIFY_STOP = 2,            // run the stop routine
    NOTIFY_LIMIT = 3,           // the auto-stop limit was reached
    NOTIFY_ERROR = 4,           // lParam: const wchar_t* to a static error text
    NOTIFY_PLAY_POSITION = 5,   // the main window's own playback position, in seconds
    NOTIFY_MESSAGE = 6,         // lParam: RecorderMessage* the receiver takes over
};

// A box the user must read, posted by the worker: the window shows it (with the text, caption
// and type given) and then handles `then` as if it had been posted with `thenValue`.
struct RecorderMessage {
    std::wstring text;
    std::wstring caption;
    UINT type = MB_OK;
    WPARAM then = kNoFollowUp;
    LPARAM thenValue = 0;
    static constexpr WPARAM kNoFollowUp = ~WPARAM{0};
};
// Posts `message` to `window` with NOTIFY_MESSAGE; it is freed here when it cannot be posted.
void PostRecorderMessage(HWND window, std::unique_ptr<RecorderMessage> message);
// What the receiver of NOTIFY_MESSAGE calls to take the message over.
inline std::unique_ptr<RecorderMessage> TakeRecorderMessage(LPARAM value)
{
    return std::unique_ptr<RecorderMessage>(reinterpret_cast<RecorderMessage*>(value));
}

// Where the one recording of the process stands. Only the capture engine moves it on (tests
// set it to stage a recording); the main window reads it without a lock.
enum class RecorderState : int {
    Idle,       // nothing records
    Starting,   // Start ran; the worker sets up the device and the file
    Recording,  // blocks are flowing into the file
    Stopping,   // a stop was asked; the worker is finishing
    Failed,     // the worker ended on a failure it has reported
};
extern std::atomic<RecorderState> RecordingState;
// Starting, Recording or Stopping: the window shows a recording.
bool IsRecording();

// The auto-stop settings ("AutoStop", "RecStopTime"), shared by the main window, the
// auto-stop page and the workers, which read them once when a recording starts.
struct AutoStopSettings {
    std::atomic<int> enabled{1};
    std::atomic<int> seconds{300};
};
extern AutoStopSettings g_autoStop;

// What a recorder needs from the main window. The main window implements it; tests supply
// their own.
class RecorderHost {
public:
    virtual ~RecorderHost() = default;
    // The path the next recording writes (the path box's text).
    virtual std::wstring GetOutputPath() = 0;
    // Free MiB on the save folder's drive; -1 without a drive letter.
    virtual int GetFreeMegabytes() = 0;
    // The save-as dialog; 1 when a file was chosen (it becomes the output path), else 0.
    virtual int ChooseSaveFile(int proposeNew) = 0;
    virtual int CurrentRecordType() const = 0;
    virtual int CurrentQuality() const = 0;
    // Owner of the recorder's message boxes and receiver of WM_RECORDER_NOTIFY.
    virtual HWND NotifyWindow() const = 0;
};

class CaptureEngine;
class CaptureSource;
class EncoderStep;

// One recording: asks the window for the file, then runs a capture engine that feeds the
// format's encoder step from the format's capture source. The three record types only say
// which source and which step.
class CRecorder {
public:
    explicit CRecorder(RecorderHost& host);
    // Ends a recording that is still running (a recorder deleted without Stop, after
    // NOTIFY_ENCODER_FAILED). Subclasses whose steps use their members call EndRecording in
    // their own destructors, while those members still exist.
    virtual ~CRecorder();
    CRecorder(const CRecorder&) = delete;
    CRecorder& operator=(const CRecorder&) = delete;

    // 1 when a recording may begin: the path is taken and at least 50 MiB are free.
    virtual int CheckReady();
    // 1 when the worker runs, 0 to abandon (nothing was started).
    virtual int Start();
    // Asks the worker to stop, waits for it and finishes the file. Returns 1.
    virtual int Stop();

    const std::wstring& outputPath() const { return outputPath_; }
    // True before Start, once a stop was asked and once the worker has ended.
    bool stopRequested() const;
    // Sample bytes the step took; final once the worker has ended.
    uint64_t bytesCaptured() const;

protected:
    // Made on the user-interface thread at Start; used on the worker thread.
    virtual std::unique_ptr<CaptureSource> CreateSource() = 0;
    virtual std::unique_ptr<EncoderStep> CreateStep() = 0;
    // The PCM format asked of the source.
    virtual WAVEFORMATEX WantedFormat() const = 0;
    // The worker's priority while it sets up (a step may change it).
    virtual int WorkerPriority() const { return THREAD_PRIORITY_NORMAL; }
    // Posted with NOTIFY_ERROR when the device cannot be opened.
    virtual const wchar_t* DeviceOpenError() const;
    // A cap on the samples of one file below what the format holds; 0 for none.
    virtual uint64_t MaxDataBytes() const { return 0; }
    // Stops and forgets the engine; safe to call more than once.
    void EndRecording();

    RecorderHost& host_;
    std::wstring outputPath_;
    // Taken on the user-interface thread at Start, so the worker never asks the window.
    int recordType_ = 0;
    int quality_ = 0;
    HWND notifyWindow_ = nullptr;

private:
    // The overwrite question and the save-as dialog; 1 to go on.
    int ConfirmOutputPath();

    std::unique_ptr<CaptureEngine> engine_;
};

}  // namespace velto

// The recorder contract shared by the three record types, the process-wide recording state
// and the notification protocol from the workers to the main window.
//
// Threads: the user-interface thread constructs a recorder, calls CheckReady/Start/Stop and
// deletes it. The worker thread reads the stop flag once per block and talks back only by
// posting WM_RECORDER_NOTIFY. RecordingState and the stop flag are the only shared values.
#pragma once

#include <windows.h>

#include <atomic>
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
};

// 0 idle, 1 recording. Written by recorders and workers, read by the main window.
extern std::atomic<int> RecordingState;

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

class CRecorder {
public:
    explicit CRecorder(RecorderHost& host);
    // Waits for a worker that is still running, so a recorder deleted without Stop (after
    // NOTIFY_ENCODER_FAILED) never leaves a thread behind.
    virtual ~CRecorder();
    CRecorder(const CRecorder&) = delete;
    CRecorder& operator=(const CRecorder&) = delete;

    // 1 when a recording may begin: the path is taken and at least 50 MiB are free.
    virtual int CheckReady();
    // 1 to go on, 0 to abandon. Subclasses call it first, then start their worker.
    virtual int Start();
    virtual int Stop();

    const std::wstring& outputPath() const { return outputPath_; }
    bool stopRequested() const { return stopFlag_.load() != 0; }

protected:
    // Starts `entry(this)` with _beginthreadex; false when the thread cannot be created.
    bool StartWorker(unsigned(__stdcall* entry)(void*));
    // Waits without limit for the worker, then forgets its handle.
    void JoinWorker();

    RecorderHost& host_;
    std::wstring outputPath_;
    std::atomic<int> stopFlag_{1};  // 1: no worker running or stop requested
    UniqueHandle worker_;
    // Taken on the user-interface thread at Start, so the worker never asks the window.
    int recordType_ = 0;
    int quality_ = 0;
    HWND notifyWindow_ = nullptr;
};

// Formats into at most 1024 characters and shows an owner-less box captioned "Error".
void ShowError(const wchar_t* format, ...);

}  // namespace velto

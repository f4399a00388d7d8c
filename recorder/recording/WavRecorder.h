// The WAV recorder: DirectSound capture into a looping buffer of ten blocks, copied into a
// CWaveWriter by its own worker thread, CWavThread.
//
// Who owns what: between Start and the end of the worker, the capture objects, the events,
// the copy cursor, the format and the writer belong to the worker alone; the user-interface
// thread only sets the stop flag and wakes the worker. Stop and the destructor touch those
// objects only after the worker has ended, so the file is finished exactly once, after the
// last Write, and every capture object is released exactly once, by whichever thread holds
// it at that moment.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "common/win/Handles.h"
#include "recorder/recording/CaptureCopy.h"
#include "recorder/recording/Recorder.h"
#include "recorder/recording/WaveWriter.h"

namespace velto {

// Thread messages of CWavThread.
inline constexpr UINT WM_WAVTHREAD_START = WM_USER + 150;  // create the file, start capturing
inline constexpr UINT WM_WAVTHREAD_WAKE = WM_USER + 151;   // look at the stop flag

// Texts posted with NOTIFY_ERROR by the WAV worker.
inline constexpr const wchar_t* kWavDeviceError = L"장치를 열수가 없습니다..";
inline constexpr const wchar_t* kWavCaptureStartError = L"녹음을 할 수 없습니다.";
inline constexpr const wchar_t* kWavFileCreateError = L"파일을 만들 수 없습니다.";
inline constexpr const wchar_t* kWavFileWriteError = L"파일을 저장할 수 없습니다.";
inline constexpr const wchar_t* kWavFileFullError =
    L"파일 크기가 2GB에 이르러 녹음을 중지 하였습니다..";

class CWavRecorder;

// What the worker makes of one block event, given what copying returned: whether the
// recording is over and what the main window is told. Counts are 64-bit, so the seconds and
// the limit stay right however long a recording runs. `lastSecond` is the second last
// reported; it is updated when a new one is reported.
struct BlockOutcome {
    bool ends = false;    // the recording is complete or failed: the worker stops
    bool notify = false;  // post WM_RECORDER_NOTIFY with `what` and `value`
    WPARAM what = 0;
    LPARAM value = 0;
};
BlockOutcome AfterBlockCopied(HRESULT copyResult, uint64_t bytesWritten, uint64_t bytesPerSecond,
                              int autoStopSeconds, int64_t& lastSecond);

// The worker: a thread with its own message queue, at the lowest priority.
class CWavThread {
public:
    explicit CWavThread(CWavRecorder& recorder) : recorder_(recorder) {}
    ~CWavThread();
    CWavThread(const CWavThread&) = delete;
    CWavThread& operator=(const CWavThread&) = delete;

    // Starts the thread and returns once its message queue exists, so that messages posted
    // right after are never lost. false when no thread could be started.
    bool Create();
    bool PostToThread(UINT message);
    // Waits without limit for the thread to end.
    void Join();

private:
    static unsigned __stdcall Entry(void* self);
    void Run();
    void RunLoop();
    void OnBlockEvent(uint64_t bytesPerSecond, int64_t& lastSecond);
    void PumpMessages();
    void ExitInstance();

    CWavRecorder& recorder_;
    UniqueHandle blockEvent_;  // signalled at the end of each block
    UniqueHandle stopEvent_;   // signalled when the capture buffer stops
    UniqueHandle thread_;
    UniqueHandle queueReady_;
    unsigned threadId_ = 0;
};

class CWavRecorder : public CRecorder {
public:
    static constexpr DWORD kBlockBytes = 10584;
    static constexpr DWORD kBlocks = 10;

    // `maxDataBytes` caps the samples of one file; 0 means what the file format can hold.
    explicit CWavRecorder(RecorderHost& host, uint64_t maxDataBytes = 0);
    ~CWavRecorder() override;

    int Start() override;
    int Stop() override;

    // For the worker and for tests; meaningful once the worker has ended.
    uint64_t bytesWritten() const { return cursor_.bytesWritten; }

private:
    friend class CWavThread;

    HRESULT PrepareFormat();
    HRESULT OpenCaptureDevice();
    HRESULT CreateBuffer();
    HRESULT SetNotifications();
    HRESULT BeginRecording();
    HRESULT CopyCaptured();
    // Stops capturing and finishes the file; on the user-interface thread after the worker.
    void EndCapture();
    // Releases the capture objects that are still held, and the format.
    void FreeCapture();
    void StopCaptureBuffer();
    void WakeWorker();

    CaptureCursor cursor_;
    uint64_t maxDataBytesOverride_ = 0;
    DSBPOSITIONNOTIFY positions_[kBlocks + 1]{};
    ComPtr<IDirectSoundNotify> notify_;
    ComPtr<IDirectSoundCaptureBuffer> captureBuffer_;
    ComPtr<IDirectSoundCapture> captureDevice_;
    HANDLE blockEvent_ = nullptr;  // owned by the worker
    HANDLE stopEvent_ = nullptr;   // owned by the worker
    bool comInitialized_ = false;
    DWORD factValue_ = 0;
    std::unique_ptr<CWaveWriter> writer_;
    std::optional<WAVEFORMATEX> format_;
    std::unique_ptr<CWavThread> thread_;
};

}  // namespace velto

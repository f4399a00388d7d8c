#include "recorder/recording/CaptureEngine.h"

#include <process.h>

#include "common/AppMessageBox.h"

namespace velto {

namespace {

// Moves a running recording on to `to`; a recording that has already ended stays as it is.
void Advance(RecorderState from, RecorderState to)
{
    RecordingState.compare_exchange_strong(from, to);
}

}  // namespace

void Reporter::Post(WPARAM what, LPARAM value) const
{
    ::PostMessageW(window_, WM_RECORDER_NOTIFY, what, value);
}

void Reporter::PostError(const wchar_t* staticText) const
{
    Post(NOTIFY_ERROR, reinterpret_cast<LPARAM>(staticText));
}

void Reporter::Tell(std::wstring text, const wchar_t* caption, UINT type, WPARAM then,
                    LPARAM thenValue) const
{
    auto message = std::make_unique<RecorderMessage>();
    message->text = std::move(text);
    message->caption = caption;
    message->type = type;
    message->then = then;
    message->thenValue = thenValue;
    PostRecorderMessage(window_, std::move(message));
}

CaptureEngine::CaptureEngine(CaptureSetup setup, std::unique_ptr<CaptureSource> source,
                             std::unique_ptr<EncoderStep> step)
    : setup_(std::move(setup)), source_(std::move(source)), step_(std::move(step))
{
}

CaptureEngine::~CaptureEngine()
{
    Stop();
}

bool CaptureEngine::Start()
{
    stopEvent_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stopEvent_ || !source_ || !step_) return false;
    stopRequested_ = false;
    end_ = CaptureEnd::Running;
    // Before the worker runs: a worker that fails at once moves it on for good.
    RecordingState = RecorderState::Starting;
    const uintptr_t handle =
        _beginthreadex(nullptr, 0, &CaptureEngine::Entry, this, CREATE_SUSPENDED, nullptr);
    if (handle == 0) {
        stopRequested_ = true;
        RecordingState = RecorderState::Idle;
        return false;
    }
    worker_.reset(reinterpret_cast<HANDLE>(handle));
    ::SetThreadPriority(worker_.get(), setup_.priority);
    ::ResumeThread(worker_.get());
    return true;
}

void CaptureEngine::RequestStop()
{
    stopRequested_ = true;
    if (stopEvent_) ::SetEvent(stopEvent_.get());
    Advance(RecorderState::Starting, RecorderState::Stopping);
    Advance(RecorderState::Recording, RecorderState::Stopping);
}

void CaptureEngine::Stop()
{
    RequestStop();
    if (worker_) {
        ::WaitForSingleObject(worker_.get(), INFINITE);
        worker_.reset();
    }
    // The worker has made its last write: the output can be finished now, exactly once.
    if (!finished_ && step_) {
        finished_ = true;
        step_->Finish();
    }
    RecordingState = RecorderState::Idle;
}

bool CaptureEngine::WaitForEnd(DWORD timeoutMs)
{
    return !worker_ || ::WaitForSingleObject(worker_.get(), timeoutMs) == WAIT_OBJECT_0;
}

unsigned __stdcall CaptureEngine::Entry(void* self)
{
    auto* engine = static_cast<CaptureEngine*>(self);
    CaptureEnd end = CaptureEnd::CaptureFailed;
    try {
        end = engine->Run();
    } catch (...) {
        // Nothing may leave the thread; the recording simply ends.
    }
    engine->EndWorker(end);
    return 0;
}

void CaptureEngine::EndWorker(CaptureEnd end)
{
    stopRequested_ = true;
    end_ = end;
    const bool failed = end == CaptureEnd::DeviceFailed || end == CaptureEnd::BeginFailed ||
                        end == CaptureEnd::EncodeFailed || end == CaptureEnd::CaptureFailed;
    RecordingState = failed ? RecorderState::Failed : RecorderState::Idle;
}

CaptureEnd CaptureEngine::Run()
{
    const Reporter reporter(setup_.notifyWindow);
    if (FAILED(source_->Open(setup_.wanted))) {
        source_->Close();
        if (const wchar_t* box = source_->OpenFailureBox()) {
            reporter.Tell(box, kAppName, MB_OK | MB_ICONEXCLAMATION, NOTIFY_ERROR,
                          reinterpret_cast<LPARAM>(setup_.deviceOpenError));
        } else {
            reporter.PostError(setup_.deviceOpenError);
        }
        return CaptureEnd::DeviceFailed;
    }
    if (!step_->Begin(setup_.outputPath, source_->format(), reporter)) {
        source_->Close();
        return CaptureEnd::BeginFailed;
    }
    Advance(RecorderState::Starting, RecorderState::Recording);
    // A capture that does not start leaves the recording showing until the user stops it.
    if (FAILED(source_->Start()))
        reporter.Tell(kCaptureFailedError, L"Error", MB_OK);

    const CaptureEnd end = Loop(reporter);
    // Capture stops here, on the thread that holds the device; the output is finished after.
    source_->Close();
    step_->EndOfCapture(end == CaptureEnd::EncodeFailed, reporter);
    return end;
}

CaptureEnd CaptureEngine::Loop(const Reporter& reporter)
{
    const WAVEFORMATEX& format = source_->format();
    const uint64_t bytesPerSecond = format.nAvgBytesPerSec;
    CaptureCursor cursor;
    cursor.limit = AutoStopLimitBytes(bytesPerSecond);
    cursor.maxDataBytes = setup_.maxDataBytes ? setup_.maxDataBytes : step_->MaxDataBytes(format);
    const int autoStopSeconds = g_autoStop.seconds.load();
    int64_t lastSecond = -1;

    // Data first: a stop asked while a block is ready still lets that block in, as it would
    // had the stop come a moment later.
    const HANDLE waits[2] = {source_->DataReady(), stopEvent_.get()};
    const DWORD count = waits[0] ? 2 : 1;
    const HANDLE* handles = waits[0] ? waits : waits + 1;
    for (;;) {
        const DWORD woke = ::WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (count == 2 && woke == WAIT_OBJECT_0) {
            const HRESULT copied = source_->Deliver(*step_, cursor);
            bytesCaptured_ = cursor.bytesWritten;
            BlockOutcome outcome = AfterBlockCopied(copied, cursor.bytesWritten, bytesPerSecond,
                                                    autoStopSeconds, lastSecond);
            if (copied == kCopyWriteFailed) {
                const wchar_t* text = step_->WriteFailureText();
                outcome.notify = text != nullptr;
                outcome.value = reinterpret_cast<LPARAM>(text);
            }
            if (outcome.notify) reporter.Post(outcome.what, outcome.value);
            if (outcome.ends) {
                if (copied == kCopyWriteFailed) return CaptureEnd::EncodeFailed;
                if (copied == kCopyLimitReached) return CaptureEnd::LimitReached;
                return CaptureEnd::CaptureFailed;
            }
            if (stopRequested_.load()) return CaptureEnd::Stopped;
        } else if (woke == WAIT_OBJECT_0 + count - 1) {
            return CaptureEnd::Stopped;
        } else {
            reporter.PostError(kCaptureFailedError);
            return CaptureEnd::CaptureFailed;
        }
    }
}

}  // namespace velto

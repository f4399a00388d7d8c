#include "recorder/recording/WavRecorder.h"

#include <objbase.h>
#include <process.h>

#include "recorder/recording/CaptureLoop.h"
#include "recorder/recording/Presets.h"

namespace velto {

namespace {

constexpr DWORD kWaitBlock = WAIT_OBJECT_0;
constexpr DWORD kWaitStop = WAIT_OBJECT_0 + 1;
constexpr DWORD kWaitMessage = WAIT_OBJECT_0 + 2;

void Post(HWND window, WPARAM what, LPARAM value)
{
    ::PostMessageW(window, WM_RECORDER_NOTIFY, what, value);
}

LPARAM Text(const wchar_t* text)
{
    return reinterpret_cast<LPARAM>(text);
}

}  // namespace

BlockOutcome AfterBlockCopied(HRESULT copyResult, uint64_t bytesWritten, uint64_t bytesPerSecond,
                              int autoStopSeconds, int64_t& lastSecond)
{
    BlockOutcome outcome;
    const int64_t seconds =
        bytesPerSecond ? static_cast<int64_t>(bytesWritten / bytesPerSecond) : 0;
    if (copyResult == kCopyContinue) {
        if (seconds != lastSecond) {
            outcome.notify = true;
            outcome.what = NOTIFY_ELAPSED;
            outcome.value = static_cast<LPARAM>(seconds);
            lastSecond = seconds;
        }
        return outcome;
    }
    outcome.ends = true;
    outcome.notify = true;
    if (copyResult == kCopyFileFull) {
        outcome.what = NOTIFY_ERROR;
        outcome.value = Text(kWavFileFullError);
    } else if (copyResult == kCopyWriteFailed) {
        outcome.what = NOTIFY_ERROR;
        outcome.value = Text(kWavFileWriteError);
    } else if (FAILED(copyResult)) {
        outcome.what = NOTIFY_ERROR;
        outcome.value = Text(kWavCaptureStartError);
    } else if (seconds == autoStopSeconds) {
        outcome.what = NOTIFY_LIMIT;
    } else {
        outcome.what = NOTIFY_ELAPSED;
        outcome.value = static_cast<LPARAM>(seconds);
    }
    return outcome;
}

// ---- CWavRecorder: the user-interface thread's side ----

CWavRecorder::CWavRecorder(RecorderHost& host, uint64_t maxDataBytes)
    : CRecorder(host), maxDataBytesOverride_(maxDataBytes)
{
}

CWavRecorder::~CWavRecorder()
{
    if (thread_) {
        stopFlag_ = 1;
        WakeWorker();
        thread_->Join();
        thread_.reset();
    }
    EndCapture();
    FreeCapture();
}

int CWavRecorder::Start()
{
    if (!CRecorder::Start()) return 0;
    stopFlag_ = 0;
    // Before the worker can run: a worker that fails at once sets it back to 0 for good.
    RecordingState = 1;
    thread_ = std::make_unique<CWavThread>(*this);
    if (!thread_->Create()) {
        thread_.reset();
        stopFlag_ = 1;
        RecordingState = 0;
        return 0;
    }
    thread_->PostToThread(WM_WAVTHREAD_START);
    return 1;
}

int CWavRecorder::Stop()
{
    stopFlag_ = 1;
    if (thread_) {
        WakeWorker();
        thread_->Join();
        thread_.reset();
    }
    // The worker has made its last Write: the file can be finished now, exactly once.
    EndCapture();
    RecordingState = 0;
    return 1;
}

void CWavRecorder::WakeWorker()
{
    // A worker that has already ended has no queue; nothing is lost then.
    if (thread_) thread_->PostToThread(WM_WAVTHREAD_WAKE);
}

void CWavRecorder::EndCapture()
{
    // A buffer that refuses to stop is released all the same, and the file is finished
    // whatever the buffer did: the recording must not be lost.
    StopCaptureBuffer();
    captureBuffer_.reset();
    notify_.reset();
    if (writer_) {
        writer_->Finish(factValue_);
        writer_.reset();
    }
}

// ---- the worker's operations ----

HRESULT CWavRecorder::PrepareFormat()
{
    if (format_) return S_OK;
    const int row = IsValidQuality(kRecordWav, quality_) ? quality_ : DefaultQuality(kRecordWav);
    format_ = MakePcmFormat(PresetChannels(kRecordWav, row), PresetSampleRate(kRecordWav, row));
    return S_OK;
}

HRESULT CWavRecorder::OpenCaptureDevice()
{
    PrepareFormat();
    for (DSBPOSITIONNOTIFY& position : positions_) position = DSBPOSITIONNOTIFY{};
    cursor_.bufferSize = 0;
    cursor_.blockSize = 0;
    const HRESULT hr = ::CoInitialize(nullptr);
    if (FAILED(hr)) return hr;
    comInitialized_ = true;
    return ::DirectSoundCaptureCreate(nullptr, captureDevice_.put(), nullptr);
}

HRESULT CWavRecorder::CreateBuffer()
{
    if (!captureDevice_) return E_FAIL;
    PrepareFormat();
    const DWORD blockAlign = format_->nBlockAlign ? format_->nBlockAlign : 1;
    const DWORD blockSize = kBlockBytes - kBlockBytes % blockAlign;
    DSCBUFFERDESC description{};
    description.dwSize = sizeof(DSCBUFFERDESC);  // no flags, no effects
    description.dwFlags = 0;
    description.dwBufferBytes = kBlocks * blockSize;
    description.lpwfxFormat = &*format_;
    const HRESULT hr =
        captureDevice_->CreateCaptureBuffer(&description, captureBuffer_.put(), nullptr);
    if (FAILED(hr)) return hr;
    cursor_.blockSize = blockSize;
    cursor_.bufferSize = kBlocks * blockSize;
    cursor_.nextOffset = 0;
    return hr;
}

HRESULT CWavRecorder::SetNotifications()
{
    if (!captureBuffer_) return E_FAIL;
    HRESULT hr = captureBuffer_->QueryInterface(IID_IDirectSoundNotify,
                                                reinterpret_cast<void**>(notify_.put()));
    if (FAILED(hr)) return hr;
    for (DWORD i = 0; i < kBlocks; ++i) {
        positions_[i].dwOffset = (i + 1) * cursor_.blockSize - 1;
        positions_[i].hEventNotify = blockEvent_;
    }
    positions_[kBlocks].dwOffset = static_cast<DWORD>(DSBPN_OFFSETSTOP);
    positions_[kBlocks].hEventNotify = stopEvent_;
    hr = notify_->SetNotificationPositions(kBlocks + 1, positions_);
    if (FAILED(hr)) return hr;

    // The file and the byte rate follow what the device really captures.
    WAVEFORMATEX actual{};
    DWORD size = 0;
    if (SUCCEEDED(captureBuffer_->GetFormat(&actual, sizeof actual, &size)) &&
        actual.nAvgBytesPerSec != 0 && actual.nBlockAlign != 0) {
        if (actual.wFormatTag == WAVE_FORMAT_PCM) actual.cbSize = 0;
        format_ = actual;
    }
    return S_OK;
}

HRESULT CWavRecorder::BeginRecording()
{
    if (!captureBuffer_ || !format_) return E_FAIL;
    cursor_.bytesWritten = 0;
    cursor_.maxDataBytes =
        maxDataBytesOverride_ ? maxDataBytesOverride_ : MaxWaveDataBytes(*format_);
    writer_ = std::make_unique<CWaveWriter>();
    if (FAILED(writer_->Create(outputPath_, *format_))) {
        writer_.reset();
        return HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE);
    }
    const HRESULT hr = captureBuffer_->Start(DSCBSTART_LOOPING);
    if (FAILED(hr)) ShowError(L"%ls", kWavCaptureStartError);
    return hr;
}

HRESULT CWavRecorder::CopyCaptured()
{
    // The capture went away underneath (its buffer stopped by itself): nothing more comes.
    if (!captureBuffer_ || !writer_) return kCopyLimitReached;
    DirectSoundCaptureRing ring(captureBuffer_.get());
    return velto::CopyCaptured(ring, *writer_, cursor_);
}

void CWavRecorder::StopCaptureBuffer()
{
    if (captureBuffer_) captureBuffer_->Stop();
}

void CWavRecorder::FreeCapture()
{
    notify_.reset();
    captureBuffer_.reset();
    captureDevice_.reset();
    format_.reset();
}

// ---- CWavThread ----

CWavThread::~CWavThread()
{
    Join();
}

bool CWavThread::Create()
{
    queueReady_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!queueReady_) return false;
    const uintptr_t handle =
        _beginthreadex(nullptr, 0, &CWavThread::Entry, this, CREATE_SUSPENDED, &threadId_);
    if (handle == 0) return false;
    thread_.reset(reinterpret_cast<HANDLE>(handle));
    // The 10-block buffer absorbs the delays of the lowest priority.
    ::SetThreadPriority(thread_.get(), THREAD_PRIORITY_LOWEST);
    ::ResumeThread(thread_.get());
    const HANDLE waits[2] = {queueReady_.get(), thread_.get()};
    return ::WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0;
}

bool CWavThread::PostToThread(UINT message)
{
    return thread_ && ::PostThreadMessageW(threadId_, message, 0, 0) != FALSE;
}

void CWavThread::Join()
{
    if (!thread_) return;
    ::WaitForSingleObject(thread_.get(), INFINITE);
    thread_.reset();
}

unsigned __stdcall CWavThread::Entry(void* self)
{
    auto* thread = static_cast<CWavThread*>(self);
    // Asking for a message creates this thread's queue; only then may Start post to it.
    MSG msg;
    ::PeekMessageW(&msg, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
    ::SetEvent(thread->queueReady_.get());
    try {
        thread->Run();
    } catch (...) {
        // Nothing may leave the thread; the recording simply ends.
    }
    thread->ExitInstance();
    return 0;
}

void CWavThread::Run()
{
    CWavRecorder& r = recorder_;
    blockEvent_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    stopEvent_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    r.blockEvent_ = blockEvent_.get();
    r.stopEvent_ = stopEvent_.get();

    HRESULT hr = blockEvent_ && stopEvent_ ? S_OK : E_FAIL;
    if (SUCCEEDED(hr)) hr = r.OpenCaptureDevice();
    if (SUCCEEDED(hr)) hr = r.CreateBuffer();
    if (SUCCEEDED(hr)) hr = r.SetNotifications();
    if (FAILED(hr)) {
        r.FreeCapture();
        Post(r.notifyWindow_, NOTIFY_ERROR, Text(kWavDeviceError));
        return;
    }
    RunLoop();
    // Capture stops here, on the thread that holds the buffer; Stop finishes the file after.
    r.StopCaptureBuffer();
}

void CWavThread::RunLoop()
{
    CWavRecorder& r = recorder_;
    const uint64_t bytesPerSecond = r.format_->nAvgBytesPerSec;
    const uint64_t limit = AutoStopLimitBytes(bytesPerSecond);
    r.cursor_.limit = g_autoStop.enabled.load() ? limit : kNoByteLimit;
    int64_t lastSecond = -1;
    const HANDLE events[2] = {r.blockEvent_, r.stopEvent_};

    while (r.stopFlag_.load() == 0) {
        const DWORD woke =
            ::MsgWaitForMultipleObjectsEx(2, events, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == kWaitBlock) {
            OnBlockEvent(bytesPerSecond, lastSecond);
        } else if (woke == kWaitStop) {
            // The buffer stopped without being asked to: release it; the recording keeps what
            // it has until the user stops.
            r.FreeCapture();
        } else if (woke == kWaitMessage) {
            PumpMessages();
        } else {
            r.stopFlag_ = 1;
            Post(r.notifyWindow_, NOTIFY_ERROR, Text(kWavCaptureStartError));
        }
    }
}

void CWavThread::OnBlockEvent(uint64_t bytesPerSecond, int64_t& lastSecond)
{
    CWavRecorder& r = recorder_;
    const HRESULT copied = r.CopyCaptured();
    const BlockOutcome outcome = AfterBlockCopied(copied, r.cursor_.bytesWritten, bytesPerSecond,
                                                  g_autoStop.seconds.load(), lastSecond);
    if (outcome.ends) r.stopFlag_ = 1;
    if (outcome.notify) Post(r.notifyWindow_, outcome.what, outcome.value);
    if (!outcome.ends) ::Sleep(10);
}

void CWavThread::PumpMessages()
{
    CWavRecorder& r = recorder_;
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.hwnd == nullptr && msg.message == WM_WAVTHREAD_START) {
            if (r.stopFlag_.load() != 0) continue;  // stopped before it began: no file
            const HRESULT hr = r.BeginRecording();
            if (hr == HRESULT_FROM_WIN32(ERROR_CANNOT_MAKE)) {
                r.stopFlag_ = 1;
                Post(r.notifyWindow_, NOTIFY_ERROR, Text(kWavFileCreateError));
            }
            continue;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void CWavThread::ExitInstance()
{
    CWavRecorder& r = recorder_;
    // The capture objects go before the events they signal.
    r.FreeCapture();
    r.blockEvent_ = nullptr;
    r.stopEvent_ = nullptr;
    blockEvent_.reset();
    stopEvent_.reset();
    if (r.comInitialized_) {
        ::CoUninitialize();
        r.comInitialized_ = false;
    }
    r.stopFlag_ = 1;
    RecordingState = 0;
}

}  // namespace velto

#include "recorder/recording/Recorder.h"

#include "common/AppMessageBox.h"
#include "common/ProgramFolder.h"
#include "recorder/recording/CaptureEngine.h"

namespace velto {

std::atomic<RecorderState> RecordingState{RecorderState::Idle};
AutoStopSettings g_autoStop;

namespace {
constexpr int kMinimumFreeMegabytes = 50;
}

bool IsRecording()
{
    const RecorderState state = RecordingState.load();
    return state == RecorderState::Starting || state == RecorderState::Recording ||
           state == RecorderState::Stopping;
}

void PostRecorderMessage(HWND window, std::unique_ptr<RecorderMessage> message)
{
    if (::PostMessageW(window, WM_RECORDER_NOTIFY, NOTIFY_MESSAGE,
                       reinterpret_cast<LPARAM>(message.get())))
        message.release();  // the receiver owns it now
}

CRecorder::CRecorder(RecorderHost& host) : host_(host) { RecordingState = RecorderState::Idle; }

CRecorder::~CRecorder()
{
    EndRecording();
}

void CRecorder::EndRecording()
{
    engine_.reset();
}

bool CRecorder::stopRequested() const
{
    return !engine_ || engine_->stopRequested();
}

uint64_t CRecorder::bytesCaptured() const
{
    return engine_ ? engine_->bytesCaptured() : 0;
}

int CRecorder::CheckReady()
{
    outputPath_ = host_.GetOutputPath();
    if (host_.GetFreeMegabytes() < kMinimumFreeMegabytes) {
        AppMessageBox(host_.NotifyWindow(), L"Drive의 용량이 부족합니다.");
        return 0;
    }
    return 1;
}

int CRecorder::ConfirmOutputPath()
{
    if (!FileExists(outputPath_)) return 1;
    std::wstring question = outputPath_ + L"\r\n\r\n파일이 존재합니다. \r\n\r\n덮어 쓰겠습니까 ? ";
    switch (AppMessageBox(host_.NotifyWindow(), question.c_str(),
                          MB_YESNOCANCEL | MB_ICONINFORMATION)) {
    case IDYES: return 1;
    case IDNO:
        if (!host_.ChooseSaveFile(1)) return 0;
        outputPath_ = host_.GetOutputPath();
        return 1;
    default: return 0;
    }
}

int CRecorder::Start()
{
    if (!CheckReady()) return 0;
    recordType_ = host_.CurrentRecordType();
    quality_ = host_.CurrentQuality();
    notifyWindow_ = host_.NotifyWindow();
    if (!ConfirmOutputPath()) return 0;

    CaptureSetup setup;
    setup.notifyWindow = notifyWindow_;
    setup.outputPath = outputPath_;
    setup.wanted = WantedFormat();
    setup.priority = WorkerPriority();
    setup.deviceOpenError = DeviceOpenError();
    setup.maxDataBytes = MaxDataBytes();
    EndRecording();
    engine_ = std::make_unique<CaptureEngine>(std::move(setup), CreateSource(), CreateStep());
    return engine_->Start() ? 1 : 0;
}

const wchar_t* CRecorder::DeviceOpenError() const
{
    return kDeviceOpenError;
}

int CRecorder::Stop()
{
    if (engine_) engine_->Stop();
    RecordingState = RecorderState::Idle;
    return 1;
}

}  // namespace velto

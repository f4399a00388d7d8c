#include "recorder/recording/Recorder.h"

#include <process.h>

#include <cstdarg>

#include "common/AppMessageBox.h"
#include "common/ProgramFolder.h"
#include "common/Text.h"

namespace velto {

std::atomic<int> RecordingState{0};
AutoStopSettings g_autoStop;

namespace {
constexpr int kMinimumFreeMegabytes = 50;
}

CRecorder::CRecorder(RecorderHost& host) : host_(host) { RecordingState = 0; }

CRecorder::~CRecorder()
{
    if (worker_) {
        stopFlag_ = 1;
        JoinWorker();
    }
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

int CRecorder::Start()
{
    if (!CheckReady()) return 0;
    recordType_ = host_.CurrentRecordType();
    quality_ = host_.CurrentQuality();
    notifyWindow_ = host_.NotifyWindow();
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

int CRecorder::Stop()
{
    stopFlag_ = 1;
    JoinWorker();
    RecordingState = 0;
    return 1;
}

bool CRecorder::StartWorker(unsigned(__stdcall* entry)(void*))
{
    uintptr_t h = _beginthreadex(nullptr, 0, entry, this, 0, nullptr);
    if (h == 0) return false;
    worker_.reset(reinterpret_cast<HANDLE>(h));
    return true;
}

void CRecorder::JoinWorker()
{
    if (!worker_) return;
    ::WaitForSingleObject(worker_.get(), INFINITE);
    worker_.reset();
}

void ShowError(const wchar_t* format, ...)
{
    va_list args;
    va_start(args, format);
    std::wstring text = FormatVW(format, args);
    va_end(args);
    if (text.size() > 1024) text.resize(1024);
    ::MessageBoxW(nullptr, text.c_str(), L"Error", MB_OK);
}

}  // namespace velto

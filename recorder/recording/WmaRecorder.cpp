#include "recorder/recording/WmaRecorder.h"

#include "common/AppMessageBox.h"
#include "common/ProgramFolder.h"
#include "recorder/recording/Presets.h"

namespace velto {
namespace {

constexpr wchar_t kConvertChunkError[] = L"ConvertChunk Error";
constexpr int kWmaChannels = 2;  // WMA is captured and encoded in stereo whatever the label says

// Messages from the worker thread have no owner: the main window belongs to another thread.
void TellUser(const wchar_t* text)
{
    AppMessageBox(nullptr, text);
}

// The worker's WMA part: open the writer, append every block. The finish is left to Stop,
// which runs after the worker has ended.
class WmaEncoderStep : public EncoderStep {
public:
    WmaEncoderStep(CWmaRecorder& recorder, HWND notifyWindow, int bitRate, int sampleRate)
        : recorder_(recorder),
          notifyWindow_(notifyWindow),
          bitRate_(bitRate),
          sampleRate_(sampleRate)
    {
    }

    bool Begin(const std::wstring& outputPath) override
    {
        if (recorder_.OpenWriter(outputPath, bitRate_, sampleRate_, kWmaChannels) >= 0) {
            ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
            return true;
        }
        // The main window deletes the recorder on this message; deletion waits for this
        // thread, so what the loop still does on its way out is safe.
        RecordingState = 0;
        ::PostMessageW(notifyWindow_, WM_RECORDER_NOTIFY, NOTIFY_ENCODER_FAILED, 0);
        return false;
    }

    bool Encode(const BYTE* data, DWORD n) override
    {
        if (n == 0 || SUCCEEDED(recorder_.AppendToWriter(data, n))) return true;
        RecordingState = 0;
        ::PostMessageW(notifyWindow_, WM_RECORDER_NOTIFY, NOTIFY_ERROR,
                       reinterpret_cast<LPARAM>(kConvertChunkError));
        return false;
    }

    void Finish(bool) override {}

private:
    CWmaRecorder& recorder_;
    HWND notifyWindow_;
    int bitRate_;
    int sampleRate_;
};

}  // namespace

CWmaRecorder::CWmaRecorder(RecorderHost& host) : CWmaRecorder(host, ProgramFolder()) {}

CWmaRecorder::CWmaRecorder(RecorderHost& host, std::wstring libraryFolder)
    : CWaveInRecorder(host), libraryFolder_(std::move(libraryFolder))
{
}

CWmaRecorder::~CWmaRecorder()
{
    // Deleted without Stop (after NOTIFY_ENCODER_FAILED): the worker may still be on its way
    // out, and the writer and the DLL must outlive it.
    stopFlag_ = 1;
    JoinWorker();
    if (writer_) {
        writer_->Finish();
        ForgetWriter();
    }
    creator_ = nullptr;
    module_.reset();
}

int CWmaRecorder::Stop()
{
    stopFlag_ = 1;
    JoinWorker();
    CloseWriter();
    RecordingState = 0;
    return 1;
}

EncoderStep* CWmaRecorder::CreateEncoderStep()
{
    return new WmaEncoderStep(*this, notifyWindow_, PresetBitRate(recordType_, quality_),
                              PresetSampleRate(recordType_, quality_));
}

int CWmaRecorder::OpenWriter(const std::wstring& path, int bitRate, int sampleRate, int channels)
{
    HRESULT hr = LoadWriterLibrary();
    if (FAILED(hr)) return hr;
    // The path goes to the writer as the wide string it is; an ANSI round trip would garble
    // Korean names. What cannot be a file name at all is refused before the DLL sees it.
    if (path.empty() || path.find(L'\0') != std::wstring::npos) {
        TellUser(L"internal error");
        return E_UNEXPECTED;
    }
    IWmaAudioWriter* created = nullptr;
    hr = creator_(path.c_str(), &created);
    if (SUCCEEDED(hr) && !created) hr = E_POINTER;
    if (FAILED(hr)) {
        // A writer handed back with a failure is not ours to release.
        TellUser(L" Failed to Create Audio Writer");
        return hr;
    }
    writer_ = ComPtr<IWmaAudioWriter>(created);
    return ConfigureWriter(bitRate, sampleRate, channels);
}

HRESULT CWmaRecorder::LoadWriterLibrary()
{
    if (!module_) {
        module_.reset(LoadLibraryFromFolder(libraryFolder_, kWmaWriterDll));
        if (!module_) {
            const DWORD error = ::GetLastError();
            TellUser(L"Could not found WmAudSDK.DLL file");
            return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
        }
    }
    creator_ = reinterpret_cast<WMAudioCreateWriterFn>(
        ::GetProcAddress(module_.get(), kCreateWriterExport));
    if (!creator_) {
        TellUser(L"Could not found WMAudioCreateWriter library function");
        return -1;
    }
    return S_OK;
}

HRESULT CWmaRecorder::ConfigureWriter(int bitRate, int sampleRate, int channels)
{
    const WAVEFORMATEX input = MakePcmFormat(channels, sampleRate);
    HRESULT hr = writer_->SetInputFormat(&input);
    if (FAILED(hr)) {
        ForgetWriter();
        TellUser(L" Failed to Set Input Format");
        return hr;
    }
    hr = writer_->SetOutputFormat(static_cast<DWORD>(bitRate), static_cast<DWORD>(sampleRate),
                                  static_cast<DWORD>(channels), 0);
    if (FAILED(hr)) {
        ForgetWriter();
        TellUser(L" Failed to Set Output Format");
    }
    return hr;
}

int CWmaRecorder::CloseWriter()
{
    if (!writer_) return 0;
    const HRESULT hr = writer_->Finish();
    if (FAILED(hr)) return hr;
    ForgetWriter();
    return 0;
}

HRESULT CWmaRecorder::AppendToWriter(const BYTE* data, DWORD bytes)
{
    return writer_ ? writer_->AppendPcm(data, bytes) : E_UNEXPECTED;
}

void CWmaRecorder::ForgetWriter()
{
    writer_.reset();
}

}  // namespace velto

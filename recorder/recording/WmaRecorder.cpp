#include "recorder/recording/WmaRecorder.h"

#include "common/AppMessageBox.h"
#include "common/ProgramFolder.h"
#include "recorder/recording/CaptureEngine.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/SoundDevice.h"

namespace velto {
namespace {

constexpr wchar_t kConvertChunkError[] = L"ConvertChunk Error";
constexpr int kWmaChannels = 2;  // WMA is captured and encoded in stereo whatever the label says

// The WMA step: open the writer, append every block. The finish is left to Stop, which runs
// after the worker has ended.
class WmaStep : public EncoderStep {
public:
    WmaStep(CWmaRecorder& recorder, int bitRate) : recorder_(recorder), bitRate_(bitRate) {}

    bool Begin(const std::wstring& outputPath, const WAVEFORMATEX& format,
               const Reporter& reporter) override
    {
        const wchar_t* failure = L"";
        if (recorder_.OpenWriter(outputPath, bitRate_, static_cast<int>(format.nSamplesPerSec),
                                 kWmaChannels, &failure) >= 0) {
            ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
            return true;
        }
        // The main window deletes the recorder once the user has read why.
        reporter.Tell(failure, kAppName, MB_OK | MB_ICONEXCLAMATION, NOTIFY_ENCODER_FAILED);
        return false;
    }

    HRESULT Write(DWORD length, const BYTE* bytes, DWORD* written) override
    {
        *written = 0;
        if (length != 0) {
            const HRESULT hr = recorder_.AppendToWriter(bytes, length);
            if (FAILED(hr)) return hr;
        }
        *written = length;
        return S_OK;
    }
    const wchar_t* WriteFailureText() const override { return kConvertChunkError; }
    void Finish() override { recorder_.CloseWriter(); }

private:
    CWmaRecorder& recorder_;
    int bitRate_;
};

}  // namespace

CWmaRecorder::CWmaRecorder(RecorderHost& host) : CWmaRecorder(host, ProgramFolder()) {}

CWmaRecorder::CWmaRecorder(RecorderHost& host, std::wstring libraryFolder)
    : CRecorder(host), libraryFolder_(std::move(libraryFolder))
{
}

CWmaRecorder::~CWmaRecorder()
{
    // The worker may still be on its way out (deleted without Stop, after
    // NOTIFY_ENCODER_FAILED), and the writer and the DLL must outlive it.
    EndRecording();
    if (writer_) {
        writer_->Finish();
        writer_.reset();
    }
    creator_ = nullptr;
    module_.reset();
}

std::unique_ptr<CaptureSource> CWmaRecorder::CreateSource()
{
    return std::make_unique<WaveInSource>();
}

std::unique_ptr<EncoderStep> CWmaRecorder::CreateStep()
{
    return std::make_unique<WmaStep>(*this, PresetBitRate(recordType_, quality_));
}

WAVEFORMATEX CWmaRecorder::WantedFormat() const
{
    return MakePcmFormat(kWmaChannels, PresetSampleRate(recordType_, quality_));
}

int CWmaRecorder::OpenWriter(const std::wstring& path, int bitRate, int sampleRate, int channels,
                             const wchar_t** failure)
{
    HRESULT hr = LoadWriterLibrary(failure);
    if (FAILED(hr)) return hr;
    // The path goes to the writer as the wide string it is; an ANSI round trip would garble
    // Korean names. What cannot be a file name at all is refused before the DLL sees it.
    if (path.empty() || path.find(L'\0') != std::wstring::npos) {
        *failure = L"internal error";
        return E_UNEXPECTED;
    }
    IWmaAudioWriter* created = nullptr;
    hr = creator_(path.c_str(), &created);
    if (SUCCEEDED(hr) && !created) hr = E_POINTER;
    if (FAILED(hr)) {
        // A writer handed back with a failure is not ours to release.
        *failure = L" Failed to Create Audio Writer";
        return hr;
    }
    writer_ = ComPtr<IWmaAudioWriter>(created);
    return ConfigureWriter(bitRate, sampleRate, channels, failure);
}

HRESULT CWmaRecorder::LoadWriterLibrary(const wchar_t** failure)
{
    if (!module_) {
        module_.reset(LoadLibraryFromFolder(libraryFolder_, kWmaWriterDll));
        if (!module_) {
            const DWORD error = ::GetLastError();
            *failure = L"Could not found WmAudSDK.DLL file";
            return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
        }
    }
    creator_ = reinterpret_cast<WMAudioCreateWriterFn>(
        ::GetProcAddress(module_.get(), kCreateWriterExport));
    if (!creator_) {
        *failure = L"Could not found WMAudioCreateWriter library function";
        return -1;
    }
    return S_OK;
}

HRESULT CWmaRecorder::ConfigureWriter(int bitRate, int sampleRate, int channels,
                                      const wchar_t** failure)
{
    const WAVEFORMATEX input = MakePcmFormat(channels, sampleRate);
    HRESULT hr = writer_->SetInputFormat(&input);
    if (FAILED(hr)) {
        writer_.reset();
        *failure = L" Failed to Set Input Format";
        return hr;
    }
    hr = writer_->SetOutputFormat(static_cast<DWORD>(bitRate), static_cast<DWORD>(sampleRate),
                                  static_cast<DWORD>(channels), 0);
    if (FAILED(hr)) {
        writer_.reset();
        *failure = L" Failed to Set Output Format";
    }
    return hr;
}

int CWmaRecorder::CloseWriter()
{
    if (!writer_) return 0;
    const HRESULT hr = writer_->Finish();
    if (FAILED(hr)) return hr;
    writer_.reset();
    return 0;
}

HRESULT CWmaRecorder::AppendToWriter(const BYTE* data, DWORD bytes)
{
    return writer_ ? writer_->AppendPcm(data, bytes) : E_UNEXPECTED;
}

}  // namespace velto

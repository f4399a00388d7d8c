#include "recorder/recording/Mp3Recorder.h"

#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/SoundDevice.h"

namespace velto {

namespace {

constexpr wchar_t kErrorCaption[] = L"Error";
constexpr size_t kMostMessageChars = 1024;

std::wstring Limited(std::wstring text)
{
    if (text.size() > kMostMessageChars) text.resize(kMostMessageChars);
    return text;
}

}  // namespace

CMp3Recorder::~CMp3Recorder()
{
    // The step uses the entry points held here: the worker ends while they exist.
    EndRecording();
}

std::unique_ptr<CaptureSource> CMp3Recorder::CreateSource()
{
    return std::make_unique<WaveInSource>();
}

std::unique_ptr<EncoderStep> CMp3Recorder::CreateStep()
{
    return std::make_unique<Mp3Step>(lame_, libraryFolder_, PresetBitRate(recordType_, quality_));
}

WAVEFORMATEX CMp3Recorder::WantedFormat() const
{
    return MakePcmFormat(2, PresetSampleRate(recordType_, quality_));
}

Mp3Step::Mp3Step(lame::EntryPoints& lame, std::wstring libraryFolder, int bitRateKbps)
    : lame_(lame), libraryFolder_(std::move(libraryFolder)), bitRateKbps_(bitRateKbps)
{
}

Mp3Step::~Mp3Step()
{
    CloseStream();
    CloseFile();
    ReleaseLibrary();
}

bool Mp3Step::Begin(const std::wstring& outputPath, const WAVEFORMATEX& format,
                    const Reporter& reporter)
{
    path_ = outputPath;
    // The wide variant, so that folders with Korean names work whatever the ANSI code page.
    file_ = _wfopen(outputPath.c_str(), L"wb+");
    if (!file_) return Abandon(FormatW(L"Error creating file %s", outputPath.c_str()), reporter);
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);

    module_.reset(libraryFolder_.empty() ? LoadOutsideLibrary(kLameLibraryName)
                                         : LoadLibraryFromFolder(libraryFolder_, kLameLibraryName));
    if (!module_) return Abandon(L"Error loading lame_enc.DLL", reporter);
    if (!lame_.Load(module_.get())) return Abandon(L"Unable to get LAME interfaces", reporter);
    lame::Config config = lame::MakeConfig(static_cast<int>(format.nSamplesPerSec), bitRateKbps_);
    // Recommendations the library makes are not needed: every call passes one capture block
    // and the whole output block.
    DWORD samples = 0;
    DWORD bufferBytes = 0;
    const lame::BE_ERR r = lame_.beInitStream(&config, &samples, &bufferBytes, &stream_);
    if (r != 0) return Abandon(FormatW(L"Error opening encoding stream (%lu)", r), reporter);
    streamOpen_ = true;
    output_.assign(kOutputBlockBytes, 0);
    return true;
}

// Nothing records after a failed start, so the window is told to end the recording instead of
// showing one that does not exist. The empty file stays, as the user chose its name.
bool Mp3Step::Abandon(std::wstring text, const Reporter& reporter)
{
    ReleaseLibrary();
    CloseFile();
    reporter.Tell(Limited(std::move(text)), kErrorCaption, MB_OK, NOTIFY_STOP);
    return false;
}

HRESULT Mp3Step::Write(DWORD length, const BYTE* bytes, DWORD* written)
{
    *written = 0;
    DWORD encoded = 0;
    auto* pcm = reinterpret_cast<SHORT*>(const_cast<BYTE*>(bytes));
    lame::BE_ERR r = lame_.beEncodeChunk(stream_, length / 2, pcm, output_.data(), &encoded);
    // A count beyond the block would make us write memory that is not ours.
    if (r == 0 && encoded > output_.size()) r = lame::kBufferTooSmall;
    if (r != 0) {
        CloseStream();
        Fail(FormatW(L"Error opening encoding stream (%lu)", r));
        return E_FAIL;
    }
    if (!WriteOutput(encoded)) {
        CloseStream();
        Fail(L"Output file write error");
        return E_FAIL;
    }
    *written = length;
    return S_OK;
}

void Mp3Step::EndOfCapture(bool failed, const Reporter& reporter)
{
    if (!failed) Flush();
    output_.clear();
    output_.shrink_to_fit();
    // fclose writes what the C runtime still buffers; if that fails the file lost its end.
    if (!CloseFile()) Fail(L"Output file write error");
    // The library opens the closed file by this path; UTF-8 keeps every character of it.
    if (failure_.empty()) lame_.beWriteVBRHeader(WideToUtf8(path_).c_str());
    ReleaseLibrary();
    if (failure_.empty()) return;
    // Encoding or writing failed in mid-recording: the worker has ended, and without the stop
    // the window would go on showing a recording that no longer runs. A failure at the end of
    // a stopped recording only needs telling.
    reporter.Tell(Limited(failure_), kErrorCaption, MB_OK,
                  failed ? NOTIFY_STOP : RecorderMessage::kNoFollowUp);
}

void Mp3Step::Flush()
{
    DWORD bytes = 0;
    lame::BE_ERR r = lame_.beDeinitStream(stream_, output_.data(), &bytes);
    CloseStream();
    if (r == 0 && bytes > output_.size()) r = lame::kBufferTooSmall;
    if (r != 0) {
        Fail(FormatW(L"beExitStream failed (%lu)", r));
        return;
    }
    if (!WriteOutput(bytes)) Fail(L"Output file write error");
}

void Mp3Step::Fail(std::wstring text)
{
    // The first failure is the one the user is told of; what follows from it is not news.
    if (failure_.empty()) failure_ = std::move(text);
}

bool Mp3Step::WriteOutput(DWORD bytes)
{
    return bytes == 0 || std::fwrite(output_.data(), 1, bytes, file_) == bytes;
}

void Mp3Step::CloseStream()
{
    if (!streamOpen_) return;
    streamOpen_ = false;
    if (lame_.beCloseStream) lame_.beCloseStream(stream_);
}

bool Mp3Step::CloseFile()
{
    if (!file_) return true;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
}

void Mp3Step::ReleaseLibrary()
{
    // The entry points die with the library.
    lame_.Clear();
    module_.reset();
}

}  // namespace velto

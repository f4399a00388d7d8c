#include "recorder/recording/Mp3Recorder.h"

#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "recorder/recording/Presets.h"

namespace velto {

EncoderStep* CMp3Recorder::CreateEncoderStep()
{
    return new Mp3Worker(lame_, libraryFolder_, PresetSampleRate(recordType_, quality_),
                         PresetBitRate(recordType_, quality_), notifyWindow_);
}

const wchar_t* CMp3Recorder::DeviceOpenError() const
{
    return L"장치를 열수가 없습니다..";
}

Mp3Worker::Mp3Worker(lame::EntryPoints& lame, std::wstring libraryFolder, int sampleRate,
                     int bitRateKbps, HWND notifyWindow)
    : lame_(lame),
      libraryFolder_(std::move(libraryFolder)),
      sampleRate_(sampleRate),
      bitRateKbps_(bitRateKbps),
      notifyWindow_(notifyWindow)
{
}

Mp3Worker::~Mp3Worker()
{
    CloseStream();
    CloseFile();
    ReleaseLibrary();
}

bool Mp3Worker::Begin(const std::wstring& outputPath)
{
    path_ = outputPath;
    // The wide variant, so that folders with Korean names work whatever the ANSI code page.
    file_ = _wfopen(outputPath.c_str(), L"wb+");
    if (!file_) {
        ShowError(L"Error creating file %s", outputPath.c_str());
        PostStop();
        return false;
    }
    ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);

    module_.reset(libraryFolder_.empty() ? LoadOutsideLibrary(kLameLibraryName)
                                         : LoadLibraryFromFolder(libraryFolder_, kLameLibraryName));
    if (!module_) {
        ShowError(L"Error loading lame_enc.DLL");
        return Abandon();
    }
    if (!lame_.Load(module_.get())) {
        ShowError(L"Unable to get LAME interfaces");
        return Abandon();
    }
    lame::Config config = lame::MakeConfig(sampleRate_, bitRateKbps_);
    // Recommendations the library makes are not needed: every call passes one capture block
    // and the whole output block.
    DWORD samples = 0;
    DWORD bufferBytes = 0;
    const lame::BE_ERR r = lame_.beInitStream(&config, &samples, &bufferBytes, &stream_);
    if (r != 0) {
        ShowError(L"Error opening encoding stream (%lu)", r);
        return Abandon();
    }
    streamOpen_ = true;
    output_.assign(kOutputBlockBytes, 0);
    return true;
}

// Nothing records after a failed start, so the window is told to end the recording instead of
// showing one that does not exist. The empty file stays, as the user chose its name.
bool Mp3Worker::Abandon()
{
    ReleaseLibrary();
    CloseFile();
    PostStop();
    return false;
}

bool Mp3Worker::Encode(const BYTE* data, DWORD n)
{
    DWORD bytes = 0;
    auto* pcm = reinterpret_cast<SHORT*>(const_cast<BYTE*>(data));
    lame::BE_ERR r = lame_.beEncodeChunk(stream_, n / 2, pcm, output_.data(), &bytes);
    // A count beyond the block would make us write memory that is not ours.
    if (r == 0 && bytes > output_.size()) r = lame::kBufferTooSmall;
    if (r != 0) {
        CloseStream();
        ShowError(L"Error opening encoding stream (%lu)", r);
        error_ = true;
        return false;
    }
    if (!WriteOutput(bytes)) {
        ShowError(L"Output file write error");
        CloseStream();
        error_ = true;
        return false;
    }
    return true;
}

void Mp3Worker::Finish(bool failed)
{
    if (!failed) Flush();
    output_.clear();
    output_.shrink_to_fit();
    // fclose writes what the C runtime still buffers; if that fails the file lost its end.
    if (!CloseFile() && !error_) {
        ShowError(L"Output file write error");
        error_ = true;
    }
    // The library opens the closed file by this path; UTF-8 keeps every character of it.
    if (!error_) lame_.beWriteVBRHeader(WideToUtf8(path_).c_str());
    ReleaseLibrary();
    // Encoding or writing failed in mid-recording: the worker ends, and without this the
    // window would go on showing a recording that no longer runs.
    if (failed) PostStop();
}

void Mp3Worker::Flush()
{
    DWORD bytes = 0;
    lame::BE_ERR r = lame_.beDeinitStream(stream_, output_.data(), &bytes);
    CloseStream();
    if (r == 0 && bytes > output_.size()) r = lame::kBufferTooSmall;
    if (r != 0) {
        ShowError(L"beExitStream failed (%lu)", r);
        error_ = true;
        return;
    }
    if (!WriteOutput(bytes)) {
        ShowError(L"Output file write error");
        error_ = true;
    }
}

bool Mp3Worker::WriteOutput(DWORD bytes)
{
    return bytes == 0 || std::fwrite(output_.data(), 1, bytes, file_) == bytes;
}

void Mp3Worker::CloseStream()
{
    if (!streamOpen_) return;
    streamOpen_ = false;
    if (lame_.beCloseStream) lame_.beCloseStream(stream_);
}

bool Mp3Worker::CloseFile()
{
    if (!file_) return true;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    return ok;
}

void Mp3Worker::ReleaseLibrary()
{
    // The entry points die with the library.
    lame_.Clear();
    module_.reset();
}

void Mp3Worker::PostStop()
{
    ::PostMessageW(notifyWindow_, WM_RECORDER_NOTIFY, NOTIFY_STOP, 0);
}

}  // namespace velto

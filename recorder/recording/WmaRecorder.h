// WMA recording: the capture engine with the wave-in source hands its blocks to the writer of
// WmAudSDK.dll.
//
// Threads: OpenWriter and the appends run on the worker thread; Stop, CloseWriter and the
// destructor run on the user-interface thread after the worker has ended, so the writer is
// never used by two threads at once.
#pragma once

#include <string>

#include "common/win/Handles.h"
#include "outside/wmaudsdk/WmAudioWriter.h"
#include "recorder/recording/Recorder.h"

namespace velto {

class CWmaRecorder : public CRecorder {
public:
    // Loads WmAudSDK.dll from the program's folder (or the system folder).
    explicit CWmaRecorder(RecorderHost& host);
    // Loads it from `libraryFolder` (with its trailing backslash) instead; for tests.
    CWmaRecorder(RecorderHost& host, std::wstring libraryFolder);
    // Ends the worker, finishes and releases a writer that is still held, then unloads the DLL.
    ~CWmaRecorder() override;

    // Loads the DLL, creates the writer for `path` and sets its formats (16-bit PCM in,
    // WMA at `bitRate` and `sampleRate` out). Negative on failure, with the text the user is
    // told in `failure`.
    int OpenWriter(const std::wstring& path, int bitRate, int sampleRate, int channels,
                   const wchar_t** failure);
    // 0, or the failing result of the finish (the writer then stays held).
    int CloseWriter();
    // Appends captured PCM to the writer (worker thread).
    HRESULT AppendToWriter(const BYTE* data, DWORD bytes);

    bool holdsWriter() const { return static_cast<bool>(writer_); }

protected:
    std::unique_ptr<CaptureSource> CreateSource() override;
    std::unique_ptr<EncoderStep> CreateStep() override;
    WAVEFORMATEX WantedFormat() const override;
    const wchar_t* DeviceOpenError() const override { return L"Device Open Error"; }

private:
    HRESULT LoadWriterLibrary(const wchar_t** failure);
    HRESULT ConfigureWriter(int bitRate, int sampleRate, int channels, const wchar_t** failure);

    std::wstring libraryFolder_;
    UniqueModule module_;
    WMAudioCreateWriterFn creator_ = nullptr;
    ComPtr<IWmaAudioWriter> writer_;
};

}  // namespace velto

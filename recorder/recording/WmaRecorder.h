// WMA recording: the wave-in worker hands its blocks to the writer of WmAudSDK.dll.
//
// Threads: OpenWriter and the appends run on the worker thread; Stop, CloseWriter and the
// destructor run on the user-interface thread after the worker has ended, so the writer is
// never used by two threads at once.
#pragma once

#include <string>

#include "common/win/Handles.h"
#include "outside/wmaudsdk/WmAudioWriter.h"
#include "recorder/recording/CaptureLoop.h"

namespace velto {

class CWmaRecorder : public CWaveInRecorder {
public:
    // Loads WmAudSDK.dll from the program's folder (or the system folder).
    explicit CWmaRecorder(RecorderHost& host);
    // Loads it from `libraryFolder` (with its trailing backslash) instead; for tests.
    CWmaRecorder(RecorderHost& host, std::wstring libraryFolder);
    // Finishes and releases a writer that is still held, then unloads the DLL.
    ~CWmaRecorder() override;

    // Joins the worker, then finishes and releases the writer.
    int Stop() override;

    // Loads the DLL, creates the writer for `path` and sets its formats (16-bit PCM in,
    // WMA at `bitRate` and `sampleRate` out). Negative on failure, after telling the user.
    int OpenWriter(const std::wstring& path, int bitRate, int sampleRate, int channels);
    // 0, or the failing result of the finish (the writer then stays held).
    int CloseWriter();
    // Appends captured PCM to the writer (worker thread).
    HRESULT AppendToWriter(const BYTE* data, DWORD bytes);

    bool holdsWriter() const { return static_cast<bool>(writer_); }

protected:
    EncoderStep* CreateEncoderStep() override;
    const wchar_t* DeviceOpenError() const override { return L"Device Open Error"; }

private:
    HRESULT LoadWriterLibrary();
    HRESULT ConfigureWriter(int bitRate, int sampleRate, int channels);
    void ForgetWriter();

    std::wstring libraryFolder_;
    UniqueModule module_;
    WMAudioCreateWriterFn creator_ = nullptr;
    ComPtr<IWmaAudioWriter> writer_;
};

}  // namespace velto

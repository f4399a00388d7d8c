// MP3 recording: the wave-in worker loop with LAME's lame_enc.dll as its encoder step. The
// library is loaded afresh for every recording, from the program's folder (or the system
// folder), and released when the recording ends.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "recorder/recording/CaptureLoop.h"
#include "recorder/recording/LameBinding.h"

namespace velto {

inline constexpr wchar_t kLameLibraryName[] = L"lame_enc.dll";

class CMp3Recorder : public CWaveInRecorder {
public:
    using CWaveInRecorder::CWaveInRecorder;

    // Loads lame_enc.dll from `folder` (with its trailing backslash) instead of the program's
    // folder; tests give their own libraries this way. Call before Start.
    void SetLibraryFolder(std::wstring folder) { libraryFolder_ = std::move(folder); }

    // The entry points of the running recording; all empty before and after it.
    const lame::EntryPoints& entryPoints() const { return lame_; }

protected:
    EncoderStep* CreateEncoderStep() override;
    const wchar_t* DeviceOpenError() const override;

private:
    // Written by the worker only, while it runs.
    lame::EntryPoints lame_;
    std::wstring libraryFolder_;
};

// The MP3 side of the worker loop: output file, library, stream and output block of one
// recording. Lives on the worker thread.
class Mp3Worker : public EncoderStep {
public:
    static constexpr DWORD kOutputBlockBytes = 16384;

    Mp3Worker(lame::EntryPoints& lame, std::wstring libraryFolder, int sampleRate, int bitRateKbps,
              HWND notifyWindow);
    // Releases whatever an unexpected exit left behind.
    ~Mp3Worker() override;
    Mp3Worker(const Mp3Worker&) = delete;
    Mp3Worker& operator=(const Mp3Worker&) = delete;

    bool Begin(const std::wstring& outputPath) override;
    bool Encode(const BYTE* data, DWORD n) override;
    void Finish(bool failed) override;

private:
    bool Abandon();
    void Flush();
    bool WriteOutput(DWORD bytes);
    void CloseStream();
    bool CloseFile();
    void ReleaseLibrary();
    void PostStop();

    lame::EntryPoints& lame_;
    const std::wstring libraryFolder_;
    const int sampleRate_;
    const int bitRateKbps_;
    const HWND notifyWindow_;

    std::wstring path_;
    FILE* file_ = nullptr;
    UniqueModule module_;
    lame::HBE_STREAM stream_ = nullptr;
    bool streamOpen_ = false;
    std::vector<BYTE> output_;
    bool error_ = false;
};

}  // namespace velto

// MP3 recording: the capture engine with the wave-in source and LAME's lame_enc.dll as its
// encoder step. The library is loaded afresh for every recording, from the program's folder
// (or the system folder), and released when the recording ends.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "recorder/recording/CaptureEngine.h"
#include "recorder/recording/LameBinding.h"
#include "recorder/recording/Recorder.h"

namespace velto {

inline constexpr wchar_t kLameLibraryName[] = L"lame_enc.dll";

class CMp3Recorder : public CRecorder {
public:
    using CRecorder::CRecorder;
    ~CMp3Recorder() override;

    // Loads lame_enc.dll from `folder` (with its trailing backslash) instead of the program's
    // folder; tests give their own libraries this way. Call before Start.
    void SetLibraryFolder(std::wstring folder) { libraryFolder_ = std::move(folder); }

    // The entry points of the running recording; all empty before and after it.
    const lame::EntryPoints& entryPoints() const { return lame_; }

protected:
    std::unique_ptr<CaptureSource> CreateSource() override;
    std::unique_ptr<EncoderStep> CreateStep() override;
    WAVEFORMATEX WantedFormat() const override;

private:
    // Written by the worker only, while it runs.
    lame::EntryPoints lame_;
    std::wstring libraryFolder_;
};

// The MP3 step: output file, library, stream and output block of one recording, all on the
// worker thread. Its failures are told in boxes captioned "Error", after which the window is
// asked to stop.
class Mp3Step : public EncoderStep {
public:
    static constexpr DWORD kOutputBlockBytes = 16384;

    Mp3Step(lame::EntryPoints& lame, std::wstring libraryFolder, int bitRateKbps);
    // Releases whatever an unexpected exit left behind.
    ~Mp3Step() override;
    Mp3Step(const Mp3Step&) = delete;
    Mp3Step& operator=(const Mp3Step&) = delete;

    bool Begin(const std::wstring& outputPath, const WAVEFORMATEX& format,
               const Reporter& reporter) override;
    HRESULT Write(DWORD length, const BYTE* bytes, DWORD* written) override;
    const wchar_t* WriteFailureText() const override { return nullptr; }
    void EndOfCapture(bool failed, const Reporter& reporter) override;

private:
    bool Abandon(std::wstring text, const Reporter& reporter);
    void Flush();
    bool WriteOutput(DWORD bytes);
    void CloseStream();
    bool CloseFile();
    void ReleaseLibrary();
    void Fail(std::wstring text);

    lame::EntryPoints& lame_;
    const std::wstring libraryFolder_;
    const int bitRateKbps_;

    std::wstring path_;
    FILE* file_ = nullptr;
    UniqueModule module_;
    lame::HBE_STREAM stream_ = nullptr;
    bool streamOpen_ = false;
    std::vector<BYTE> output_;
    std::wstring failure_;  // the first failure's text; empty while all goes well
};

}  // namespace velto

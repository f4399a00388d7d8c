// The RIFF/WAVE file of a WAV recording, written through the multimedia file I/O so that
// sample bytes go straight into its buffer and reach the disk one full buffer at a time.
//
// Layout: RIFF "WAVE" { "fmt " (16 bytes for PCM), "fact" (FF FF FF FF until finished, then
// the fact value), "data" }. Both lengths stay 0 until Finish, so a file whose recording was
// cut short (a crash, a power loss) is recognisably unfinished.
//
// One thread at a time: the recorder's worker writes, and finishing happens only after it has
// ended (see WavRecorder.h).
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>

namespace velto {

// The most sample bytes one file of this format can hold, in whole sample frames. The I/O
// system addresses files with signed 32-bit offsets: past 2 GiB its seeks fail and the lengths
// it writes come out wrong, well before the 4 GiB that the RIFF lengths could count.
uint64_t MaxWaveDataBytes(const WAVEFORMATEX& format);

class CWaveWriter {
public:
    CWaveWriter();
    // Finishes a file that is still open, with fact value 0; a finished writer does nothing.
    ~CWaveWriter();
    CWaveWriter(const CWaveWriter&) = delete;
    CWaveWriter& operator=(const CWaveWriter&) = delete;

    // Creates or truncates the file and writes everything up to the data chunk's samples.
    // S_OK or E_FAIL; after a failure the writer holds no file.
    HRESULT Create(const std::wstring& path, const WAVEFORMATEX& format);
    // Appends samples. `written` receives the number of bytes stored, also after a failure.
    HRESULT Write(DWORD length, const BYTE* bytes, DWORD* written);
    // Fixes the lengths and the fact value and closes the file. E_FAIL leaves it open, so
    // the destructor tries once more.
    HRESULT Finish(DWORD factValue);

    bool isOpen() const { return file_ != nullptr; }

private:
    HRESULT WriteHeader(const WAVEFORMATEX& format);
    void CloseAbandoned();

    HMMIO file_ = nullptr;
    MMCKINFO chunk_{};  // "fmt ", then "fact", then "data"
    MMCKINFO riff_{};
    MMIOINFO buffer_{};  // the I/O buffer, ours between Create and Finish
};

}  // namespace velto

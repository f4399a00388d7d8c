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

#include "common/win/Handles.h"
#include "recorder/recording/PcmSink.h"

namespace velto {

// The most sample bytes one file of this format can hold, in whole sample frames. The I/O
// system addresses files with signed 32-bit offsets: past 2 GiB its seeks fail and the lengths
// it writes come out wrong, well before the 4 GiB that the RIFF lengths could count.
uint64_t MaxWaveDataBytes(const WAVEFORMATEX& format);

class CWaveWriter : public PcmSink {
public:
    CWaveWriter();
    // Finishes a file that is still open, with fact value 0; a finished writer does nothing.
    ~CWaveWriter() override;
    CWaveWriter(const CWaveWriter&) = delete;
    CWaveWriter& operator=(const CWaveWriter&) = delete;

    // Creates or truncates the file and writes everything up to the data chunk's samples.
    // S_OK or E_FAIL; after a failure the writer holds no file.
    HRESULT Create(const std::wstring& path, const WAVEFORMATEX& format);
    // Appends samples. `written` receives the number of bytes stored, also after a failure.
    // Once the disk has refused bytes every further Write fails.
    HRESULT Write(DWORD length, const BYTE* bytes, DWORD* written) override;
    // Fixes the lengths and the fact value and closes the file. E_FAIL leaves it open, so
    // the destructor tries once more. After a write the disk refused (a full disk), the file
    // is finished with the whole sample frames that reached the disk.
    HRESULT Finish(DWORD factValue);

    bool isOpen() const { return file_ != nullptr; }

private:
    HRESULT WriteHeader(const WAVEFORMATEX& format);
    LONGLONG HeaderBytes() const;
    std::string HeaderFor(DWORD dataBytes, DWORD factValue) const;
    bool DiskHolds(LONGLONG bytes) const;
    HRESULT SettleOnDisk(LONGLONG expectedSize, DWORD factValue);
    void CloseAbandoned();

    HMMIO file_ = nullptr;
    // Our own handle to the file, beside the I/O system's: some implementations of it lose a
    // write that the disk refuses without saying so, so what reached the disk is checked here.
    UniqueFile disk_;
    bool writeFailed_ = false;
    uint64_t dataStored_ = 0;  // sample bytes handed to the I/O system's buffer
    std::string formatChunk_;  // the "fmt " chunk's contents as written
    DWORD frameBytes_ = 1;     // whole sample frames, of even length
    MMCKINFO chunk_{};  // "fmt ", then "fact", then "data"
    MMCKINFO riff_{};
    MMIOINFO buffer_{};  // the I/O buffer, ours between Create and Finish
};

}  // namespace velto

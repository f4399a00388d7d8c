// Our own reader of PCM WAV files: 8, 16, 24 or 32-bit integer samples, mono or stereo, plain
// or WAVE_FORMAT_EXTENSIBLE. A recording whose sizes were never written (the program stopped
// while recording) plays up to the end of the file.
#pragma once

#include <windows.h>

#include <vector>

#include "common/win/Handles.h"
#include "outside/plugins/common/Decoder.h"
#include "outside/plugins/in_wav/WavHeader.h"

namespace velto::plugin {

class WavDecoder : public Decoder {
public:
    bool Open(const std::wstring& path) override;
    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    int lengthMs() const override;
    int bitrateKbps() const override;
    int Read(int16_t* out, int maxFrames) override;
    bool Seek(int ms) override;

private:
    bool ReadAt(uint64_t offset, void* to, DWORD bytes);

    UniqueFile file_;
    int rate_ = 0;
    int channels_ = 0;
    int bits_ = 0;
    int frameBytes_ = 0;
    uint64_t dataOffset_ = 0;
    uint64_t frames_ = 0;    // in the data chunk
    uint64_t position_ = 0;  // next frame to read
    std::vector<BYTE> raw_;
};

}  // namespace velto::plugin

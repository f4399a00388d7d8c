// Where a WAV file's PCM samples lie and what they are, read from its chunks. Works through any
// reader and needs nothing of the platform, so that damaged headers can be fuzzed natively.
#pragma once

#include <cstdint>
#include <functional>

namespace velto::plugin {

struct WavLayout {
    int rate = 0;
    int channels = 0;    // 1 or 2
    int bits = 0;        // 8, 16, 24 or 32
    int frameBytes = 0;  // channels * bits / 8
    uint64_t dataOffset = 0;
    uint64_t frames = 0;  // whole frames in the data chunk, at least 1
};

// Reads exactly `bytes` at `offset`; false when the file does not hold them.
using WavReader = std::function<bool(uint64_t offset, void* to, uint32_t bytes)>;

// PCM (plain or WAVE_FORMAT_EXTENSIBLE) with a format chunk before its data chunk. A data size
// of 0 or beyond the file's end means the sizes were never finished: the samples then run to
// the end of the file. false when the file holds no whole frame of such sound.
bool ParseWavHeader(uint64_t fileSize, const WavReader& read, WavLayout& layout);

}  // namespace velto::plugin

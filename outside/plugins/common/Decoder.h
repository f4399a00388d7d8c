// What an input plug-in needs from a file format: 16-bit interleaved PCM frames out of a file,
// its length, and a way to jump to a time.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace velto::plugin {

class Decoder {
public:
    virtual ~Decoder() = default;
    // false when the file cannot be read or holds nothing this decoder plays.
    virtual bool Open(const std::wstring& path) = 0;
    virtual int sampleRate() const = 0;
    virtual int channels() const = 0;  // 1 or 2
    virtual int lengthMs() const = 0;
    virtual int bitrateKbps() const = 0;
    // Up to maxFrames frames into `out`; 0 at the end of the file, -1 when decoding failed.
    virtual int Read(int16_t* out, int maxFrames) = 0;
    // The next Read starts at `ms` (as near as the format allows).
    virtual bool Seek(int ms) = 0;
};

using DecoderFactory = std::unique_ptr<Decoder> (*)();

}  // namespace velto::plugin

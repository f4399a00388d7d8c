#include "outside/plugins/in_wav/WavHeader.h"

#include <cstring>
#include <vector>

namespace velto::plugin {

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatExtensible = 0xFFFE;
// A format chunk longer than this is not one we could play.
constexpr uint32_t kMaxFormatBytes = 4096;
// The first two bytes of KSDATAFORMAT_SUBTYPE_PCM; the rest is the common base GUID.
constexpr uint8_t kPcmSubtype[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                     0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint32_t U32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

uint16_t U16(const uint8_t* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

bool ParseFormat(const std::vector<uint8_t>& chunk, WavLayout& layout)
{
    if (chunk.size() < 16) return false;
    uint16_t tag = U16(&chunk[0]);
    const int channels = U16(&chunk[2]);
    const uint32_t rate = U32(&chunk[4]);
    const int bits = U16(&chunk[14]);
    if (tag == kFormatExtensible) {
        if (chunk.size() < 40 || std::memcmp(&chunk[24], kPcmSubtype, 16) != 0) return false;
        tag = kFormatPcm;
    }
    // The block align and byte rate are not trusted: the frame follows from channels and bits.
    if (tag != kFormatPcm || channels < 1 || channels > 2 || rate == 0 || rate > 384000)
        return false;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    layout.channels = channels;
    layout.rate = static_cast<int>(rate);
    layout.bits = bits;
    layout.frameBytes = channels * bits / 8;
    return true;
}

}  // namespace

bool ParseWavHeader(uint64_t fileSize, const WavReader& read, WavLayout& layout)
{
    layout = WavLayout{};
    uint8_t header[12];
    if (fileSize < 12 || !read(0, header, 12) || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    uint64_t offset = 12;
    // 64-bit offsets: a chunk size near 4 GiB moves past the end instead of wrapping round.
    while (offset + 8 <= fileSize) {
        uint8_t chunk[8];
        if (!read(offset, chunk, 8)) return false;
        const uint32_t length = U32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16 || length > kMaxFormatBytes) return false;
            std::vector<uint8_t> body(length);
            if (!read(offset + 8, body.data(), length) || !ParseFormat(body, layout)) return false;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return false;
            layout.dataOffset = offset + 8;
            uint64_t bytes = fileSize - layout.dataOffset;
            // 0 or more than the file holds: the sizes were never finished.
            if (length != 0 && length <= bytes) bytes = length;
            layout.frames = bytes / static_cast<uint64_t>(layout.frameBytes);
            // Not one whole frame: nothing to play, and a play of it would never be heard.
            return layout.frames > 0;
        }
        offset += 8 + static_cast<uint64_t>(length) + (length & 1);
    }
    return false;
}

}  // namespace velto::plugin

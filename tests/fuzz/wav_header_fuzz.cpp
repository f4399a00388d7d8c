// in_wav's header reader on any bytes as a whole file: what it accepts must describe whole
// frames of playable PCM that lie inside the file, after a real data chunk, and it may ask for
// any bytes but only gets those the file holds.
#include <cstring>

#include "outside/plugins/in_wav/WavHeader.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTargets.h"

namespace velto::fuzz {

int WavHeaderTarget(const uint8_t* data, size_t size)
{
    const auto read = [data, size](uint64_t offset, void* to, uint32_t bytes) {
        if (offset > size || bytes > size - offset) return false;
        if (bytes) std::memcpy(to, data + offset, bytes);
        return true;
    };
    plugin::WavLayout layout;
    if (!plugin::ParseWavHeader(size, read, layout)) return 0;

    FUZZ_CHECK(layout.channels == 1 || layout.channels == 2);
    FUZZ_CHECK(layout.bits == 8 || layout.bits == 16 || layout.bits == 24 || layout.bits == 32);
    FUZZ_CHECK(layout.frameBytes == layout.channels * layout.bits / 8);
    FUZZ_CHECK(layout.rate > 0 && layout.rate <= 384000);
    FUZZ_CHECK(layout.frames >= 1);
    FUZZ_CHECK(layout.dataOffset >= 20 && layout.dataOffset <= size);
    FUZZ_CHECK(std::memcmp(data + layout.dataOffset - 8, "data", 4) == 0);
    const uint64_t available = size - layout.dataOffset;
    FUZZ_CHECK(layout.frames * static_cast<uint64_t>(layout.frameBytes) <= available);
    // The data chunk's own size when it fits in the file, else what the file holds.
    uint32_t declared;
    std::memcpy(&declared, data + layout.dataOffset - 4, 4);
    const uint64_t bytes = declared != 0 && declared <= available ? declared : available;
    FUZZ_CHECK(layout.frames == bytes / static_cast<uint64_t>(layout.frameBytes));
    return 0;
}

}  // namespace velto::fuzz

// Reading MPEG audio frame headers, to check what the encoder wrote without trusting it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace velto::test {

struct Mp3Frame {
    int version = 0;  // 10: MPEG-1, 20: MPEG-2, 25: MPEG-2.5
    int layer = 0;
    int bitRateKbps = 0;
    int sampleRate = 0;
    int channels = 0;
    size_t bytes = 0;
    int samples = 0;
};

// Parses the header at `p` (4 bytes at least); false when it is not a valid frame header.
inline bool ParseMp3Frame(const unsigned char* p, Mp3Frame& f)
{
    static const int kBitRates[2][16] = {
        {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0},  // MPEG-1 III
        {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};     // MPEG-2/2.5 III
    static const int kRates[3][3] = {
        {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return false;
    const int versionBits = (p[1] >> 3) & 3;
    const int layerBits = (p[1] >> 1) & 3;
    const int bitRateIndex = p[2] >> 4;
    const int rateIndex = (p[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || rateIndex == 3) return false;
    if (bitRateIndex == 0 || bitRateIndex == 15) return false;
    const int row = versionBits == 3 ? 0 : versionBits == 2 ? 1 : 2;
    f.version = row == 0 ? 10 : row == 1 ? 20 : 25;
    f.layer = 4 - layerBits;
    f.bitRateKbps = kBitRates[row == 0 ? 0 : 1][bitRateIndex];
    f.sampleRate = kRates[row][rateIndex];
    f.channels = (p[3] >> 6) == 3 ? 1 : 2;
    const int padding = (p[2] >> 1) & 1;
    f.samples = row == 0 ? 1152 : 576;
    f.bytes =
        static_cast<size_t>((row == 0 ? 144 : 72) * f.bitRateKbps * 1000 / f.sampleRate + padding);
    return f.layer == 3;
}

// Every frame of a file that holds nothing but frames; empty when anything else is found.
inline std::vector<Mp3Frame> Mp3Frames(const std::vector<unsigned char>& file)
{
    std::vector<Mp3Frame> frames;
    size_t at = 0;
    while (at + 4 <= file.size()) {
        Mp3Frame f;
        if (!ParseMp3Frame(&file[at], f) || at + f.bytes > file.size()) return {};
        frames.push_back(f);
        at += f.bytes;
    }
    if (at != file.size()) return {};
    return frames;
}

// True when the first frame carries LAME's Info (CBR) or Xing (VBR) tag.
inline bool HasLameTag(const std::vector<unsigned char>& file, size_t firstFrameBytes)
{
    const size_t n = firstFrameBytes < file.size() ? firstFrameBytes : file.size();
    for (size_t i = 4; i + 4 <= n; ++i)
        if (!std::memcmp(&file[i], "Info", 4) || !std::memcmp(&file[i], "Xing", 4)) return true;
    return false;
}

}  // namespace velto::test

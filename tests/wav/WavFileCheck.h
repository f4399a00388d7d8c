// Reading back a WAV file the recorder wrote, and checking what it holds, the same way for the
// recorder's own tests and for recordings made through the main window.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velto::test {

struct WavFile {
    std::vector<uint8_t> bytes;
    uint32_t dataLength = 0;
    std::vector<int16_t> samples;  // interleaved
};

// Reads a WAV file written by the recorder and checks that it was finished: RIFF, "fmt " of
// 16 bytes describing `format`, "fact" holding 0, "data", and lengths that match the file's
// size (with the pad byte of an odd length).
WavFile ReadFinishedWav(const std::wstring& path, const WAVEFORMATEX& format);

// Every channel holds the played tone at its level, and from a quarter of the way on (where
// the tone surely plays) without a phase jump: a block lost, doubled or copied out of order
// breaks the sine.
void ExpectCleanTone(const std::vector<int16_t>& interleaved, int channels, int sampleRate,
                     double frequency, double level);

}  // namespace velto::test

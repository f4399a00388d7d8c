// Looks at a written .wma file with the Linux ffprobe and ffmpeg (run through Wine), the way
// an independent player would see it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velto::test {

struct ProbedAudio {
    bool ok = false;
    std::string codec;
    int channels = 0;
    int sampleRate = 0;
    long bitRate = 0;
    double duration = 0;  // of the container, in seconds
};

// `path` must be plain ASCII (the command line to Linux is not Unicode-safe).
ProbedAudio ProbeAudio(const std::wstring& path);
// Decodes the whole file to interleaved 16-bit samples at its own rate and channel count.
std::vector<int16_t> DecodeAudio(const std::wstring& path);

struct ToneCheck {
    double frequency = 0;
    double level = 0;  // mean absolute sample value
};
// The tone in one channel, leaving out `marginSeconds` at both ends.
ToneCheck MeasureTone(const std::vector<int16_t>& interleaved, int channels, int channel,
                      int sampleRate, double marginSeconds);

}  // namespace velto::test

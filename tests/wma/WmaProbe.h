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
// One channel without `marginSeconds` at both ends; empty when nothing is left.
std::vector<int16_t> MiddleOfChannel(const std::vector<int16_t>& interleaved, int channels,
                                     int channel, int sampleRate, double marginSeconds);
// The tone in one channel, leaving out `marginSeconds` at both ends.
ToneCheck MeasureTone(const std::vector<int16_t>& interleaved, int channels, int channel,
                      int sampleRate, double marginSeconds);

// The lowest bit rate wmav2 encodes; rows asking for less are recorded at it.
inline constexpr long kWmaEncoderFloor = 24000;

// Checks a recording of a played sine at WMA quality `row`, stopped by the auto-stop after
// `seconds`: ffprobe sees wmav2 in two channels at the row's sample rate and bit rate (the
// encoder's floor for the rows below it) lasting the auto-stop time, and both channels decode
// to the tone at its level. `path` must be plain ASCII.
void ExpectWmaRecordingOfTone(const std::wstring& path, int row, int seconds, double frequency,
                              double amplitude);

}  // namespace velto::test

// Test tones: making them, playing them into the sound card, and measuring what came back.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velto::test {

// Interleaved 16-bit samples of a sine, the same on every channel.
std::vector<int16_t> MakeSine(int sampleRate, int channels, double frequency, double amplitude,
                              double seconds);

// One channel out of interleaved samples.
std::vector<int16_t> Channel(const std::vector<int16_t>& interleaved, int channels, int which);

double MeanAbs(const std::vector<int16_t>& samples);
// Frequency from the rising zero crossings (linear interpolation between samples). 0 when the
// signal has fewer than two crossings.
double EstimateFrequency(const std::vector<int16_t>& samples, int sampleRate);
// Samples where a clean sine of that frequency would be broken (a dropped or repeated block
// shows as a phase jump): the second-order prediction error passes `tolerance` of the
// amplitude. Silent stretches are not counted.
int CountDiscontinuities(const std::vector<int16_t>& samples, int sampleRate, double frequency,
                         double tolerance = 0.05);
// Index of the first sample whose magnitude passes `threshold`; -1 when none does.
long FirstLoudSample(const std::vector<int16_t>& samples, int threshold);
// The pitch from the median period between rising zero crossings: Wine's wave-out may leave
// a short gap under load, which would pull an average down but leaves the median alone.
// 0 when there are fewer than two crossings.
double MedianPitch(const std::vector<int16_t>& samples, int sampleRate);

// Plays a tone into the sound card with PulseAudio's own player (paplay, a Linux program that
// Wine starts for us), so the source is clean: Wine's wave-out may drop a few milliseconds
// under load, which would look like a capture fault. Stopped when destroyed.
class TonePlayer {
public:
    TonePlayer(double frequency, double amplitude, double seconds = 30.0, int sampleRate = 44100,
               int channels = 2);
    ~TonePlayer();
    TonePlayer(const TonePlayer&) = delete;
    TonePlayer& operator=(const TonePlayer&) = delete;
    bool ok() const { return started_; }

private:
    std::wstring wavPath_;
    std::string unixPath_;
    bool started_ = false;
};

// Records what the sound card plays (the sink's monitor, mono 16-bit at 44100 Hz) for
// `seconds`, in the background, into a raw file, with PulseAudio's own parec. The constructor
// returns once samples arrive (a Linux program may take seconds to start on a busy machine),
// so what the test plays next is heard from its beginning.
class SinkCapture {
public:
    SinkCapture(const std::wstring& rawPath, int seconds);
    bool started() const { return started_; }
    // Waits for the capture to end and returns its samples (empty on time-out).
    std::vector<int16_t> Wait(DWORD timeoutMs);

    static constexpr int kSampleRate = 44100;

private:
    std::wstring raw_;
    std::wstring startedMarker_;
    std::wstring done_;
    bool started_ = false;
};

// Writes a 16-bit PCM WAV file (tests' own minimal writer).
bool WriteWavFile(const std::wstring& path, const std::vector<int16_t>& samples, int sampleRate,
                  int channels);
// The Linux path of a Windows path (Wine's wine_get_unix_file_name); empty when unavailable.
std::string UnixPath(const std::wstring& windowsPath);
// Starts a Linux program through Wine (it cannot be waited for); false if it did not start.
bool StartUnixProgram(const std::wstring& commandLine);
// Runs a Linux command line through /bin/sh and waits until it has finished, up to timeoutMs.
bool RunUnixShell(const std::string& command, DWORD timeoutMs = 10000);

}  // namespace velto::test

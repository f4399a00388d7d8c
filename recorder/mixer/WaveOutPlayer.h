// The test tone of the automatic level set-up: a double-buffered wave-out player whose feeder
// thread refills a buffer as soon as the device hands it back, and the sine generator on top.
//
// Threads: the user-interface thread calls Start, Stop, Set and Restart. The feeder thread
// (time-critical, woken by the event "WaveOutThreadEvent") re-queues finished buffers and calls
// Fill. The feeder runs only between a successful Start and the next Stop, and Stop waits for
// it to end before touching the device or the buffers, so the two never use them at once.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <atomic>
#include <cstdint>

#include "common/win/Handles.h"

namespace velto {

class CWaveOutPlayer {
public:
    static constexpr int kBufferRoom = 8192;    // samples each buffer can hold
    static constexpr int kBufferLength = 4096;  // samples each buffer plays
    static constexpr int kSampleRate = 11025;

    CWaveOutPlayer();
    virtual ~CWaveOutPlayer();
    CWaveOutPlayer(const CWaveOutPlayer&) = delete;
    CWaveOutPlayer& operator=(const CWaveOutPlayer&) = delete;

    // Silences the played part of both buffers.
    virtual void ClearBuffers();
    // Computes the next kBufferLength samples into buffer currentBuffer(). Runs on the feeder
    // thread while playing.
    virtual void Fill() {}

    // Opens wave-out device 0, queues both buffers and lets the feeder run. Returns 0, or the
    // wave-out error that stopped it (after telling the user). Without any output device it
    // tells the user and returns 0 with nothing playing.
    MMRESULT Start();
    // Pauses the device, ends the feeder, resets and closes the device. On a player that is
    // not playing it only waits its two short pauses.
    void Stop();

    bool playing() const noexcept { return device_ != nullptr; }
    const int16_t* buffer(int index) const noexcept { return buffers_[index]; }
    int currentBuffer() const noexcept { return currentBuffer_; }
    // Feeder threads of every player that have not ended yet.
    static int LiveFeederThreads() noexcept { return liveFeeders_.load(); }

protected:
    int16_t* mutableBuffer(int index) noexcept { return buffers_[index]; }
    void setCurrentBuffer(int index) noexcept { currentBuffer_ = index; }
    int sampleRate() const noexcept { return sampleRate_; }
    int bufferLength() const noexcept { return bufferLength_; }

private:
    static unsigned __stdcall FeederEntry(void* self);
    void FeedUntilStopped();
    void RequeueFinishedBuffers();
    MMRESULT QueueBuffer(int index);
    void EndFeeder();
    void CloseDevice();

    int16_t buffers_[2][kBufferRoom]{};
    WAVEOUTCAPSW caps_{};
    HWAVEOUT device_ = nullptr;
    WAVEHDR headers_[2]{};
    WAVEFORMATEX format_{};
    UniqueHandle event_;
    UniqueHandle feeder_;
    std::atomic<int> stopFlag_{1};
    int sampleRate_ = kSampleRate;
    int bufferLength_ = kBufferLength;
    int queuedLength_ = 0;
    // Written by Start (feeder not yet running) and by the feeder; read by others only when
    // the feeder has ended.
    int currentBuffer_ = 0;

    static std::atomic<int> liveFeeders_;
};

// A steady sine from a two-term recurrence: each sample is k·y[n-1] − y[n-2] with k = 2·cos ω,
// so a buffer costs one multiply and one subtract per sample. The unrounded values behind
// each buffer are kept, so every fill continues the wave exactly where the other buffer ended.
class CToneGenerator : public CWaveOutPlayer {
public:
    static constexpr double kDefaultFrequency = 450.0;
    static constexpr int16_t kDefaultAmplitude = 22050;

    // Ready to play 450 Hz at amplitude 22050; nothing plays until Restart.
    CToneGenerator();
    ~CToneGenerator() override;

    // Takes effect at the next Restart.
    void Set(int16_t amplitude, double frequency) noexcept;
    // Stops, starts the wave again from its beginning with the stored amplitude and
    // frequency, and plays it. Returns what Start returned.
    MMRESULT Restart();
    void Fill() override;

    int16_t amplitude() const noexcept { return amplitude_; }
    double frequency() const noexcept { return frequency_; }

protected:
    // Recomputes the step from the stored frequency and refills both buffers from the start
    // of the wave. Only while stopped.
    void Rewind() noexcept;

private:
    void Recompute() noexcept;

    double frequency_ = kDefaultFrequency;
    double rate_ = kSampleRate;
    double omega_ = 0;
    int16_t amplitude_ = kDefaultAmplitude;
    double coefficient_ = 0;
    double waves_[2][kBufferLength]{};
};

// The program's one test tone, stopped at exit.
extern CToneGenerator g_testTone;

}  // namespace velto

// The sound card side of out_wave.dll: a wave-out device fed from a ring of blocks.
//
// Threads: the input plug-in's decoding thread writes, polls room and flushes at a seek; the
// host's timer thread asks IsPlaying and the output time; the host's caller thread sets volume
// and pan, pauses, flushes at a seek and closes. One lock guards everything, and nothing here
// waits for another thread: the device is opened without a callback and finished blocks are
// found by their WHDR_DONE flag.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <cstdint>
#include <mutex>
#include <vector>

namespace velto::plugin {

// Scales 16-bit samples in place: volume 0..255 (255 leaves them alone), pan -128 (left only)
// .. 128 (right only). `firstSample` is the index of samples[0] counted from a frame's start,
// so that left and right stay apart whatever the split.
void ApplyVolumeAndPan(int16_t* samples, size_t count, size_t firstSample, int channels, int volume,
                       int pan);
// The same for PCM of any size the output accepts: 8-bit (unsigned, 128 is silence), 16, 24
// (packed) and 32-bit (signed). `bytes` starts `offset` bytes after a frame's start; a sample
// cut at either end of the range is left as it is.
void ApplyVolumeAndPan(char* bytes, size_t size, size_t offset, int bitsPerSample, int channels,
                       int volume, int pan);

class WaveOutput {
public:
    static constexpr int kBlockMs = 100;
    static constexpr int kDefaultBufferMs = 1000;
    static constexpr DWORD kTailMs = 200;

    WaveOutput() = default;
    ~WaveOutput();
    WaveOutput(const WaveOutput&) = delete;
    WaveOutput& operator=(const WaveOutput&) = delete;

    // Returns the buffer's length in ms (the most the output can lag), or -1 when the device
    // cannot play the format.
    int Open(int sampleRate, int channels, int bitsPerSample, int bufferMs);
    void Close();
    bool IsOpen();
    // 0 when the bytes were taken; 1 when they do not fit (the caller asks CanWrite first).
    int Write(const char* data, int length);
    int CanWrite();
    // Nonzero while written sound is still to be heard. Hands a part-filled block to the
    // device first: the caller asking is the sign that no more is coming for now.
    int IsPlaying();
    // Returns the previous pause state.
    int Pause(int pause);
    // 0..255, applied to what is written from now on; -666 keeps the current volume.
    void SetVolume(int volume);
    // -128 (left only) .. 128 (right only).
    void SetPan(int pan);
    // Drops everything written and counts time from `ms` on.
    void Flush(int ms);
    // Milliseconds heard and written since the last Open or Flush, plus its starting point.
    int GetOutputTime();
    int GetWrittenTime();

private:
    bool IsOpenLocked() const { return device_ != nullptr; }
    void ReclaimLocked();
    void SubmitFillingLocked();
    void CopyScaled(char* to, const char* from, size_t bytes);
    uint32_t DevicePositionLocked();
    int64_t PlayedBytesLocked();
    void ResetDeviceLocked();

    std::mutex mutex_;
    HWAVEOUT device_ = nullptr;
    WAVEFORMATEX format_{};
    std::vector<std::vector<char>> blocks_;
    std::vector<WAVEHDR> headers_;
    size_t blockBytes_ = 0;
    size_t head_ = 0;      // oldest block with the device
    size_t queued_ = 0;    // blocks with the device
    size_t fill_ = 0;      // bytes in the block being filled, the one after the queued ones
    int64_t written_ = 0;  // bytes written since Open or Flush
    // Bytes heard since Open or Flush, summed from the device's 32-bit position so that
    // its wrap after 6 hours (and its reset at a flush) does no harm.
    int64_t played_ = 0;
    uint32_t lastPosition_ = 0;
    int baseMs_ = 0;
    bool paused_ = false;
    int volume_ = 255;
    int pan_ = 0;
};

}  // namespace velto::plugin

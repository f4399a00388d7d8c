// What the recording line hears while the level set-up plays its tone: the latest 1024 samples
// captured from wave-in device 0 (11025 Hz, mono, 16-bit, in 2048-byte blocks), which the
// set-up scans for clipping.
//
// Threads: the user-interface thread calls Start, Stop and Block. The capture thread, woken by
// the device through the event, moves each filled block into the sample block under a lock and
// re-queues it. Stop waits for the capture thread before closing the device.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include "common/win/Handles.h"

namespace velto {

class CLevelCapture {
public:
    static constexpr int kBlockSamples = 1024;
    static constexpr int kSampleRate = 11025;
    static constexpr int kDeviceBlockBytes = 2048;
    // Blocks queued at the driver: enough that a late wake-up of the capture thread never
    // leaves the device without room.
    static constexpr int kQueuedBlocks = 4;

    using Block = std::array<int16_t, kBlockSamples>;

    CLevelCapture() = default;
    virtual ~CLevelCapture();
    CLevelCapture(const CLevelCapture&) = delete;
    CLevelCapture& operator=(const CLevelCapture&) = delete;

    // Sets the sample block to silence.
    virtual void ClearBlock();
    // Called on the capture thread after each captured block has reached the sample block.
    virtual void OnBlock() {}

    // Clears the block and starts capturing into it until Stop. Returns the wave-in error
    // when the device cannot be opened or started (the block then stays silent).
    MMRESULT Start();
    // Ends the capture and closes the device; nothing happens when none is running.
    void Stop();

    // A copy of the latest samples, oldest first.
    Block Snapshot() const;
    bool capturing() const noexcept { return device_ != nullptr; }

private:
    static unsigned __stdcall CaptureEntry(void* self);
    void CaptureUntilStopped();
    void TakeFinishedBlocks();
    void Append(const int16_t* samples, int count);
    void CloseDevice();

    mutable std::mutex blockLock_;
    Block block_{};
    HWAVEIN device_ = nullptr;
    UniqueHandle event_;
    std::atomic<int> stopFlag_{1};
    int sampleRate_ = kSampleRate;
    int blockBytes_ = kDeviceBlockBytes;
    WAVEHDR headers_[kQueuedBlocks]{};
    int16_t buffers_[kQueuedBlocks][kDeviceBlockBytes / 2]{};
    int nextHeader_ = 0;
    UniqueHandle thread_;
};

// The program's one level capture, stopped at exit.
extern CLevelCapture g_levelCapture;

}  // namespace velto

// Capture devices. CWaveInDevice keeps an eight-slice ring queued at the wave-in driver; the
// driver's callback counts each filled slice on a semaphore, which a worker waits on (through
// WaveInSource, the capture engine's source for MP3 and WMA) or which Read waits on.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include "common/win/Handles.h"
#include "recorder/recording/CaptureEngine.h"

namespace velto {

class CSoundDevice {
public:
    virtual ~CSoundDevice() = default;
    virtual bool Open(const wchar_t* /*name*/) { return false; }
    virtual int Close() { return 0; }
    // Returns the number of valid bytes placed in `buffer` (at most `length`). 0 means that no
    // data arrived in time; the caller may look at its stop flag and read again.
    virtual int Read(void* /*buffer*/, int /*length*/) { return 0; }
    virtual int Start() { return 1; }

    int channels = 2;
    int sampleRate = 44100;
};

class CWaveInDevice : public CSoundDevice {
public:
    static constexpr int kSlices = 8;
    static constexpr int kSliceBytes = 16384;
    // Read waits for a slice at most twice the time the driver needs to fill one (plus a
    // margin), then gives the caller a chance to stop: a working device always delivers
    // within that time, so a stop still gets its block; a stalled one cannot hold the worker.
    static DWORD ReadWaitMs(int bytesPerSecond);
    // How long Close lets the driver return its queued slices before resetting it.
    static constexpr DWORD kCloseWaitMs = 1000;

    CWaveInDevice() = default;
    ~CWaveInDevice() override;
    CWaveInDevice(const CWaveInDevice&) = delete;
    CWaveInDevice& operator=(const CWaveInDevice&) = delete;

    // false when the device cannot be opened; the caller tells the user.
    bool Open(const wchar_t* name) override;
    int Start() override;
    int Read(void* buffer, int length) override;
    int Close() override;

    // Counts the filled slices not yet taken; a wait on it that succeeds takes one, and
    // DeliverSlice must follow.
    HANDLE FilledSlices() const { return filledSlices_.get(); }
    // Hands the next filled slice's recorded bytes to `sink` and queues the slice again.
    HRESULT DeliverSlice(PcmSink& sink, CaptureCursor& cursor);

    int deviceId = -1;  // WAVE_MAPPER until the caller picks a device

private:
    static void CALLBACK DriverCallback(HWAVEIN handle, UINT msg, DWORD_PTR instance,
                                        DWORD_PTR param1, DWORD_PTR param2);
    void OnSliceFilled();
    // Queues the slice just read again and moves on to the next.
    void RequeueSlice();

    WAVEFORMATEX format_{};
    HWAVEIN handle_ = nullptr;
    WAVEHDR headers_[kSlices]{};
    BYTE* ring_ = nullptr;
    int nextSlice_ = 0;
    DWORD readWaitMs_ = 0;
    bool started_ = false;
    UniqueHandle freeSlices_;    // slices queued at the driver
    UniqueHandle filledSlices_;  // slices filled and not yet read
};

// The capture engine's wave-in source: wave-in device 0, stereo, the preset's rate.
class WaveInSource : public CaptureSource {
public:
    HRESULT Open(const WAVEFORMATEX& wanted) override;
    const wchar_t* OpenFailureBox() const override { return L"Could not open wave device."; }
    const WAVEFORMATEX& format() const override { return format_; }
    HRESULT Start() override;
    HANDLE DataReady() const override { return device_.FilledSlices(); }
    HRESULT Deliver(PcmSink& sink, CaptureCursor& cursor) override;
    void Close() override { device_.Close(); }

    int deviceId = 0;  // the first wave-in device

private:
    CWaveInDevice device_;
    WAVEFORMATEX format_{};
};

}  // namespace velto

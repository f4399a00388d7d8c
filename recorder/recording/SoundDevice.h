// Capture devices. CWaveInDevice turns the callback-driven wave-in interface into a blocking
// Read of the next filled slice of an eight-slice ring that stays queued at the driver.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include "common/win/Handles.h"

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

    bool Open(const wchar_t* name) override;
    int Start() override;
    int Read(void* buffer, int length) override;
    int Close() override;

    int deviceId = -1;  // WAVE_MAPPER until the caller picks a device

private:
    static void CALLBACK DriverCallback(HWAVEIN handle, UINT msg, DWORD_PTR instance,
                                        DWORD_PTR param1, DWORD_PTR param2);
    void OnSliceFilled();

    WAVEFORMATEX format_{};
    HWAVEIN handle_ = nullptr;
    WAVEHDR headers_[kSlices]{};
    BYTE* ring_ = nullptr;
    int nextSlice_ = 0;
    DWORD readWaitMs_ = 0;
    UniqueHandle freeSlices_;    // slices queued at the driver
    UniqueHandle filledSlices_;  // slices filled and not yet read
};

}  // namespace velto

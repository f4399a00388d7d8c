// The capture engine's DirectSound source (WAV recordings): a looping capture buffer of ten
// blocks on the default capture device, whose block ends and whose stop signal one event.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include "common/win/Handles.h"
#include "recorder/recording/CaptureEngine.h"

namespace velto {

class DirectSoundSource : public CaptureSource {
public:
    static constexpr DWORD kBlockBytes = 10584;
    static constexpr DWORD kBlocks = 10;

    ~DirectSoundSource() override;

    HRESULT Open(const WAVEFORMATEX& wanted) override;
    const WAVEFORMATEX& format() const override { return format_; }
    HRESULT Start() override;
    HANDLE DataReady() const override { return dataReady_.get(); }
    HRESULT Deliver(PcmSink& sink, CaptureCursor& cursor) override;
    void Close() override;

private:
    HRESULT CreateBuffer();
    HRESULT SetNotifications();

    WAVEFORMATEX format_{};
    DWORD bufferSize_ = 0;
    DWORD blockSize_ = 0;
    bool positioned_ = false;  // the cursor knows the buffer
    bool comInitialized_ = false;
    UniqueHandle dataReady_;  // auto-reset: a block filled, or the buffer stopped
    ComPtr<IDirectSoundCapture> device_;
    ComPtr<IDirectSoundCaptureBuffer> buffer_;
    ComPtr<IDirectSoundNotify> notify_;
};

}  // namespace velto

// A recorder whose engine captures from the wave-in device as an MP3 or WMA recording does and
// throws the blocks away: what capturing alone costs, beside what encoding adds.
#pragma once

#include <memory>

#include "recorder/recording/CaptureEngine.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/Recorder.h"
#include "recorder/recording/SoundDevice.h"

namespace velto::test {

class CaptureOnlyRecorder : public CRecorder {
public:
    using CRecorder::CRecorder;
    ~CaptureOnlyRecorder() override { EndRecording(); }

protected:
    // Takes every block as an encoder would, at the encoders' priority, and keeps nothing.
    class DiscardStep : public EncoderStep {
    public:
        bool Begin(const std::wstring&, const WAVEFORMATEX&, const Reporter&) override
        {
            ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
            return true;
        }
        HRESULT Write(DWORD length, const BYTE*, DWORD* written) override
        {
            *written = length;
            return S_OK;
        }
    };

    std::unique_ptr<CaptureSource> CreateSource() override
    {
        return std::make_unique<WaveInSource>();
    }
    std::unique_ptr<EncoderStep> CreateStep() override { return std::make_unique<DiscardStep>(); }
    WAVEFORMATEX WantedFormat() const override
    {
        return MakePcmFormat(2, PresetSampleRate(recordType_, quality_));
    }
};

}  // namespace velto::test

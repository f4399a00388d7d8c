#include "recorder/recording/WavRecorder.h"

#include <memory>

#include "recorder/recording/CaptureEngine.h"
#include "recorder/recording/DirectSoundSource.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/WaveWriter.h"

namespace velto {

namespace {

// The WAV file: created when the capture is set up, written by the worker, finished by Stop
// after the worker has ended.
class WavStep : public EncoderStep {
public:
    bool Begin(const std::wstring& outputPath, const WAVEFORMATEX& format,
               const Reporter& reporter) override
    {
        if (SUCCEEDED(writer_.Create(outputPath, format))) return true;
        reporter.PostError(kFileCreateError);
        return false;
    }
    uint64_t MaxDataBytes(const WAVEFORMATEX& format) const override
    {
        return MaxWaveDataBytes(format);
    }
    HRESULT Write(DWORD length, const BYTE* bytes, DWORD* written) override
    {
        return writer_.Write(length, bytes, written);
    }
    void Finish() override
    {
        if (writer_.isOpen()) writer_.Finish(kFactValue);
    }

private:
    static constexpr DWORD kFactValue = 0;
    CWaveWriter writer_;
};

}  // namespace

CWavRecorder::CWavRecorder(RecorderHost& host, uint64_t maxDataBytes)
    : CRecorder(host), maxDataBytes_(maxDataBytes)
{
}

CWavRecorder::~CWavRecorder()
{
    EndRecording();
}

std::unique_ptr<CaptureSource> CWavRecorder::CreateSource()
{
    return std::make_unique<DirectSoundSource>();
}

std::unique_ptr<EncoderStep> CWavRecorder::CreateStep()
{
    return std::make_unique<WavStep>();
}

WAVEFORMATEX CWavRecorder::WantedFormat() const
{
    return MakePcmFormat(PresetChannels(kRecordWav, quality_), PresetSampleRate(kRecordWav, quality_));
}

}  // namespace velto

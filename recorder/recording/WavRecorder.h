// The WAV recorder: the capture engine with the DirectSound source and the WAV writer's step.
#pragma once

#include <windows.h>

#include <cstdint>

#include "recorder/recording/CaptureCopy.h"
#include "recorder/recording/DirectSoundSource.h"
#include "recorder/recording/Recorder.h"

namespace velto {

class CWavRecorder : public CRecorder {
public:
    static constexpr DWORD kBlockBytes = DirectSoundSource::kBlockBytes;
    static constexpr DWORD kBlocks = DirectSoundSource::kBlocks;

    // `maxDataBytes` caps the samples of one file; 0 means what the file format can hold.
    explicit CWavRecorder(RecorderHost& host, uint64_t maxDataBytes = 0);
    ~CWavRecorder() override;

    // Sample bytes in the file; final once the worker has ended.
    uint64_t bytesWritten() const { return bytesCaptured(); }

protected:
    std::unique_ptr<CaptureSource> CreateSource() override;
    std::unique_ptr<EncoderStep> CreateStep() override;
    WAVEFORMATEX WantedFormat() const override;
    // The ten-block buffer absorbs the delays of the lowest priority.
    int WorkerPriority() const override { return THREAD_PRIORITY_LOWEST; }
    uint64_t MaxDataBytes() const override { return maxDataBytes_; }

private:
    uint64_t maxDataBytes_ = 0;
};

}  // namespace velto

// Turns interleaved 16-bit PCM at the input rate and channel count into the planar float
// frames of a fixed length that the wmav2 encoder takes, resampling when the rates differ.
// Bytes that do not make up a whole sample frame are kept for the next call.
#pragma once

#include <cstdint>
#include <vector>

#include "outside/wmaudsdk/FFmpegPtr.h"

namespace wmaudsdk {

struct AudioShape {
    int sampleRate = 0;
    int channels = 0;
};

class PcmConverter {
public:
    // false when FFmpeg cannot convert between the two shapes.
    bool Init(AudioShape input, AudioShape output, int frameSamples);

    // Converts `bytes` of PCM; false when the resampler fails.
    bool Push(const uint8_t* data, size_t bytes);
    // Pushes out what the resampler still holds; call once, at the end.
    bool Drain();

    // Samples per channel waiting for a frame.
    int Buffered() const;
    // Fills `frame` (planar float, frameSamples long) with the next samples; when fewer are
    // left, the rest of the frame is silence. false when nothing is buffered or on failure.
    bool NextFrame(AVFrame* frame);

private:
    bool Convert(const uint8_t* const* in, int inSamples);

    SwrPtr swr_;
    FifoPtr fifo_;
    AudioShape input_;
    AudioShape output_;
    int frameSamples_ = 0;
    int inputBlockAlign_ = 0;
    std::vector<uint8_t> partial_;  // the start of a sample frame cut off by the last call
    std::vector<std::vector<float>> scratch_;
};

}  // namespace wmaudsdk

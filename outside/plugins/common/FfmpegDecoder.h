// A Decoder over FFmpeg's static libraries: whatever the minimal build demuxes and decodes
// (MP3, ASF with WMA 1 and 2, WAV), converted to 16-bit interleaved PCM at the file's own
// sample rate with at most two channels.
#pragma once

#include <vector>

#include "outside/plugins/common/Decoder.h"

struct AVFormatContext;
struct AVCodecContext;
struct SwrContext;
struct AVPacket;
struct AVFrame;

namespace velto::plugin {

class FfmpegDecoder : public Decoder {
public:
    FfmpegDecoder() = default;
    ~FfmpegDecoder() override;
    FfmpegDecoder(const FfmpegDecoder&) = delete;
    FfmpegDecoder& operator=(const FfmpegDecoder&) = delete;

    // Quiets FFmpeg's own logging (it would write to the host's console).
    static void Initialise();

    bool Open(const std::wstring& path) override;
    int sampleRate() const override { return rate_; }
    int channels() const override { return channels_; }
    int lengthMs() const override { return lengthMs_; }
    int bitrateKbps() const override { return bitrateKbps_; }
    int Read(int16_t* out, int maxFrames) override;
    bool Seek(int ms) override;

private:
    bool DecodeMore();
    void Convert();
    bool MatchResamplerToFrame();
    void Close();

    AVFormatContext* format_ = nullptr;
    AVCodecContext* codec_ = nullptr;
    SwrContext* resampler_ = nullptr;
    AVPacket* packet_ = nullptr;
    AVFrame* frame_ = nullptr;
    int stream_ = -1;
    // What the resampler takes in: a damaged file may change these from frame to frame.
    int inChannels_ = 0;
    int inFormat_ = -1;
    int inRate_ = 0;
    int rate_ = 0;
    int channels_ = 0;
    int lengthMs_ = 0;
    int bitrateKbps_ = 0;
    bool inputEnded_ = false;
    bool ended_ = false;
    int skipUntilMs_ = -1;  // after a seek: decoded sound before this is dropped
    std::vector<int16_t> pending_;
    size_t pendingPos_ = 0;
};

}  // namespace velto::plugin

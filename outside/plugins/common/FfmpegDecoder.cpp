#include "outside/plugins/common/FfmpegDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <climits>

#include "common/Text.h"

namespace velto::plugin {

void FfmpegDecoder::Initialise()
{
    av_log_set_level(AV_LOG_QUIET);
}

FfmpegDecoder::~FfmpegDecoder()
{
    Close();
}

void FfmpegDecoder::Close()
{
    swr_free(&resampler_);
    avcodec_free_context(&codec_);
    avformat_close_input(&format_);
    av_packet_free(&packet_);
    av_frame_free(&frame_);
}

bool FfmpegDecoder::Open(const std::wstring& path)
{
    Close();
    // FFmpeg takes UTF-8 file names and opens them with the wide functions.
    const std::string name = WideToUtf8(path);
    if (avformat_open_input(&format_, name.c_str(), nullptr, nullptr) < 0) return false;
    if (avformat_find_stream_info(format_, nullptr) < 0) return false;
    const AVCodec* decoder = nullptr;
    stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
    if (stream_ < 0 || !decoder) return false;
    AVStream* stream = format_->streams[stream_];

    codec_ = avcodec_alloc_context3(decoder);
    if (!codec_ || avcodec_parameters_to_context(codec_, stream->codecpar) < 0) return false;
    codec_->pkt_timebase = stream->time_base;
    if (avcodec_open2(codec_, decoder, nullptr) < 0) return false;
    rate_ = codec_->sample_rate;
    channels_ = std::min(codec_->ch_layout.nb_channels, 2);
    if (rate_ <= 0 || channels_ <= 0) return false;

    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, channels_);
    if (swr_alloc_set_opts2(&resampler_, &outLayout, AV_SAMPLE_FMT_S16, rate_, &codec_->ch_layout,
                            codec_->sample_fmt, rate_, 0, nullptr) < 0 ||
        swr_init(resampler_) < 0)
        return false;
    inChannels_ = codec_->ch_layout.nb_channels;
    inFormat_ = codec_->sample_fmt;
    inRate_ = rate_;

    packet_ = av_packet_alloc();
    frame_ = av_frame_alloc();
    if (!packet_ || !frame_) return false;

    int64_t duration = format_->duration;
    if (duration == AV_NOPTS_VALUE && stream->duration != AV_NOPTS_VALUE)
        duration = av_rescale_q(stream->duration, stream->time_base, AV_TIME_BASE_Q);
    lengthMs_ = duration == AV_NOPTS_VALUE
                    ? 0
                    : static_cast<int>(std::min<int64_t>(duration / 1000, INT_MAX));
    int64_t bitrate = codec_->bit_rate > 0 ? codec_->bit_rate : format_->bit_rate;
    bitrateKbps_ = static_cast<int>(bitrate / 1000);
    inputEnded_ = ended_ = false;
    pending_.clear();
    pendingPos_ = 0;
    skipUntilMs_ = -1;
    // A file that opens but yields no sound at all (only a header, or noise that looked like
    // a stream) is not played: it would start and then never be heard.
    return DecodeMore();
}

// A damaged or odd file may change its channels, sample format or rate in mid-stream. The
// resampler reads as many planes as it was set up for, so it follows the frame; the output
// keeps the rate and channels it was opened with.
bool FfmpegDecoder::MatchResamplerToFrame()
{
    const int channels = frame_->ch_layout.nb_channels;
    if (channels == inChannels_ && frame_->format == inFormat_ && frame_->sample_rate == inRate_)
        return true;
    if (channels <= 0 || frame_->sample_rate <= 0 || frame_->format < 0) return false;
    AVChannelLayout outLayout;
    av_channel_layout_default(&outLayout, channels_);
    swr_free(&resampler_);
    if (swr_alloc_set_opts2(&resampler_, &outLayout, AV_SAMPLE_FMT_S16, rate_, &frame_->ch_layout,
                            static_cast<AVSampleFormat>(frame_->format), frame_->sample_rate, 0,
                            nullptr) < 0 ||
        swr_init(resampler_) < 0) {
        swr_free(&resampler_);
        inChannels_ = 0;
        return false;
    }
    inChannels_ = channels;
    inFormat_ = frame_->format;
    inRate_ = frame_->sample_rate;
    return true;
}

// Decodes the next frame into `pending_`; false at the end of the file or on a hard error.
bool FfmpegDecoder::DecodeMore()
{
    for (;;) {
        const int received = avcodec_receive_frame(codec_, frame_);
        if (received == 0) {
            Convert();
            av_frame_unref(frame_);
            return true;
        }
        if (received != AVERROR(EAGAIN) || inputEnded_) return false;
        if (av_read_frame(format_, packet_) < 0) {
            avcodec_send_packet(codec_, nullptr);  // drain what the decoder still holds
            inputEnded_ = true;
            continue;
        }
        // A damaged packet is skipped: the rest of the file still plays.
        if (packet_->stream_index == stream_) avcodec_send_packet(codec_, packet_);
        av_packet_unref(packet_);
    }
}

void FfmpegDecoder::Convert()
{
    pending_.clear();
    pendingPos_ = 0;
    if (!MatchResamplerToFrame()) return;  // a frame that cannot be converted is skipped
    const int capacity = swr_get_out_samples(resampler_, frame_->nb_samples);
    if (capacity <= 0) return;
    pending_.resize(static_cast<size_t>(capacity) * channels_);
    pendingPos_ = 0;
    auto* out = reinterpret_cast<uint8_t*>(pending_.data());
    const int frames =
        swr_convert(resampler_, &out, capacity, const_cast<const uint8_t**>(frame_->extended_data),
                    frame_->nb_samples);
    pending_.resize(static_cast<size_t>(std::max(frames, 0)) * channels_);
    if (skipUntilMs_ < 0) return;
    // After a seek the demuxer lands at or before the position: drop the sound before it.
    const int64_t pts = frame_->best_effort_timestamp;
    if (pts != AV_NOPTS_VALUE) {
        const AVRational tb = format_->streams[stream_]->time_base;
        const int64_t startMs = av_rescale_q(pts, tb, AVRational{1, 1000});
        const int64_t drop = (skipUntilMs_ - startMs) * rate_ / 1000;
        if (drop >= frames) {  // all of it lies before the position
            pendingPos_ = pending_.size();
            return;
        }
        if (drop > 0) pendingPos_ = static_cast<size_t>(drop) * channels_;
    }
    skipUntilMs_ = -1;
}

int FfmpegDecoder::Read(int16_t* out, int maxFrames)
{
    if (!format_) return -1;
    int produced = 0;
    while (produced < maxFrames) {
        if (pendingPos_ < pending_.size()) {
            const size_t available = (pending_.size() - pendingPos_) / channels_;
            const size_t n = std::min<size_t>(available, static_cast<size_t>(maxFrames - produced));
            std::copy_n(pending_.begin() + static_cast<ptrdiff_t>(pendingPos_), n * channels_,
                        out + static_cast<size_t>(produced) * channels_);
            pendingPos_ += n * channels_;
            produced += static_cast<int>(n);
            continue;
        }
        if (ended_ || !DecodeMore()) {
            ended_ = true;
            break;
        }
    }
    return produced;
}

bool FfmpegDecoder::Seek(int ms)
{
    if (!format_) return false;
    const int64_t target = static_cast<int64_t>(std::max(ms, 0)) * 1000;  // AV_TIME_BASE
    const bool moved = av_seek_frame(format_, -1, target, AVSEEK_FLAG_BACKWARD) >= 0;
    avcodec_flush_buffers(codec_);
    // The converter may hold a few samples of the old position.
    if (resampler_) {
        swr_close(resampler_);
        swr_init(resampler_);
    }
    pending_.clear();
    pendingPos_ = 0;
    inputEnded_ = ended_ = false;
    skipUntilMs_ = std::max(ms, 0);
    return moved;
}

}  // namespace velto::plugin

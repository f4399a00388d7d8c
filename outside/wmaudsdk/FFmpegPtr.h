// Owning pointers for the FFmpeg objects the writer holds.
#pragma once

#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

namespace wmaudsdk {

struct CodecContextFree {
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct SwrFree {
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct FifoFree {
    void operator()(AVAudioFifo* p) const { av_audio_fifo_free(p); }
};
struct FrameFree {
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
// The muxer's stream is ours (custom I/O), so freeing the context leaves the file alone.
struct FormatContextFree {
    void operator()(AVFormatContext* p) const { avformat_free_context(p); }
};

using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;
using FifoPtr = std::unique_ptr<AVAudioFifo, FifoFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using FormatContextPtr = std::unique_ptr<AVFormatContext, FormatContextFree>;

}  // namespace wmaudsdk

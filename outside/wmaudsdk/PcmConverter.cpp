#include "outside/wmaudsdk/PcmConverter.h"

#include <algorithm>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libavutil/samplefmt.h>
}

namespace wmaudsdk {

bool PcmConverter::Init(AudioShape input, AudioShape output, int frameSamples)
{
    input_ = input;
    output_ = output;
    frameSamples_ = frameSamples;
    inputBlockAlign_ = input.channels * 2;

    AVChannelLayout inLayout{}, outLayout{};
    av_channel_layout_default(&inLayout, input.channels);
    av_channel_layout_default(&outLayout, output.channels);
    SwrContext* swr = nullptr;
    const int ret = swr_alloc_set_opts2(&swr, &outLayout, AV_SAMPLE_FMT_FLTP, output.sampleRate,
                                        &inLayout, AV_SAMPLE_FMT_S16, input.sampleRate, 0, nullptr);
    av_channel_layout_uninit(&inLayout);
    av_channel_layout_uninit(&outLayout);
    if (ret < 0) return false;
    swr_.reset(swr);
    // A mix-down averages the channels instead of adding them at -3 dB each, which would make
    // a mono file louder than its source and clip loud passages.
    av_opt_set_double(swr, "rematrix_maxval", 1.0, 0);
    if (swr_init(swr) < 0) return false;

    fifo_.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, output.channels, frameSamples * 4));
    scratch_.assign(static_cast<size_t>(output.channels), {});
    return fifo_ != nullptr;
}

bool PcmConverter::Push(const uint8_t* data, size_t bytes)
{
    const size_t align = static_cast<size_t>(inputBlockAlign_);
    if (!partial_.empty()) {
        const size_t take = std::min(align - partial_.size(), bytes);
        partial_.insert(partial_.end(), data, data + take);
        data += take;
        bytes -= take;
        if (partial_.size() < align) return true;
        const uint8_t* in = partial_.data();
        const bool ok = Convert(&in, 1);
        partial_.clear();
        if (!ok) return false;
    }
    const size_t whole = bytes / align;
    if (whole > 0 && !Convert(&data, static_cast<int>(whole))) return false;
    partial_.assign(data + whole * align, data + bytes);
    return true;
}

bool PcmConverter::Drain()
{
    // Samples held by the resampler's filter come out only when asked with no input.
    for (;;) {
        const int before = Buffered();
        if (!Convert(nullptr, 0)) return false;
        if (Buffered() == before) return true;
    }
}

bool PcmConverter::Convert(const uint8_t* const* in, int inSamples)
{
    const int room = swr_get_out_samples(swr_.get(), inSamples);
    if (room < 0) return false;
    if (room == 0) return true;
    std::vector<uint8_t*> planes(scratch_.size());
    for (size_t c = 0; c < scratch_.size(); ++c) {
        scratch_[c].resize(static_cast<size_t>(room));
        planes[c] = reinterpret_cast<uint8_t*>(scratch_[c].data());
    }
    const int got =
        swr_convert(swr_.get(), planes.data(), room, const_cast<const uint8_t**>(in), inSamples);
    if (got < 0) return false;
    return got == 0 ||
           av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(planes.data()), got) == got;
}

int PcmConverter::Buffered() const
{
    return fifo_ ? av_audio_fifo_size(fifo_.get()) : 0;
}

bool PcmConverter::NextFrame(AVFrame* frame)
{
    const int n = std::min(Buffered(), frameSamples_);
    if (n == 0 || av_frame_make_writable(frame) < 0) return false;
    if (av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->extended_data), n) != n)
        return false;
    if (n < frameSamples_)
        av_samples_set_silence(frame->extended_data, n, frameSamples_ - n, output_.channels,
                               AV_SAMPLE_FMT_FLTP);
    return true;
}

}  // namespace wmaudsdk

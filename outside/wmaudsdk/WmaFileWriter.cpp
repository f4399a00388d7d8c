#include "outside/wmaudsdk/WmaFileWriter.h"

#include <algorithm>
#include <new>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/log.h>
}

namespace wmaudsdk {
namespace {

constexpr DWORD kMaxChannels = 2;
constexpr DWORD kMaxInputSampleRate = 384000;
// wmav2 has no bit reservoir, so a frame denser than the bit rate allows (full-scale noise at
// the lowest rates) is refused outright. Each retry halves its level: a quieter moment is
// better than a recording that ends there.
constexpr int kQuieterRetries = 4;

// Nothing may leave a method of the writer as an exception.
template <typename F>
HRESULT NoThrow(F&& body) noexcept
{
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_UNEXPECTED;
    }
}

bool IsSupportedPcm(const WAVEFORMATEX& f)
{
    return f.wFormatTag == WAVE_FORMAT_PCM && f.wBitsPerSample == 16 && f.nChannels >= 1 &&
           f.nChannels <= kMaxChannels && f.nSamplesPerSec >= 1 &&
           f.nSamplesPerSec <= kMaxInputSampleRate && f.nBlockAlign == f.nChannels * 2 &&
           f.nAvgBytesPerSec == f.nSamplesPerSec * f.nBlockAlign;
}

bool Attenuate(AVFrame* frame, int channels)
{
    if (av_frame_make_writable(frame) < 0) return false;
    for (int c = 0; c < channels; ++c) {
        auto* samples = reinterpret_cast<float*>(frame->extended_data[c]);
        for (int i = 0; i < frame->nb_samples; ++i) samples[i] *= 0.5f;
    }
    return true;
}

}  // namespace

HRESULT WmaFileWriter::Create(const wchar_t* path, IWmaAudioWriter** writer)
{
    if (!writer) return E_POINTER;
    *writer = nullptr;
    if (!path) return E_POINTER;
    if (!*path) return E_INVALIDARG;
    // Errors reach the caller as HRESULTs; a program without a console has nowhere to log.
    av_log_set_level(AV_LOG_QUIET);
    auto* self = new (std::nothrow) WmaFileWriter;
    if (!self) return E_OUTOFMEMORY;
    const HRESULT hr = self->file_.Open(path);
    if (FAILED(hr)) {
        delete self;
        return hr;
    }
    *writer = self;
    return S_OK;
}

WmaFileWriter::~WmaFileWriter()
{
    // Released without Finish: keep what was recorded rather than lose it.
    if (state_ == State::Writing) NoThrow([&] { return Complete(); });
    if (state_ == State::Broken && cutShort_) NoThrow([&] { return FinishCutShort(); });
    muxer_.reset();
    file_.Abandon();
}

HRESULT WmaFileWriter::QueryInterface(REFIID iid, void** object)
{
    if (!object) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IWmaAudioWriter) {
        *object = static_cast<IWmaAudioWriter*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG WmaFileWriter::AddRef()
{
    return ++references_;
}

ULONG WmaFileWriter::Release()
{
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
}

HRESULT WmaFileWriter::SetInputFormat(const WAVEFORMATEX* format)
{
    if (!format) return E_POINTER;
    if (state_ != State::Created && state_ != State::InputSet) return E_UNEXPECTED;
    if (!IsSupportedPcm(*format)) return E_INVALIDARG;
    input_ = {static_cast<int>(format->nSamplesPerSec), format->nChannels};
    state_ = State::InputSet;
    return S_OK;
}

HRESULT WmaFileWriter::SetOutputFormat(DWORD bitRate, DWORD sampleRate, DWORD channels, DWORD)
{
    if (state_ != State::InputSet) return E_UNEXPECTED;
    return NoThrow([&] {
        HRESULT hr = OpenEncoder(bitRate, sampleRate, channels);
        if (FAILED(hr)) return hr;
        hr = StartFile();
        if (FAILED(hr)) return WriteFailure(hr);
        state_ = State::Writing;
        return S_OK;
    });
}

HRESULT WmaFileWriter::OpenEncoder(DWORD bitRate, DWORD sampleRate, DWORD channels)
{
    if (channels < 1 || channels > kMaxChannels || sampleRate < 1 ||
        sampleRate > kMaxInputSampleRate || bitRate < 1)
        return E_INVALIDARG;
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
    if (!codec) return E_FAIL;
    CodecContextPtr encoder(avcodec_alloc_context3(codec));
    if (!encoder) return E_OUTOFMEMORY;
    encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
    encoder->sample_rate = static_cast<int>(sampleRate);
    encoder->time_base = {1, static_cast<int>(sampleRate)};
    av_channel_layout_default(&encoder->ch_layout, static_cast<int>(channels));
    encoder->bit_rate = std::max(bitRate, kEncoderFloorBitRate);
    // The encoder's own checks decide what it can produce (it stops at 48 kHz, for one).
    if (avcodec_open2(encoder.get(), codec, nullptr) < 0) return E_INVALIDARG;

    frame_.reset(av_frame_alloc());
    packet_.reset(av_packet_alloc());
    if (!frame_ || !packet_) return E_OUTOFMEMORY;
    frame_->format = AV_SAMPLE_FMT_FLTP;
    frame_->sample_rate = encoder->sample_rate;
    frame_->nb_samples = encoder->frame_size;
    if (av_channel_layout_copy(&frame_->ch_layout, &encoder->ch_layout) < 0 ||
        av_frame_get_buffer(frame_.get(), 0) < 0)
        return E_OUTOFMEMORY;
    const AudioShape output{encoder->sample_rate, static_cast<int>(channels)};
    if (!converter_.Init(input_, output, encoder->frame_size)) return E_INVALIDARG;
    encoder_ = std::move(encoder);
    return S_OK;
}

HRESULT WmaFileWriter::StartFile()
{
    AVFormatContext* muxer = nullptr;
    if (avformat_alloc_output_context2(&muxer, nullptr, "asf", nullptr) < 0 || !muxer)
        return E_FAIL;
    muxer_.reset(muxer);
    stream_ = avformat_new_stream(muxer, nullptr);
    if (!stream_) return E_OUTOFMEMORY;
    if (avcodec_parameters_from_context(stream_->codecpar, encoder_.get()) < 0)
        return E_OUTOFMEMORY;
    stream_->time_base = encoder_->time_base;
    AVIOContext* io = file_.StartWriting();
    if (!io) return file_.LastError();
    muxer->pb = io;
    muxer->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (avformat_write_header(muxer, nullptr) < 0) return file_.LastError();
    return S_OK;
}

HRESULT WmaFileWriter::AppendPcm(const BYTE* data, DWORD bytes)
{
    if (state_ == State::Broken) return brokenBy_;
    if (state_ != State::Writing) return E_UNEXPECTED;
    if (bytes == 0) return S_OK;
    if (!data) return E_POINTER;
    return NoThrow([&] {
        if (!converter_.Push(data, bytes)) return WriteFailure(E_FAIL);
        return EncodeBufferedFrames(false);
    });
}

HRESULT WmaFileWriter::Finish()
{
    if (state_ == State::Finished) return S_OK;
    if (state_ == State::Broken && cutShort_) return NoThrow([&] { return FinishCutShort(); });
    if (state_ == State::Broken) return brokenBy_;
    if (state_ != State::Writing) return E_UNEXPECTED;
    return NoThrow([&] { return Complete(); });
}

HRESULT WmaFileWriter::Complete()
{
    if (!converter_.Drain()) return WriteFailure(E_FAIL);
    HRESULT hr = EncodeBufferedFrames(true);
    if (FAILED(hr)) return hr;
    if (avcodec_send_frame(encoder_.get(), nullptr) < 0) return WriteFailure(E_FAIL);
    hr = WritePackets();
    if (FAILED(hr)) return hr;
    // With a seekable file the muxer adds the index and goes back to write the duration.
    if (av_write_trailer(muxer_.get()) < 0) return FileFailure();
    hr = file_.Close();
    if (FAILED(hr)) return WriteFailure(hr);
    state_ = State::Finished;
    return S_OK;
}

HRESULT WmaFileWriter::EncodeBufferedFrames(bool includingPartial)
{
    while (converter_.Buffered() >= encoder_->frame_size ||
           (includingPartial && converter_.Buffered() > 0)) {
        if (!converter_.NextFrame(frame_.get())) return WriteFailure(E_FAIL);
        const HRESULT hr = EncodeFrame();
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

HRESULT WmaFileWriter::EncodeFrame()
{
    frame_->pts = nextPts_;
    nextPts_ += frame_->nb_samples;
    int ret = avcodec_send_frame(encoder_.get(), frame_.get());
    for (int i = 0; ret == AVERROR(EINVAL) && i < kQuieterRetries; ++i) {
        if (!Attenuate(frame_.get(), encoder_->ch_layout.nb_channels)) break;
        ret = avcodec_send_frame(encoder_.get(), frame_.get());
    }
    if (ret < 0) return WriteFailure(E_FAIL);
    return WritePackets();
}

HRESULT WmaFileWriter::WritePackets()
{
    for (;;) {
        const int ret = avcodec_receive_packet(encoder_.get(), packet_.get());
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF) return S_OK;
        if (ret < 0) return WriteFailure(E_FAIL);
        av_packet_rescale_ts(packet_.get(), encoder_->time_base, stream_->time_base);
        packet_->stream_index = stream_->index;
        if (av_interleaved_write_frame(muxer_.get(), packet_.get()) < 0 || muxer_->pb->error < 0)
            return FileFailure();
    }
}

// The muxer could not write: the file holds its header and the packets the disk took.
HRESULT WmaFileWriter::FileFailure()
{
    cutShort_ = true;
    return WriteFailure(file_.LastError());
}

// The file is finished with what reached it, once; the muxer must not write to it again.
HRESULT WmaFileWriter::FinishCutShort()
{
    cutShort_ = false;
    if (muxer_) muxer_->pb = nullptr;
    const HRESULT hr = file_.FinishCutShort();
    if (FAILED(hr)) return brokenBy_;
    state_ = State::Finished;
    return S_OK;
}

HRESULT WmaFileWriter::WriteFailure(HRESULT hr)
{
    // Once the file or the encoder has failed, its state is unknown: refuse further work.
    state_ = State::Broken;
    brokenBy_ = FAILED(hr) ? hr : E_FAIL;
    return brokenBy_;
}

}  // namespace wmaudsdk

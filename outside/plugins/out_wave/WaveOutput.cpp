#include "outside/plugins/out_wave/WaveOutput.h"

#include <algorithm>
#include <cstring>

namespace velto::plugin {

namespace {

constexpr int kMinBufferMs = 200;
constexpr int kMaxBufferMs = 5000;

}  // namespace

WaveOutput::~WaveOutput()
{
    Close();
}

int WaveOutput::Open(int sampleRate, int channels, int bitsPerSample, int bufferMs)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (IsOpenLocked()) return -1;  // the input plug-in closes before it opens again
    if (sampleRate <= 0 || channels <= 0 || channels > 8 ||
        (bitsPerSample != 8 && bitsPerSample != 16 && bitsPerSample != 24 && bitsPerSample != 32))
        return -1;
    format_ = WAVEFORMATEX{};
    format_.wFormatTag = WAVE_FORMAT_PCM;
    format_.nChannels = static_cast<WORD>(channels);
    format_.nSamplesPerSec = static_cast<DWORD>(sampleRate);
    format_.wBitsPerSample = static_cast<WORD>(bitsPerSample);
    format_.nBlockAlign = static_cast<WORD>(channels * bitsPerSample / 8);
    format_.nAvgBytesPerSec = format_.nSamplesPerSec * format_.nBlockAlign;
    if (::waveOutOpen(&device_, WAVE_MAPPER, &format_, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        device_ = nullptr;
        return -1;
    }

    if (bufferMs < kMinBufferMs || bufferMs > kMaxBufferMs) bufferMs = kDefaultBufferMs;
    const size_t count = static_cast<size_t>(std::max(4, bufferMs / kBlockMs));
    blockBytes_ = std::max<size_t>(format_.nBlockAlign,
                                   static_cast<size_t>(format_.nAvgBytesPerSec) * kBlockMs / 1000 /
                                       format_.nBlockAlign * format_.nBlockAlign);
    blocks_.assign(count, std::vector<char>(blockBytes_));
    headers_.assign(count, WAVEHDR{});
    for (size_t i = 0; i < count; ++i) {
        headers_[i].lpData = blocks_[i].data();
        headers_[i].dwBufferLength = static_cast<DWORD>(blockBytes_);
        ::waveOutPrepareHeader(device_, &headers_[i], sizeof(WAVEHDR));
    }
    head_ = queued_ = fill_ = 0;
    written_ = 0;
    baseMs_ = 0;
    played_ = 0;
    lastPosition_ = DevicePositionLocked();
    if (paused_) ::waveOutPause(device_);
    return static_cast<int>(count * kBlockMs);
}

void WaveOutput::Close()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsOpenLocked()) return;
    ReclaimLocked();
    // Played to the end: every block is back, but the sound system may still hold the last
    // moments beyond the position it reports. A stop in the middle cuts at once.
    if (queued_ == 0 && fill_ == 0 && !paused_ && written_ > 0) ::Sleep(kTailMs);
    ::waveOutReset(device_);
    for (WAVEHDR& h : headers_) ::waveOutUnprepareHeader(device_, &h, sizeof(WAVEHDR));
    ::waveOutClose(device_);
    device_ = nullptr;
    headers_.clear();
    blocks_.clear();
    head_ = queued_ = fill_ = 0;
    paused_ = false;
}

bool WaveOutput::IsOpen()
{
    std::lock_guard<std::mutex> lock(mutex_);
    return IsOpenLocked();
}

void WaveOutput::ReclaimLocked()
{
    while (queued_ > 0 && (headers_[head_].dwFlags & WHDR_DONE)) {
        head_ = (head_ + 1) % headers_.size();
        --queued_;
    }
}

void WaveOutput::SubmitFillingLocked()
{
    const size_t index = (head_ + queued_) % headers_.size();
    WAVEHDR& h = headers_[index];
    if (h.dwBufferLength != fill_) {
        // A part-filled block: prepared again for its real length.
        ::waveOutUnprepareHeader(device_, &h, sizeof(WAVEHDR));
        h.dwBufferLength = static_cast<DWORD>(fill_);
        h.dwFlags = 0;
        ::waveOutPrepareHeader(device_, &h, sizeof(WAVEHDR));
    }
    if (::waveOutWrite(device_, &h, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        h.dwFlags |= WHDR_DONE;  // the device refused it: count it as heard
    }
    ++queued_;
    fill_ = 0;
}

int WaveOutput::Write(const char* data, int length)
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsOpenLocked() || !data || length < 0) return 1;
    ReclaimLocked();
    const size_t room = (headers_.size() - queued_) * blockBytes_ - fill_;
    if (static_cast<size_t>(length) > room) return 1;
    size_t left = static_cast<size_t>(length);
    while (left > 0) {
        const size_t index = (head_ + queued_) % headers_.size();
        const size_t n = std::min(left, blockBytes_ - fill_);
        CopyScaled(blocks_[index].data() + fill_, data, n);
        fill_ += n;
        data += n;
        left -= n;
        if (fill_ == blockBytes_) SubmitFillingLocked();
    }
    written_ += length;
    return 0;
}

void ApplyVolumeAndPan(int16_t* samples, size_t count, size_t firstSample, int channels, int volume,
                       int pan)
{
    volume = std::clamp(volume, 0, 255);
    pan = std::clamp(pan, -128, 128);
    if (volume == 255 && pan == 0) return;
    // The pan takes away from the far side only, in 1/128.
    const int left = pan > 0 ? 128 - pan : 128;
    const int right = pan < 0 ? 128 + pan : 128;
    for (size_t i = 0; i < count; ++i) {
        const bool isRight = channels == 2 && (firstSample + i) % 2 == 1;
        const int side = channels == 2 ? (isRight ? right : left) : 128;
        samples[i] =
            static_cast<int16_t>(static_cast<int64_t>(samples[i]) * volume * side / (255 * 128));
    }
}

void ApplyVolumeAndPan(char* bytes, size_t size, size_t offset, int bitsPerSample, int channels,
                       int volume, int pan)
{
    volume = std::clamp(volume, 0, 255);
    pan = std::clamp(pan, -128, 128);
    if (volume == 255 && pan == 0) return;
    const size_t width = static_cast<size_t>(bitsPerSample / 8);
    if (width == 0 || width > 4) return;
    const int left = pan > 0 ? 128 - pan : 128;
    const int right = pan < 0 ? 128 + pan : 128;
    // The first whole sample in the range, and its index counted from the frame's start.
    size_t at = (width - offset % width) % width;
    size_t index = (offset + at) / width;
    for (; at + width <= size; at += width, ++index) {
        const bool isRight = channels == 2 && index % 2 == 1;
        const int64_t side = channels == 2 ? (isRight ? right : left) : 128;
        auto* p = reinterpret_cast<unsigned char*>(bytes + at);
        int64_t v = 0;
        switch (width) {
            case 1: v = static_cast<int64_t>(p[0]) - 128; break;
            case 2: v = static_cast<int16_t>(p[0] | p[1] << 8); break;
            case 3:
                v = static_cast<int32_t>(static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16)
                                         << 8) >>
                    8;
                break;
            default:
                v = static_cast<int32_t>(
                    static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                    static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24);
                break;
        }
        v = v * volume * side / (255 * 128);
        if (width == 1) v += 128;
        for (size_t b = 0; b < width; ++b)
            p[b] = static_cast<unsigned char>(static_cast<uint64_t>(v) >> (8 * b));
    }
}

void WaveOutput::CopyScaled(char* to, const char* from, size_t bytes)
{
    std::memcpy(to, from, bytes);
    // `to` lies `fill_` bytes into a block, and every block starts on a frame.
    ApplyVolumeAndPan(to, bytes, fill_ % format_.nBlockAlign, format_.wBitsPerSample,
                      format_.nChannels, volume_, pan_);
}

int WaveOutput::CanWrite()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsOpenLocked()) return 0;
    ReclaimLocked();
    return static_cast<int>((headers_.size() - queued_) * blockBytes_ - fill_);
}

int WaveOutput::IsPlaying()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsOpenLocked()) return 0;
    ReclaimLocked();
    if (fill_ > 0 && queued_ < headers_.size()) SubmitFillingLocked();
    return queued_ > 0 ? 1 : 0;
}

int WaveOutput::Pause(int pause)
{
    std::lock_guard<std::mutex> lock(mutex_);
    const int previous = paused_ ? 1 : 0;
    paused_ = pause != 0;
    if (IsOpenLocked()) {
        if (paused_) {
            ::waveOutPause(device_);
        } else {
            ::waveOutRestart(device_);
        }
    }
    return previous;
}

void WaveOutput::SetVolume(int volume)
{
    if (volume == -666) return;
    std::lock_guard<std::mutex> lock(mutex_);
    volume_ = std::clamp(volume, 0, 255);
}

void WaveOutput::SetPan(int pan)
{
    std::lock_guard<std::mutex> lock(mutex_);
    pan_ = std::clamp(pan, -128, 128);
}

void WaveOutput::ResetDeviceLocked()
{
    ::waveOutReset(device_);
    // A reset hands every block back; some devices also leave a pause behind, or lift it.
    for (WAVEHDR& h : headers_) h.dwFlags |= WHDR_DONE;
    head_ = queued_ = fill_ = 0;
    if (paused_) {
        ::waveOutPause(device_);
    } else {
        ::waveOutRestart(device_);
    }
}

void WaveOutput::Flush(int ms)
{
    std::lock_guard<std::mutex> lock(mutex_);
    baseMs_ = ms;
    written_ = 0;
    if (!IsOpenLocked()) return;
    ResetDeviceLocked();
    played_ = 0;
    lastPosition_ = DevicePositionLocked();
}

uint32_t WaveOutput::DevicePositionLocked()
{
    MMTIME time{};
    time.wType = TIME_BYTES;
    if (::waveOutGetPosition(device_, &time, sizeof time) != MMSYSERR_NOERROR) return lastPosition_;
    switch (time.wType) {
        case TIME_BYTES: return time.u.cb;
        case TIME_SAMPLES: return static_cast<uint32_t>(time.u.sample * format_.nBlockAlign);
        case TIME_MS:
            return static_cast<uint32_t>(static_cast<uint64_t>(time.u.ms) *
                                         format_.nAvgBytesPerSec / 1000);
        default: return lastPosition_;
    }
}

int64_t WaveOutput::PlayedBytesLocked()
{
    const uint32_t position = DevicePositionLocked();
    played_ += static_cast<uint32_t>(position - lastPosition_);
    lastPosition_ = position;
    return std::min(played_, written_);
}

int WaveOutput::GetOutputTime()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsOpenLocked() || format_.nAvgBytesPerSec == 0) return baseMs_;
    return baseMs_ + static_cast<int>(PlayedBytesLocked() * 1000 / format_.nAvgBytesPerSec);
}

int WaveOutput::GetWrittenTime()
{
    std::lock_guard<std::mutex> lock(mutex_);
    if (!IsOpenLocked() || format_.nAvgBytesPerSec == 0) return baseMs_;
    return baseMs_ + static_cast<int>(written_ * 1000 / format_.nAvgBytesPerSec);
}

}  // namespace velto::plugin

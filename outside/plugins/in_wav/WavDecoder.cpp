#include "outside/plugins/in_wav/WavDecoder.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace velto::plugin {

namespace {

uint16_t U16(const BYTE* p)
{
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

}  // namespace

bool WavDecoder::ReadAt(uint64_t offset, void* to, DWORD bytes)
{
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    DWORD got = 0;
    return ::SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) &&
           ::ReadFile(file_.get(), to, bytes, &got, nullptr) && got == bytes;
}

bool WavDecoder::Open(const std::wstring& path)
{
    file_.reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file_.get(), &size)) return false;
    WavLayout layout;
    const auto read = [this](uint64_t offset, void* to, uint32_t bytes) {
        return ReadAt(offset, to, bytes);
    };
    if (!ParseWavHeader(static_cast<uint64_t>(size.QuadPart), read, layout)) return false;
    rate_ = layout.rate;
    channels_ = layout.channels;
    bits_ = layout.bits;
    frameBytes_ = layout.frameBytes;
    dataOffset_ = layout.dataOffset;
    frames_ = layout.frames;
    position_ = 0;
    return Seek(0);
}

int WavDecoder::lengthMs() const
{
    return rate_ > 0 ? static_cast<int>(std::min<uint64_t>(frames_ * 1000 / rate_, INT_MAX)) : 0;
}

int WavDecoder::bitrateKbps() const
{
    return rate_ * channels_ * bits_ / 1000;
}

bool WavDecoder::Seek(int ms)
{
    if (!file_) return false;
    position_ = std::min<uint64_t>(static_cast<uint64_t>(std::max(ms, 0)) * rate_ / 1000, frames_);
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(dataOffset_ + position_ * frameBytes_);
    return ::SetFilePointerEx(file_.get(), at, nullptr, FILE_BEGIN) != 0;
}

int WavDecoder::Read(int16_t* out, int maxFrames)
{
    if (!file_ || maxFrames <= 0) return 0;
    const uint64_t frames =
        std::min<uint64_t>(static_cast<uint64_t>(maxFrames), frames_ - position_);
    if (frames == 0) return 0;
    raw_.resize(static_cast<size_t>(frames) * frameBytes_);
    DWORD got = 0;
    if (!::ReadFile(file_.get(), raw_.data(), static_cast<DWORD>(raw_.size()), &got, nullptr))
        return -1;
    const size_t whole = got / static_cast<DWORD>(frameBytes_);
    const size_t samples = whole * static_cast<size_t>(channels_);
    const int bytesPerSample = bits_ / 8;
    for (size_t i = 0; i < samples; ++i) {
        const BYTE* s = &raw_[i * bytesPerSample];
        switch (bits_) {
            case 8: out[i] = static_cast<int16_t>((s[0] - 128) << 8); break;
            case 16: out[i] = static_cast<int16_t>(U16(s)); break;
            // The upper 16 bits of wider samples: what a 16-bit output can play.
            case 24: out[i] = static_cast<int16_t>(U16(s + 1)); break;
            default: out[i] = static_cast<int16_t>(U16(s + 2)); break;
        }
    }
    position_ += whole;
    return static_cast<int>(whole);
}

}  // namespace velto::plugin

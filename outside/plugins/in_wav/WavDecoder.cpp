#include "outside/plugins/in_wav/WavDecoder.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace velto::plugin {

namespace {

constexpr WORD kFormatPcm = 1;
constexpr WORD kFormatExtensible = 0xFFFE;
// The first two bytes of KSDATAFORMAT_SUBTYPE_PCM; the rest is the common base GUID.
constexpr BYTE kPcmSubtype[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                  0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint32_t U32(const BYTE* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

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

bool WavDecoder::ParseFormat(const std::vector<BYTE>& chunk)
{
    if (chunk.size() < 16) return false;
    WORD tag = U16(&chunk[0]);
    channels_ = U16(&chunk[2]);
    rate_ = static_cast<int>(U32(&chunk[4]));
    bits_ = U16(&chunk[14]);
    if (tag == kFormatExtensible) {
        if (chunk.size() < 40 || std::memcmp(&chunk[24], kPcmSubtype, 16) != 0) return false;
        tag = kFormatPcm;
    }
    if (tag != kFormatPcm || channels_ < 1 || channels_ > 2 || rate_ <= 0 || rate_ > 384000)
        return false;
    if (bits_ != 8 && bits_ != 16 && bits_ != 24 && bits_ != 32) return false;
    frameBytes_ = channels_ * bits_ / 8;
    return true;
}

bool WavDecoder::Open(const std::wstring& path)
{
    file_.reset(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file_) return false;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(file_.get(), &size)) return false;
    const uint64_t fileSize = static_cast<uint64_t>(size.QuadPart);

    BYTE header[12];
    if (!ReadAt(0, header, 12) || std::memcmp(header, "RIFF", 4) != 0 ||
        std::memcmp(header + 8, "WAVE", 4) != 0)
        return false;
    bool haveFormat = false;
    uint64_t offset = 12;
    while (offset + 8 <= fileSize) {
        BYTE chunk[8];
        if (!ReadAt(offset, chunk, 8)) return false;
        const uint32_t length = U32(chunk + 4);
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length > 4096) return false;
            std::vector<BYTE> body(length);
            if (!ReadAt(offset + 8, body.data(), length) || !ParseFormat(body)) return false;
            haveFormat = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!haveFormat) return false;
            dataOffset_ = offset + 8;
            uint64_t bytes = fileSize - dataOffset_;
            // 0 or more than the file holds: the sizes were never finished.
            if (length != 0 && length <= bytes) bytes = length;
            frames_ = bytes / static_cast<uint64_t>(frameBytes_);
            position_ = 0;
            // Not one whole frame: nothing to play, and a play of it would never be heard.
            return frames_ > 0 && Seek(0);
        }
        offset += 8 + length + (length & 1);
    }
    return false;
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

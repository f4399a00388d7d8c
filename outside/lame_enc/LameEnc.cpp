// lame_enc.dll: the BladeEnc-style interface over libmp3lame's public API.
//
// A stream is one lame_global_flags plus what the interface needs around it. The LAME tag
// frame (Info for CBR, Xing for VBR) is always reserved at the start of the stream, as LAME's
// own command does, so players know the exact length: beDeinitStream computes its final
// contents, beCloseStream hands them to the process-wide slot that beWriteVBRHeader writes into
// the closed file. That is why beWriteVBRHeader needs nothing but the path.
#include "outside/lame_enc/BladeEnc.h"

#include <lame/lame.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "common/StaticRuntime.h"

struct BeStream {
    lame_global_flags* lame = nullptr;
    int channels = 2;
    std::vector<unsigned char> tag;  // the final LAME tag frame, once flushed
};

namespace {

// What beInitStream recommends: 4096 sample frames per call fit a 16384-byte block even in
// LAME's worst case (1.25 bytes per frame + 7200).
constexpr DWORD kRecommendedFrames = 4096;
constexpr DWORD kRecommendedOutputBytes = 16384;
constexpr BYTE kDllMajorVersion = 1;
constexpr BYTE kDllMinorVersion = 2;

std::mutex g_mutex;                      // guards both below
std::vector<BeStream*> g_streams;        // live handles, so a stale one is refused, not used
std::vector<unsigned char> g_closedTag;  // the tag of the last stream closed after its flush

void Quiet(const char*, va_list) {}

bool IsLive(BeStream* s)
{
    std::lock_guard<std::mutex> lock(g_mutex);
    return std::find(g_streams.begin(), g_streams.end(), s) != g_streams.end();
}

// Bit rates arrive in kbit/s; the ABR field may hold bit/s.
int Kbps(DWORD value)
{
    return static_cast<int>(value >= 8000 ? value / 1000 : value);
}

bool SetMode(lame_global_flags* gf, LONG mode)
{
    switch (mode) {
        case BE_MP3_MODE_STEREO: return lame_set_mode(gf, STEREO) == 0;
        case BE_MP3_MODE_JSTEREO: return lame_set_mode(gf, JOINT_STEREO) == 0;
        case BE_MP3_MODE_DUALCHANNEL: return lame_set_mode(gf, DUAL_CHANNEL) == 0;
        case BE_MP3_MODE_MONO: return lame_set_mode(gf, MONO) == 0;
        default: return false;
    }
}

void SetQuality(lame_global_flags* gf, const BE_CONFIG& c)
{
    // The quality word counts only with its check byte; otherwise the preset decides.
    const int q = c.nQuality & 0xFF;
    if (q <= 9 && ((c.nQuality >> 8) & 0xFF) == (~q & 0xFF)) {
        lame_set_quality(gf, q);
        return;
    }
    switch (c.nPreset) {
        case LQP_LOW_QUALITY: lame_set_quality(gf, 7); break;
        case LQP_HIGH_QUALITY: lame_set_quality(gf, 2); break;
        case LQP_VERYHIGH_QUALITY: lame_set_quality(gf, 0); break;
        default: break;  // LAME's default quality
    }
}

void SetBitRate(lame_global_flags* gf, const BE_CONFIG& c)
{
    if (!c.bEnableVBR) {
        lame_set_VBR(gf, vbr_off);
        lame_set_brate(gf, static_cast<int>(c.dwBitrate));
        return;
    }
    if (c.nVbrMethod == VBR_METHOD_ABR) {
        lame_set_VBR(gf, vbr_abr);
        lame_set_VBR_mean_bitrate_kbps(gf, Kbps(c.dwVbrAbr_bps));
    } else {
        lame_set_VBR(gf, c.nVbrMethod == VBR_METHOD_OLD ? vbr_rh : vbr_mtrh);
        lame_set_VBR_q(gf, std::clamp(c.nVBRQuality, 0, 9));
    }
    if (c.dwBitrate) lame_set_VBR_min_bitrate_kbps(gf, static_cast<int>(c.dwBitrate));
    if (c.dwMaxBitrate) lame_set_VBR_max_bitrate_kbps(gf, static_cast<int>(c.dwMaxBitrate));
}

// The MPEG version follows from the output sample rate (8 kHz can only be MPEG-2.5), so the
// record's version field is taken as a hint and not enforced.
bool Configure(lame_global_flags* gf, const BE_CONFIG& c, int channels)
{
    lame_set_errorf(gf, Quiet);
    lame_set_debugf(gf, Quiet);
    lame_set_msgf(gf, Quiet);
    lame_set_num_channels(gf, channels);
    lame_set_in_samplerate(gf, static_cast<int>(c.dwSampleRate));
    lame_set_out_samplerate(gf,
                            static_cast<int>(c.dwReSampleRate ? c.dwReSampleRate : c.dwSampleRate));
    if (!SetMode(gf, c.nMode)) return false;
    SetBitRate(gf, c);
    SetQuality(gf, c);
    lame_set_copyright(gf, c.bCopyright ? 1 : 0);
    lame_set_original(gf, c.bOriginal ? 1 : 0);
    lame_set_error_protection(gf, c.bCRC ? 1 : 0);
    lame_set_extension(gf, c.bPrivate ? 1 : 0);
    lame_set_emphasis(gf, static_cast<int>(c.dwEmphasis));
    lame_set_strict_ISO(gf, c.bStrictIso ? 1 : 0);
    lame_set_disable_reservoir(gf, c.bNoRes ? 1 : 0);
    lame_set_bWriteVbrTag(gf, 1);
    lame_set_write_id3tag_automatic(gf, 0);  // the tag frame must be the file's first bytes
    return lame_init_params(gf) >= 0;
}

BE_ERR InitStream(BE_CONFIG* config, DWORD* samples, DWORD* bufferSize, HBE_STREAM* stream)
{
    if (!config || !samples || !bufferSize || !stream) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *stream = nullptr;
    if (config->dwConfig != BE_CONFIG_LAME) return BE_ERR_INVALID_FORMAT;
    // Read no further than the caller says its record goes.
    BE_CONFIG c{};
    const size_t size = std::min<size_t>(config->dwStructSize, sizeof c);
    if (size < offsetof(BE_CONFIG, dwMaxBitrate)) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    std::memcpy(&c, config, size);

    auto* s = new (std::nothrow) BeStream;
    if (!s) return BE_ERR_NO_MORE_HANDLES;
    s->channels = c.nMode == BE_MP3_MODE_MONO ? 1 : 2;
    s->lame = lame_init();
    if (!s->lame) {
        delete s;
        return BE_ERR_NO_MORE_HANDLES;
    }
    if (!Configure(s->lame, c, s->channels)) {
        lame_close(s->lame);
        delete s;
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        g_streams.push_back(s);
    }
    *samples = kRecommendedFrames * static_cast<DWORD>(s->channels);
    *bufferSize = kRecommendedOutputBytes;
    *stream = s;
    return BE_ERR_SUCCESS;
}

BE_ERR EncodeChunk(HBE_STREAM s, DWORD samples, const SHORT* pcm, BYTE* output, DWORD* outputBytes)
{
    if (!outputBytes) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *outputBytes = 0;
    if (!IsLive(s)) return BE_ERR_INVALID_HANDLE;
    if (!output || (samples && !pcm)) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    // Stereo samples come interleaved and are counted for both channels together; a trailing
    // half frame cannot be encoded and is dropped.
    const int frames = static_cast<int>(samples / static_cast<DWORD>(s->channels));
    if (frames == 0) return BE_ERR_SUCCESS;
    // LAME's documented worst case for this many frames; the caller's block holds it when it
    // follows beInitStream's recommendation.
    const int bound = frames + frames / 4 + 7200;
    auto* in = const_cast<short*>(reinterpret_cast<const short*>(pcm));
    const int n = s->channels == 2
                      ? lame_encode_buffer_interleaved(s->lame, in, frames, output, bound)
                      : lame_encode_buffer(s->lame, in, in, frames, output, bound);
    if (n < 0) return n == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT_PARAMETERS;
    *outputBytes = static_cast<DWORD>(n);
    return BE_ERR_SUCCESS;
}

BE_ERR DeinitStream(HBE_STREAM s, BYTE* output, DWORD* outputBytes)
{
    if (!outputBytes) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    *outputBytes = 0;
    if (!IsLive(s)) return BE_ERR_INVALID_HANDLE;
    if (!output) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    const int n = lame_encode_flush(s->lame, output, kRecommendedOutputBytes);
    if (n < 0) return n == -1 ? BE_ERR_BUFFER_TOO_SMALL : BE_ERR_INVALID_FORMAT_PARAMETERS;
    *outputBytes = static_cast<DWORD>(n);
    const size_t tagBytes = lame_get_lametag_frame(s->lame, nullptr, 0);
    s->tag.assign(tagBytes, 0);
    if (tagBytes && lame_get_lametag_frame(s->lame, s->tag.data(), tagBytes) != tagBytes)
        s->tag.clear();
    return BE_ERR_SUCCESS;
}

BE_ERR CloseStream(HBE_STREAM s)
{
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        auto it = std::find(g_streams.begin(), g_streams.end(), s);
        if (it == g_streams.end()) return BE_ERR_INVALID_HANDLE;
        g_streams.erase(it);
        g_closedTag = std::move(s->tag);
    }
    lame_close(s->lame);
    delete s;
    return BE_ERR_SUCCESS;
}

// Paths arrive as bytes: UTF-8 when they are valid UTF-8 (so every Unicode path can be
// given), otherwise in the ANSI code page, as classic callers pass them.
std::wstring PathToWide(const char* path)
{
    const int length = static_cast<int>(std::strlen(path));
    for (UINT codePage : {static_cast<UINT>(CP_UTF8), static_cast<UINT>(CP_ACP)}) {
        const DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
        int n = ::MultiByteToWideChar(codePage, flags, path, length, nullptr, 0);
        if (n <= 0) continue;
        std::wstring wide(static_cast<size_t>(n), L'\0');
        ::MultiByteToWideChar(codePage, flags, path, length, wide.data(), n);
        return wide;
    }
    return {};
}

bool IsFrameHeader(const unsigned char* b)
{
    return b[0] == 0xFF && (b[1] & 0xE0) == 0xE0;
}

BE_ERR WriteVbrHeader(const char* path)
{
    if (!path || !*path) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    std::vector<unsigned char> tag;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        tag = g_closedTag;
    }
    if (tag.size() < 4) return BE_ERR_INVALID_HANDLE;  // no flushed stream to describe
    const std::wstring wide = PathToWide(path);
    FILE* f = wide.empty() ? nullptr : _wfopen(wide.c_str(), L"r+b");
    if (!f) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    // The stream began with the reserved frame of the same size; anything else is not ours.
    std::vector<unsigned char> head(tag.size());
    bool ok = std::fread(head.data(), 1, head.size(), f) == head.size() &&
              IsFrameHeader(head.data()) && std::memcmp(head.data(), tag.data(), 2) == 0 &&
              std::fseek(f, 0, SEEK_SET) == 0 &&
              std::fwrite(tag.data(), 1, tag.size(), f) == tag.size();
    ok = std::fclose(f) == 0 && ok;
    if (!ok) return BE_ERR_INVALID_FORMAT_PARAMETERS;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (g_closedTag == tag) g_closedTag.clear();  // written once
    return BE_ERR_SUCCESS;
}

void Version(BE_VERSION* v)
{
    if (!v) return;
    std::memset(v, 0, sizeof *v);
    lame_version_t lame{};
    get_lame_version_numerical(&lame);
    v->byDLLMajorVersion = kDllMajorVersion;
    v->byDLLMinorVersion = kDllMinorVersion;
    v->byMajorVersion = static_cast<BYTE>(lame.major);
    v->byMinorVersion = static_cast<BYTE>(lame.minor);
    v->byAlphaLevel = static_cast<BYTE>(lame.alpha);
    v->byBetaLevel = static_cast<BYTE>(lame.beta);
    // LAME 3.100 was released on 13 October 2017.
    v->byDay = 13;
    v->byMonth = 10;
    v->wYear = 2017;
    std::snprintf(v->zHomepage, sizeof v->zHomepage, "%s", get_lame_url());
}

}  // namespace

// No exception may leave the DLL: each export turns one into an error result.
extern "C" {

BE_ERR __cdecl beInitStream(BE_CONFIG* config, DWORD* samples, DWORD* bufferSize,
                            HBE_STREAM* stream)
{
    try {
        return InitStream(config, samples, bufferSize, stream);
    } catch (...) {
        return BE_ERR_NO_MORE_HANDLES;
    }
}

BE_ERR __cdecl beEncodeChunk(HBE_STREAM stream, DWORD samples, const SHORT* pcm, BYTE* output,
                             DWORD* outputBytes)
{
    try {
        return EncodeChunk(stream, samples, pcm, output, outputBytes);
    } catch (...) {
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }
}

BE_ERR __cdecl beDeinitStream(HBE_STREAM stream, BYTE* output, DWORD* outputBytes)
{
    try {
        return DeinitStream(stream, output, outputBytes);
    } catch (...) {
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }
}

BE_ERR __cdecl beCloseStream(HBE_STREAM stream)
{
    try {
        return CloseStream(stream);
    } catch (...) {
        return BE_ERR_INVALID_HANDLE;
    }
}

void __cdecl beVersion(BE_VERSION* version)
{
    try {
        Version(version);
    } catch (...) {
    }
}

BE_ERR __cdecl beWriteVBRHeader(const char* path)
{
    try {
        return WriteVbrHeader(path);
    } catch (...) {
        return BE_ERR_INVALID_FORMAT_PARAMETERS;
    }
}

}  // extern "C"

// The recorder loads this library afresh for every recording.
extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved)
{
    velto::ReleaseStaticRuntimeOnUnload(reason, reserved);
    return TRUE;
}

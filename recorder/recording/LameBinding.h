// What the recorder calls in lame_enc.dll, declared here from the library's published
// BladeEnc-style interface: the configuration record, the result codes and the six entry
// points (C calling convention, looked up by name at run time).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace velto::lame {

using BE_ERR = unsigned long;  // 32 bits on every Windows target
// Pointer-sized: a 64-bit library hands out a pointer here, and 32 bits would cut it.
using HBE_STREAM = void*;

inline constexpr DWORD kConfigLame = 256;  // the LAME record
inline constexpr DWORD kRecordVersion = 1;
inline constexpr LONG kModeStereo = 0;
inline constexpr LONG kPresetNormalQuality = 0;
inline constexpr DWORD kMpeg1 = 1;
inline constexpr BE_ERR kBufferTooSmall = 5;

#pragma pack(push, 1)
struct Config {
    DWORD kind;           // 0
    DWORD version;        // 4
    DWORD size;           // 8
    DWORD sampleRate;     // 12
    DWORD reSampleRate;   // 16: 0 = the input's
    LONG mode;            // 20
    DWORD bitRate;        // 24: kbit/s
    DWORD maxBitRate;     // 28
    LONG preset;          // 32
    DWORD mpegVersion;    // 36
    DWORD psyModel;       // 40
    DWORD emphasis;       // 44
    BOOL privateBit;      // 48
    BOOL crc;             // 52
    BOOL copyright;       // 56
    BOOL original;        // 60
    BOOL writeVbrHeader;  // 64
    BOOL enableVbr;       // 68
    int vbrQuality;       // 72
    DWORD abrBitRate;     // 76
    LONG vbrMethod;       // 80
    BOOL noReservoir;     // 84
    BOOL strictIso;       // 88
    WORD quality;         // 92
    BYTE reserved[237];   // 94
};
#pragma pack(pop)

static_assert(sizeof(Config) == 331, "the library reads a 331-byte record");
static_assert(offsetof(Config, sampleRate) == 12);
static_assert(offsetof(Config, reSampleRate) == 16);
static_assert(offsetof(Config, mode) == 20);
static_assert(offsetof(Config, bitRate) == 24);
static_assert(offsetof(Config, maxBitRate) == 28);
static_assert(offsetof(Config, preset) == 32);
static_assert(offsetof(Config, mpegVersion) == 36);
static_assert(offsetof(Config, emphasis) == 44);
static_assert(offsetof(Config, privateBit) == 48);
static_assert(offsetof(Config, writeVbrHeader) == 64);
static_assert(offsetof(Config, enableVbr) == 68);
static_assert(offsetof(Config, vbrQuality) == 72);
static_assert(offsetof(Config, strictIso) == 88);
static_assert(offsetof(Config, quality) == 92);
static_assert(offsetof(Config, reserved) == 94);

// The recorder never reads the version record; only its address is passed.
struct VersionRecord;

extern "C" {
using BeInitStream = BE_ERR(__cdecl*)(Config*, DWORD* samples, DWORD* bufferSize, HBE_STREAM*);
using BeEncodeChunk = BE_ERR(__cdecl*)(HBE_STREAM, DWORD samples, SHORT* pcm, BYTE* output,
                                       DWORD* outputBytes);
using BeDeinitStream = BE_ERR(__cdecl*)(HBE_STREAM, BYTE* output, DWORD* outputBytes);
using BeCloseStream = BE_ERR(__cdecl*)(HBE_STREAM);
using BeVersion = void(__cdecl*)(VersionRecord*);
using BeWriteVbrHeader = BE_ERR(__cdecl*)(const char* path);
}

// The six entry points, in the order they are looked up.
struct EntryPoints {
    BeInitStream beInitStream = nullptr;
    BeEncodeChunk beEncodeChunk = nullptr;
    BeDeinitStream beDeinitStream = nullptr;
    BeCloseStream beCloseStream = nullptr;
    BeVersion beVersion = nullptr;
    BeWriteVbrHeader beWriteVBRHeader = nullptr;

    // Looks all six up in `module`; false (and all cleared) when any is missing.
    bool Load(HMODULE module);
    void Clear() { *this = EntryPoints{}; }
};

// The record every recording uses: CBR at the row's bit rate, stereo, the input's sample rate.
Config MakeConfig(int sampleRate, int bitRateKbps);

}  // namespace velto::lame

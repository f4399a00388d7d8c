// The BladeEnc-style interface of lame_enc.dll as this DLL implements it: six C functions
// with the C calling convention, byte-packed records, results of type BE_ERR.
#pragma once

#include <windows.h>

#include <cstddef>

extern "C" {

typedef unsigned long BE_ERR;  // 32 bits on every Windows target

enum : BE_ERR {
    BE_ERR_SUCCESS = 0,
    BE_ERR_INVALID_FORMAT = 1,             // a configuration kind other than the LAME record
    BE_ERR_INVALID_FORMAT_PARAMETERS = 2,  // LAME refused the record's values
    BE_ERR_NO_MORE_HANDLES = 3,            // out of memory for a stream
    BE_ERR_INVALID_HANDLE = 4,
    BE_ERR_BUFFER_TOO_SMALL = 5,
};

// Pointer-sized, so a 64-bit caller never loses half of it.
typedef struct BeStream* HBE_STREAM;

enum : DWORD { BE_CONFIG_MP3 = 0, BE_CONFIG_LAME = 256 };
enum : LONG {
    BE_MP3_MODE_STEREO = 0,
    BE_MP3_MODE_JSTEREO = 1,
    BE_MP3_MODE_DUALCHANNEL = 2,
    BE_MP3_MODE_MONO = 3
};
enum : DWORD { MPEG2 = 0, MPEG1 = 1 };
enum : LONG {
    LQP_NOPRESET = -1,
    LQP_NORMAL_QUALITY = 0,
    LQP_LOW_QUALITY = 1,
    LQP_HIGH_QUALITY = 2,
    LQP_VERYHIGH_QUALITY = 5
};
enum : LONG {
    VBR_METHOD_NONE = -1,
    VBR_METHOD_DEFAULT = 0,
    VBR_METHOD_OLD = 1,
    VBR_METHOD_NEW = 2,
    VBR_METHOD_MTRH = 3,
    VBR_METHOD_ABR = 4
};

#pragma pack(push, 1)
// The LAME configuration record (kind 256), 331 bytes.
struct BE_CONFIG {
    DWORD dwConfig;         // BE_CONFIG_LAME
    DWORD dwStructVersion;  // 1
    DWORD dwStructSize;     // sizeof(BE_CONFIG)
    DWORD dwSampleRate;     // input sample rate in Hz
    DWORD dwReSampleRate;   // output sample rate; 0: the input's
    LONG nMode;             // BE_MP3_MODE_*
    DWORD dwBitrate;        // kbit/s; the minimum with VBR
    DWORD dwMaxBitrate;     // kbit/s, VBR only; 0: LAME's default
    LONG nPreset;           // LQP_*
    DWORD dwMpegVersion;    // MPEG1 or MPEG2 (a hint: the sample rate decides)
    DWORD dwPsyModel;
    DWORD dwEmphasis;  // 0 none, 1 50/15 microseconds, 3 CCITT J.17
    BOOL bPrivate;
    BOOL bCRC;
    BOOL bCopyright;
    BOOL bOriginal;
    BOOL bWriteVBRHeader;
    BOOL bEnableVBR;
    int nVBRQuality;     // 0 (best) to 9
    DWORD dwVbrAbr_bps;  // average bit rate with VBR_METHOD_ABR
    LONG nVbrMethod;     // VBR_METHOD_*
    BOOL bNoRes;         // no bit reservoir
    BOOL bStrictIso;
    WORD nQuality;  // low byte: LAME quality 0..9, high byte: its complement
    BYTE btReserved[237];
};

struct BE_VERSION {
    BYTE byDLLMajorVersion;
    BYTE byDLLMinorVersion;
    BYTE byMajorVersion;  // LAME's
    BYTE byMinorVersion;
    BYTE byDay;  // LAME's release date
    BYTE byMonth;
    WORD wYear;
    char zHomepage[129];
    BYTE byAlphaLevel;
    BYTE byBetaLevel;
    BYTE byMMXEnabled;
    BYTE btReserved[125];
};
#pragma pack(pop)

static_assert(sizeof(BE_CONFIG) == 331, "the LAME record is 331 bytes");
static_assert(offsetof(BE_CONFIG, dwSampleRate) == 12);
static_assert(offsetof(BE_CONFIG, nMode) == 20);
static_assert(offsetof(BE_CONFIG, dwBitrate) == 24);
static_assert(offsetof(BE_CONFIG, nPreset) == 32);
static_assert(offsetof(BE_CONFIG, dwMpegVersion) == 36);
static_assert(offsetof(BE_CONFIG, bPrivate) == 48);
static_assert(offsetof(BE_CONFIG, bWriteVBRHeader) == 64);
static_assert(offsetof(BE_CONFIG, bEnableVBR) == 68);
static_assert(offsetof(BE_CONFIG, nVBRQuality) == 72);
static_assert(offsetof(BE_CONFIG, bStrictIso) == 88);
static_assert(offsetof(BE_CONFIG, nQuality) == 92);
static_assert(offsetof(BE_CONFIG, btReserved) == 94);
static_assert(sizeof(BE_VERSION) == 265);

BE_ERR __cdecl beInitStream(BE_CONFIG* config, DWORD* samples, DWORD* bufferSize,
                            HBE_STREAM* stream);
BE_ERR __cdecl beEncodeChunk(HBE_STREAM stream, DWORD samples, const SHORT* pcm, BYTE* output,
                             DWORD* outputBytes);
BE_ERR __cdecl beDeinitStream(HBE_STREAM stream, BYTE* output, DWORD* outputBytes);
BE_ERR __cdecl beCloseStream(HBE_STREAM stream);
void __cdecl beVersion(BE_VERSION* version);
BE_ERR __cdecl beWriteVBRHeader(const char* path);

}  // extern "C"

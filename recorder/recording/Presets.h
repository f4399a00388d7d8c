// Record types and quality presets: every format parameter of a recording derives from the
// pair (record type, quality row).
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <string>

namespace velto {

enum RecordType : int { kRecordWav = 0, kRecordMp3 = 1, kRecordWma = 2 };

inline constexpr int kDefaultRecordTypeSetting = kRecordMp3;  // registry default
inline constexpr int kDefaultQualitySetting = 6;              // registry default

// Rows per type: 16 for WAV, 8 for MP3 and WMA; 0 for an unknown type.
int QualityRowCount(int type);
// WAV 11, MP3 3, WMA 6; 0 for an unknown type.
int DefaultQuality(int type);
// "wav", "mp3", "wma"; empty for an unknown type.
const wchar_t* FileExtension(int type);
// The save dialog's filter: description and pattern pairs, NUL-separated, double-NUL ended.
std::wstring SaveDialogFilter(int type);

// An unknown type gives 0; a row that does not exist in the type's table is read as the type's
// default row (as QualityLabel labels it).
int PresetSampleRate(int type, int quality);
int PresetChannels(int type, int quality);
// kbit/s for WAV (display only) and MP3; bit/s for WMA, which the WMA writer takes as it is.
int PresetBitRate(int type, int quality);

// Label of a row; an out-of-range row is labelled like the type's default row.
std::wstring QualityLabel(int type, int quality);

// The type-change rule: an unknown type becomes WAV; the quality resets to the default row.
int NormaliseRecordType(int type);
bool IsValidQuality(int type, int quality);

// 16-bit PCM, block align = channels * 2, bytes per second = rate * block align.
WAVEFORMATEX MakePcmFormat(int channels, int sampleRate);

}  // namespace velto

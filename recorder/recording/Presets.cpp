#include "recorder/recording/Presets.h"

#include "common/Text.h"

namespace velto {
namespace {

constexpr int kWavRates[8] = {8000, 11025, 16000, 22050, 24000, 32000, 44100, 48000};

struct CodedRow {
    int bitRate;
    int sampleRate;
};
constexpr CodedRow kMp3Rows[8] = {{32, 8000},   {64, 16000},  {96, 32000},  {128, 44100},
                                  {160, 44100}, {192, 44100}, {256, 44100}, {320, 44100}};
constexpr CodedRow kWmaRows[8] = {{6440, 8000},   {20008, 22050}, {20008, 22050},
                                  {32000, 32000}, {48000, 32000}, {64024, 44100},
                                  {96024, 44100}, {128016, 44100}};

}  // namespace

int QualityRowCount(int type)
{
    switch (type) {
    case kRecordWav: return 16;
    case kRecordMp3:
    case kRecordWma: return 8;
    default: return 0;
    }
}

int DefaultQuality(int type)
{
    switch (type) {
    case kRecordWav: return 11;
    case kRecordMp3: return 3;
    case kRecordWma: return 6;
    default: return 0;
    }
}

const wchar_t* FileExtension(int type)
{
    switch (type) {
    case kRecordWav: return L"wav";
    case kRecordMp3: return L"mp3";
    case kRecordWma: return L"wma";
    default: return L"";
    }
}

std::wstring SaveDialogFilter(int type)
{
    const wchar_t* description = nullptr;
    switch (type) {
    case kRecordWav: description = L"WAV파일(*.wav)"; break;
    case kRecordMp3: description = L"MP3파일(*.mp3)"; break;
    case kRecordWma: description = L"WMA파일(*.wma)"; break;
    default: return std::wstring(2, L'\0');
    }
    std::wstring filter = description;
    filter += L'\0';
    filter += L"*.";
    filter += FileExtension(type);
    filter += L'\0';
    filter += L"모든 파일(*.*)";
    filter += L'\0';
    filter += L"*.*";
    filter += L'\0';
    filter += L'\0';
    return filter;
}

namespace {
// A row that does not exist is read as the type's default row, as its label is: every value
// comes from inside the tables whatever a caller passes.
int ExistingRow(int type, int quality)
{
    return IsValidQuality(type, quality) ? quality : DefaultQuality(type);
}
}  // namespace

int PresetSampleRate(int type, int quality)
{
    quality = ExistingRow(type, quality);
    switch (type) {
    case kRecordWav: return kWavRates[quality <= 7 ? quality : quality - 8];
    case kRecordMp3: return kMp3Rows[quality].sampleRate;
    case kRecordWma: return kWmaRows[quality].sampleRate;
    default: return 0;
    }
}

int PresetChannels(int type, int quality)
{
    quality = ExistingRow(type, quality);
    switch (type) {
    case kRecordWav: return quality <= 7 ? 1 : 2;
    case kRecordMp3:
    case kRecordWma: return 2;
    default: return 0;
    }
}

int PresetBitRate(int type, int quality)
{
    quality = ExistingRow(type, quality);
    switch (type) {
    case kRecordWav:
        return PresetChannels(type, quality) * PresetSampleRate(type, quality) * 16 / 1000;
    case kRecordMp3: return kMp3Rows[quality].bitRate;
    case kRecordWma: return kWmaRows[quality].bitRate;
    default: return 0;
    }
}

bool IsValidQuality(int type, int quality)
{
    return quality >= 0 && quality < QualityRowCount(type);
}

std::wstring QualityLabel(int type, int quality)
{
    if (QualityRowCount(type) == 0) return {};
    if (!IsValidQuality(type, quality)) quality = DefaultQuality(type);
    const int rate = PresetSampleRate(type, quality);
    const int bits = PresetBitRate(type, quality);
    switch (type) {
    case kRecordWav:
        return FormatW(quality <= 7 ? L"%5dHz-Mono" : L"%5dHz-Stereo", rate);
    case kRecordMp3: return FormatW(L"%3dKbps-%5dHz", bits, rate);
    default:
        return FormatW(L"%3dK-%dKhz,", bits / 1000, rate / 1000) +
               (quality <= 1 ? L"Mono" : L"Stereo");
    }
}

int NormaliseRecordType(int type)
{
    return QualityRowCount(type) == 0 ? kRecordWav : type;
}

WAVEFORMATEX MakePcmFormat(int channels, int sampleRate)
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = static_cast<WORD>(channels);
    f.nSamplesPerSec = static_cast<DWORD>(sampleRate);
    f.wBitsPerSample = 16;
    f.nBlockAlign = static_cast<WORD>(channels * 2);
    f.nAvgBytesPerSec = f.nSamplesPerSec * f.nBlockAlign;
    f.cbSize = 0;
    return f;
}

}  // namespace velto

#include "recorder/ui/StatusText.h"

#include "common/Text.h"
#include "recorder/recording/Presets.h"

namespace velto {
namespace {

std::wstring UpperAscii(std::wstring s)
{
    for (auto& c : s)
        if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - 32);
    return s;
}

}  // namespace

std::wstring FormatStatusText(int complete, int type, int quality, const std::wstring& file,
                              bool fileExists, uint64_t fileBytes)
{
    int bitRate = PresetBitRate(type, quality);
    if (type == kRecordWma) bitRate /= 1000;  // its table is in bit/s
    const int sampleRate = PresetSampleRate(type, quality);
    const wchar_t* channels = PresetChannels(type, quality) == 1 ? L"Mono" : L"Stereo";

    if (complete) {
        if (!fileExists || fileBytes / 1024 == 0) return kIdleStatusText;
        return FormatW(L"Recording Complete %s (%s)KByte %dKbps - %dHz, %s", file.c_str(),
                       std::to_wstring(fileBytes / 1024).c_str(), bitRate, sampleRate, channels);
    }
    return FormatW(L"%s DirectRecording %dKbps - %dHz, %s, %s",
                   UpperAscii(FileExtension(type)).c_str(), bitRate, sampleRate, channels,
                   file.c_str());
}

}  // namespace velto

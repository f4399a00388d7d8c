#include "tests/wma/WmaProbe.h"

#include <windows.h>

#include <cstdlib>
#include <cstring>

#include "tests/support/FileBytes.h"
#include "tests/support/Tone.h"

namespace velto::test {
namespace {

std::string ReadTextFile(const std::wstring& path)
{
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::string Value(const std::string& text, const std::string& key)
{
    const std::string needle = key + "=";
    size_t at = 0;
    while ((at = text.find(needle, at)) != std::string::npos) {
        if (at == 0 || text[at - 1] == '\n') {
            const size_t start = at + needle.size();
            const size_t end = text.find_first_of("\r\n", start);
            return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        }
        at += needle.size();
    }
    return {};
}

}  // namespace

ProbedAudio ProbeAudio(const std::wstring& path)
{
    ProbedAudio result;
    const std::wstring report = path + L".probe.txt";
    ::DeleteFileW(report.c_str());
    const std::string command =
        "/usr/bin/ffprobe -v error -select_streams a:0 -show_entries "
        "stream=codec_name,channels,sample_rate,bit_rate:format=duration -of default=nw=1 '" +
        UnixPath(path) + "' > '" + UnixPath(report) + "' 2>&1";
    if (!RunUnixShell(command, 60000)) return result;
    const std::string text = ReadTextFile(report);
    ::DeleteFileW(report.c_str());
    result.codec = Value(text, "codec_name");
    result.channels = std::atoi(Value(text, "channels").c_str());
    result.sampleRate = std::atoi(Value(text, "sample_rate").c_str());
    result.bitRate = std::atol(Value(text, "bit_rate").c_str());
    result.duration = std::atof(Value(text, "duration").c_str());
    result.ok = !result.codec.empty();
    return result;
}

std::vector<int16_t> DecodeAudio(const std::wstring& path)
{
    const std::wstring raw = path + L".raw";
    ::DeleteFileW(raw.c_str());
    const std::string command = "/usr/bin/ffmpeg -v error -y -i '" + UnixPath(path) +
                                "' -f s16le -acodec pcm_s16le '" + UnixPath(raw) + "'";
    std::vector<int16_t> samples;
    if (!RunUnixShell(command, 60000)) return samples;
    const std::string bytes = ReadTextFile(raw);
    ::DeleteFileW(raw.c_str());
    samples.resize(bytes.size() / 2);
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

ToneCheck MeasureTone(const std::vector<int16_t>& interleaved, int channels, int channel,
                      int sampleRate, double marginSeconds)
{
    std::vector<int16_t> one = Channel(interleaved, channels, channel);
    const size_t margin = static_cast<size_t>(marginSeconds * sampleRate);
    if (one.size() <= 2 * margin) return {};
    std::vector<int16_t> middle(one.begin() + static_cast<long>(margin),
                                one.end() - static_cast<long>(margin));
    return {EstimateFrequency(middle, sampleRate), MeanAbs(middle)};
}

}  // namespace velto::test

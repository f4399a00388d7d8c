#include "tests/wma/WmaProbe.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "recorder/recording/Presets.h"
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

std::vector<int16_t> MiddleOfChannel(const std::vector<int16_t>& interleaved, int channels,
                                     int channel, int sampleRate, double marginSeconds)
{
    std::vector<int16_t> one = Channel(interleaved, channels, channel);
    const size_t margin = static_cast<size_t>(marginSeconds * sampleRate);
    if (one.size() <= 2 * margin) return {};
    return std::vector<int16_t>(one.begin() + static_cast<long>(margin),
                                one.end() - static_cast<long>(margin));
}

ToneCheck MeasureTone(const std::vector<int16_t>& interleaved, int channels, int channel,
                      int sampleRate, double marginSeconds)
{
    const std::vector<int16_t> middle =
        MiddleOfChannel(interleaved, channels, channel, sampleRate, marginSeconds);
    if (middle.empty()) return {};
    return {EstimateFrequency(middle, sampleRate), MeanAbs(middle)};
}

void ExpectWmaRecordingOfTone(const std::wstring& path, int row, int seconds, double frequency,
                              double amplitude)
{
    const ProbedAudio probed = ProbeAudio(path);
    ASSERT_TRUE(probed.ok);
    const int rate = PresetSampleRate(kRecordWma, row);
    const long bitRate = std::max<long>(PresetBitRate(kRecordWma, row), kWmaEncoderFloor);
    EXPECT_EQ(probed.codec, "wmav2");
    EXPECT_EQ(probed.channels, 2);
    EXPECT_EQ(probed.sampleRate, rate);
    EXPECT_NEAR(probed.bitRate, bitRate, bitRate * 0.02);
    // Exactly the auto-stop time reaches the writer; the last frame is padded.
    EXPECT_GE(probed.duration, seconds - 0.01);
    EXPECT_LE(probed.duration, seconds + 2048.0 / rate + 0.01);

    constexpr double kPi = 3.14159265358979323846;
    const std::vector<int16_t> decoded = DecodeAudio(path);
    for (int ch = 0; ch < 2; ++ch) {
        const ToneCheck heard = MeasureTone(decoded, 2, ch, rate, 0.3);
        EXPECT_NEAR(heard.frequency, frequency, frequency * 0.01) << "channel " << ch;
        EXPECT_NEAR(heard.level, amplitude * 2 / kPi, amplitude * 0.2) << "channel " << ch;
    }
}

}  // namespace velto::test

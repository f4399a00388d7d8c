// End to end: CMp3Recorder with the real lame_enc.dll records a tone played into the sound card
// until the auto-stop limit, into a folder with a Korean name; ffprobe and ffmpeg on the Linux
// side then read the file as a player would.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "common/Text.h"
#include "recorder/recording/Mp3Recorder.h"
#include "recorder/recording/Presets.h"
#include "tests/mp3/Mp3Frames.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/TestHost.h"
#include "tests/support/Tone.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr double kToneHz = 1000.0;
constexpr int kLimitSeconds = 2;

std::vector<unsigned char> ReadAll(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// ffprobe's "key=value" lines.
std::map<std::string, std::string> ReadKeys(const std::wstring& path)
{
    std::map<std::string, std::string> keys;
    std::ifstream in(path.c_str());
    for (std::string line; std::getline(in, line);) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos) keys[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return keys;
}

TEST(Mp3RecordingTest, RecordsTheToneAtEachRowsFormatForTheAutoStopTime)
{
    wchar_t tempBuf[MAX_PATH];
    ::GetTempPathW(MAX_PATH, tempBuf);
    const std::wstring temp = tempBuf;
    const std::wstring tag = std::to_wstring(::GetCurrentProcessId());
    const std::wstring folder = temp + L"velto 녹음 " + tag + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    // The Linux tools get an ASCII copy: the shell bridge passes bytes, not UTF-16.
    const std::wstring copy = temp + L"velto-mp3-" + tag + L".mp3";
    const std::wstring probe = temp + L"velto-mp3-" + tag + L".txt";
    const std::wstring decoded = temp + L"velto-mp3-" + tag + L".raw";

    TonePlayer tone(kToneHz, 16384.0, 60.0);
    ASSERT_TRUE(tone.ok());
    DialogWatcher watcher;
    TestHost host;
    g_autoStop.enabled = 1;
    g_autoStop.seconds = kLimitSeconds;

    // MPEG-2.5, MPEG-2 and MPEG-1 at the lowest and highest bit rates.
    for (int row : {0, 1, 3, 7}) {
        SCOPED_TRACE(row);
        const int rate = PresetSampleRate(kRecordMp3, row);
        const int kbps = PresetBitRate(kRecordMp3, row);
        host.quality = row;
        host.received.clear();
        host.outputPath = folder + L"녹음 " + std::to_wstring(row) + L".mp3";

        CMp3Recorder recorder(host);
        ASSERT_EQ(recorder.Start(), 1);
        EXPECT_TRUE(host.WaitFor(NOTIFY_LIMIT, 60000));
        EXPECT_EQ(recorder.Stop(), 1);
        EXPECT_TRUE(watcher.Seen().empty());

        // The frames themselves: Layer III, the row's MPEG version, rate and bit rate, stereo,
        // and LAME's tag in front, which tells players the exact length.
        const auto file = ReadAll(host.outputPath);
        const auto frames = Mp3Frames(file);
        ASSERT_FALSE(frames.empty()) << "not a sequence of MPEG audio frames";
        EXPECT_EQ(frames[0].version, rate >= 32000 ? 10 : rate >= 16000 ? 20 : 25);
        EXPECT_EQ(frames[0].layer, 3);
        EXPECT_EQ(frames[0].sampleRate, rate);
        EXPECT_EQ(frames[0].bitRateKbps, kbps);
        EXPECT_TRUE(HasLameTag(file, frames[0].bytes));

        // What a player makes of it.
        ASSERT_TRUE(::CopyFileW(host.outputPath.c_str(), copy.c_str(), FALSE));
        const std::string mp3 = UnixPath(copy);
        ASSERT_FALSE(mp3.empty());
        ASSERT_TRUE(
            RunUnixShell("ffprobe -v error -select_streams a:0 -show_entries "
                         "stream=codec_name,sample_rate,channels,bit_rate -of default=nw=1 '" +
                             mp3 + "' > '" + UnixPath(probe) + "'; ffmpeg -v error -y -i '" + mp3 +
                             "' -f s16le -acodec pcm_s16le '" + UnixPath(decoded) + "'",
                         60000));
        auto keys = ReadKeys(probe);
        EXPECT_EQ(keys["codec_name"], "mp3");
        EXPECT_EQ(keys["sample_rate"], std::to_string(rate));
        EXPECT_EQ(keys["channels"], "2");
        EXPECT_EQ(keys["bit_rate"], std::to_string(kbps * 1000));

        const auto raw = ReadAll(decoded);
        std::vector<int16_t> pcm(raw.size() / 2);
        std::memcpy(pcm.data(), raw.data(), pcm.size() * 2);
        const double seconds = static_cast<double>(pcm.size() / 2) / rate;
        const double frameSeconds = static_cast<double>(frames[0].samples) / rate;
        EXPECT_NEAR(seconds, kLimitSeconds, frameSeconds);
        // The tone, measured in the middle second (away from the encoder's start and end).
        auto left = Channel(pcm, 2, 0);
        ASSERT_GT(left.size(), static_cast<size_t>(rate * 3 / 2));
        std::vector<int16_t> middle(left.begin() + rate / 2, left.begin() + rate * 3 / 2);
        EXPECT_GT(MeanAbs(middle), 2000.0);
        EXPECT_NEAR(EstimateFrequency(middle, rate), kToneHz, kToneHz * 0.01);

        ::DeleteFileW(host.outputPath.c_str());
    }
    ::DeleteFileW(copy.c_str());
    ::DeleteFileW(probe.c_str());
    ::DeleteFileW(decoded.c_str());
    ::RemoveDirectoryW(folder.c_str());
}

}  // namespace

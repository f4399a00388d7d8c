// Playing the last recording back through the real VeltoRecorder.exe and its player library:
// the tone comes out of the sound card, the time display advances, a click in the seek band
// jumps ahead, and at the end the display returns to 00:00:00.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/Text.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Tone.h"
#include "tests/support/UiDriver.h"

using namespace velto::test;

namespace {

constexpr double kToneHz = 1000.0;
constexpr int kSeconds = 6;
constexpr POINT kRecordButton{32, 115};
constexpr POINT kPlayButton{83, 133};

bool StartsWith(const std::wstring& s, const std::wstring& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

std::vector<int16_t> ReadSamples(const std::wstring& path)
{
    std::vector<int16_t> samples;
    HANDLE h = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return samples;
    LARGE_INTEGER size{};
    ::GetFileSizeEx(h, &size);
    samples.resize(static_cast<size_t>(size.QuadPart / 2));
    DWORD got = 0;
    ::ReadFile(h, samples.data(), static_cast<DWORD>(samples.size() * 2), &got, nullptr);
    ::CloseHandle(h);
    samples.resize(got / 2);
    return samples;
}

// The pitch from the median period between rising zero crossings: Wine's wave-out may leave
// a short gap under load, which would pull an average down but leaves the median alone.
double MedianPitch(const std::vector<int16_t>& samples, int rate)
{
    std::vector<double> periods;
    double last = -1;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            double at =
                (i - 1) + static_cast<double>(-samples[i - 1]) / (samples[i] - samples[i - 1]);
            if (last >= 0) periods.push_back(at - last);
            last = at;
        }
    }
    if (periods.empty()) return 0;
    std::sort(periods.begin(), periods.end());
    return rate / periods[periods.size() / 2];
}

// Records what the sound card plays for `seconds`, in the background, into a raw file.
class SinkCapture {
public:
    SinkCapture(const std::wstring& rawPath, int seconds) : raw_(rawPath), done_(rawPath + L".done")
    {
        ::DeleteFileW(done_.c_str());
        RunUnixShell("(timeout " + std::to_string(seconds) +
                         " parec --device=speakers.monitor --format=s16le --rate=44100 "
                         "--channels=1 --raw > '" +
                         UnixPath(raw_) + "'; touch '" + UnixPath(raw_) +
                         ".done') >/dev/null 2>&1 & :",
                     10000);
    }
    std::vector<int16_t> Wait(DWORD timeoutMs)
    {
        if (!WaitUntil(
                [&] { return ::GetFileAttributesW(done_.c_str()) != INVALID_FILE_ATTRIBUTES; },
                timeoutMs))
            return {};
        return ReadSamples(raw_);
    }

private:
    std::wstring raw_;
    std::wstring done_;
};

TEST(PlaybackTest, PlaysTheRecordingSeeksOnAClickAndReturnsToZeroAtTheEnd)
{
    TempFolder folder(L"velto-play");
    DeleteRecorderSettings();
    SetRecorderString(L"SavePath", folder.path());
    SetRecorderDword(L"AutoStop", 1);
    SetRecorderDword(L"RecStopTime", kSeconds);
    const std::wstring file = folder.File(L"Noname.mp3");

    RecorderProcess p;
    ASSERT_TRUE(p.Start());
    DialogWatcher boxes(p.pid());
    TimeDisplayReader time;
    {
        TonePlayer tone(kToneHz, 8000.0, 30.0);
        ASSERT_TRUE(tone.ok());
        mouse::LeftClick(p.ToScreen(kRecordButton));
        ASSERT_TRUE(WaitUntil(
            [&] { return StartsWith(StatusText(p.window()), L"Recording Complete " + file); },
            30000))
            << velto::WideToUtf8(StatusText(p.window()));
    }
    ::Sleep(500);  // the tone has stopped: from now on the card plays only the recording

    SinkCapture heard(folder.File(L"heard.raw"), 3);
    mouse::LeftClick(p.ToScreen(kPlayButton));
    ASSERT_TRUE(WaitUntil([&] { return time.ReadSeconds(p.window()) == 1; }, 10000))
        << "the time display does not advance";
    std::vector<int16_t> samples = heard.Wait(15000);
    ASSERT_GT(samples.size(), 44100u);
    std::vector<int16_t> loud(samples.begin() + samples.size() / 3, samples.end());
    EXPECT_GT(MeanAbs(loud), 500.0);
    EXPECT_NEAR(MedianPitch(loud, 44100), kToneHz, 5.0);

    // A click at 80 % of the seek band jumps to about 4.8 s of the 6.
    const int before = time.ReadSeconds(p.window());
    ASSERT_LE(before, 3);
    mouse::LeftClick(p.ToScreen({67 + 198 * 8 / 10, 88}));
    EXPECT_TRUE(WaitUntil([&] { return time.ReadSeconds(p.window()) >= 4; }, 3000));

    // The end: the display returns to 00:00:00 and the status shows the finished file.
    EXPECT_TRUE(WaitUntil([&] { return time.ReadSeconds(p.window()) == 0; }, 10000));
    EXPECT_TRUE(StartsWith(StatusText(p.window()), L"Recording Complete " + file));
    EXPECT_TRUE(boxes.Seen().empty());
    DeleteRecorderSettings();
}

}  // namespace

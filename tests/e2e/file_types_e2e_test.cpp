// WAV and WMA recordings made through the real VeltoRecorder.exe like a user: the file type and
// the quality row are chosen in their popups, a tone plays into the sound card, the record and
// stop buttons are pressed, and the files are read back with the same checks as the recorders'
// own tests. WMA recordings are then played back with the play button and heard on the card.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/Text.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/WavRecorder.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Tone.h"
#include "tests/support/UiDriver.h"
#include "tests/wav/WavFileCheck.h"
#include "tests/wma/WmaProbe.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr double kTone = 1000.0;
constexpr double kAmplitude = 16384.0;  // half scale
constexpr double kToneLevel = kAmplitude * 2.0 / 3.14159265358979;
constexpr DWORD kPatience = 30000;  // generous: two cores shared with other builds

constexpr int kTypeItems = 3;  // wav, mp3, wma
// Free face, away from every button and tool tip: the pointer rests there after a click, so
// no highlight or tip covers what the test reads off the screen.
constexpr POINT kRestingPoint{5, 140};

bool StartsWith(const std::wstring& s, const std::wstring& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

// The program with a fresh save folder (plain ASCII, for the Linux tools) and the auto-stop
// set before it starts; the type and the row are chosen in the window.
class FileTypesTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        p_.Terminate();
        DeleteRecorderSettings();
    }

    // Starts the program and chooses `type` and its quality `row` in the popups.
    void StartWith(int autoStopSeconds, int type, int row)
    {
        DeleteRecorderSettings();
        SetRecorderString(L"SavePath", folder_.path());
        SetRecorderDword(L"AutoStop", autoStopSeconds > 0 ? 1 : 0);
        if (autoStopSeconds > 0) SetRecorderDword(L"RecStopTime", autoStopSeconds);
        ASSERT_TRUE(p_.Start());
        boxes_ = std::make_unique<DialogWatcher>(p_.pid());
        ASSERT_TRUE(ChooseFromPopup(p_, face::kTypeLabel, type, kTypeItems));
        file_ = folder_.File(std::wstring(L"Noname.") + FileExtension(type));
        ASSERT_TRUE(WaitUntil([&] { return PathBoxText(p_.window()) == file_; }, 5000))
            << "path box: " << WideToUtf8(PathBoxText(p_.window()));
        ChooseRow(type, row);
    }
    void ChooseRow(int type, int row)
    {
        ASSERT_TRUE(ChooseFromPopup(p_, face::kQualityLabel, row, QualityRowCount(type)));
    }

    // Presses record and waits for the status line to show the recording of `file_` with
    // `format` ("352Kbps - 22050Hz, Mono").
    void Record(int type, const std::wstring& format)
    {
        mouse::LeftClick(p_.ToScreen(face::kRecordButton));
        mouse::MoveTo(p_.ToScreen(kRestingPoint));
        const std::wstring recording =
            UpperAscii(FileExtension(type)) + L" DirectRecording " + format + L", " + file_;
        ASSERT_TRUE(WaitUntil([&] { return StatusText(p_.window()) == recording; }, kPatience))
            << "status: " << WideToUtf8(StatusText(p_.window()));
    }

    // Waits until the window is idle again: the status line tells the finished file with its
    // size, the time display is back at 00:00:00.
    void ExpectFinished(const std::wstring& format)
    {
        ASSERT_TRUE(WaitUntil(
            [&] { return StartsWith(StatusText(p_.window()), L"Recording Complete " + file_); },
            kPatience))
            << "status: " << WideToUtf8(StatusText(p_.window()));
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(::GetFileAttributesExW(file_.c_str(), GetFileExInfoStandard, &data));
        const std::wstring complete = L"Recording Complete " + file_ + L" (" +
                                      std::to_wstring(data.nFileSizeLow / 1024) + L")KByte " +
                                      format;
        EXPECT_EQ(StatusText(p_.window()), complete);
        EXPECT_TRUE(WaitUntil([&] { return time_.ReadSeconds(p_.window()) == 0; }, 5000));
    }

    static std::wstring UpperAscii(std::wstring s)
    {
        for (wchar_t& c : s)
            if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        return s;
    }

    TempFolder folder_{L"velto-types"};
    RecorderProcess p_;
    std::unique_ptr<DialogWatcher> boxes_;
    TimeDisplayReader time_;
    std::wstring file_;
};

// Row 3 is 22050 Hz mono, 44100 bytes a second: the auto-stop of 2 s is exactly 88200 bytes.
TEST_F(FileTypesTest, WavRow3WithAutoStopHoldsExactlyTwoSecondsOfTheTone)
{
    TonePlayer tone(kTone, kAmplitude, 60.0);
    ASSERT_TRUE(tone.ok());
    ASSERT_NO_FATAL_FAILURE(StartWith(2, kRecordWav, 3));
    const std::wstring format = L"352Kbps - 22050Hz, Mono";
    ASSERT_NO_FATAL_FAILURE(Record(kRecordWav, format));
    ASSERT_NO_FATAL_FAILURE(ExpectFinished(format));

    const WavFile wav = ReadFinishedWav(file_, MakePcmFormat(1, 22050));
    EXPECT_EQ(wav.dataLength, 88200u);
    EXPECT_EQ(wav.bytes.size(), 88256u);
    ExpectCleanTone(wav.samples, 1, 22050, kTone, kToneLevel);
    EXPECT_TRUE(boxes_->Seen().empty());
}

// Row 14 is 44100 Hz stereo; the stop button ends it mid-way. The file is finished and holds
// whole blocks only, every one in its place.
TEST_F(FileTypesTest, WavRow14StoppedWithTheStopButtonIsFinishedAndWhole)
{
    TonePlayer tone(kTone, kAmplitude, 60.0);
    ASSERT_TRUE(tone.ok());
    ASSERT_NO_FATAL_FAILURE(StartWith(0, kRecordWav, 14));
    const std::wstring format = L"1411Kbps - 44100Hz, Stereo";
    ASSERT_NO_FATAL_FAILURE(Record(kRecordWav, format));
    ASSERT_TRUE(WaitUntil([&] { return time_.ReadSeconds(p_.window()) >= 3; }, kPatience))
        << "the time display does not advance";
    mouse::LeftClick(p_.ToScreen(face::kStopButton));
    ASSERT_NO_FATAL_FAILURE(ExpectFinished(format));
    // Stopped for good: the display stays at zero.
    ::Sleep(1500);
    EXPECT_EQ(time_.ReadSeconds(p_.window()), 0);

    const WavFile wav = ReadFinishedWav(file_, MakePcmFormat(2, 44100));
    EXPECT_EQ(wav.dataLength % CWavRecorder::kBlockBytes, 0u);
    EXPECT_GE(wav.dataLength, 3u * 176400);
    ExpectCleanTone(wav.samples, 2, 44100, kTone, kToneLevel);
    EXPECT_TRUE(boxes_->Seen().empty());
}

struct WmaRow {
    int row;
    const wchar_t* format;  // as the status line tells it
};

// The lowest rows (below the encoder's floor), a middle and the highest; every sample rate
// but 32000 Hz. The recorder's own test covers all eight rows.
const WmaRow kWmaRows[] = {
    {0, L"6Kbps - 8000Hz, Stereo"},
    {2, L"20Kbps - 22050Hz, Stereo"},
    {5, L"64Kbps - 44100Hz, Stereo"},
    {7, L"128Kbps - 44100Hz, Stereo"},
};

// Each row in turn in one program run: record with the auto-stop, check the file, play it with
// the play button and hear it. Recording again over the file just played is answered "yes".
TEST_F(FileTypesTest, WmaRowsRecordTheToneAndPlayItBack)
{
    constexpr int kSeconds = 3;
    ASSERT_NO_FATAL_FAILURE(StartWith(kSeconds, kRecordWma, kWmaRows[0].row));
    const std::wstring overwrite = file_ + L"\r\n\r\n파일이 존재합니다. \r\n\r\n덮어 쓰겠습니까 ? ";
    int recorded = 0;
    for (const WmaRow& c : kWmaRows) {
        SCOPED_TRACE(testing::Message() << "row " << c.row);
        ASSERT_NO_FATAL_FAILURE(ChooseRow(kRecordWma, c.row));
        {
            TonePlayer tone(kTone, kAmplitude, 30.0);
            ASSERT_TRUE(tone.ok());
            ::Sleep(300);
            ASSERT_NO_FATAL_FAILURE(Record(kRecordWma, c.format));
            ASSERT_NO_FATAL_FAILURE(ExpectFinished(c.format));
        }
        ++recorded;
        ExpectWmaRecordingOfTone(file_, c.row, kSeconds, kTone, kAmplitude);

        // The tone has stopped: from now on the card plays only the recording.
        ::Sleep(500);
        // Room for a play that a busy machine starts a few seconds late.
        SinkCapture heard(folder_.File(L"heard-" + std::to_wstring(c.row) + L".raw"), kSeconds + 5);
        ASSERT_TRUE(heard.started()) << "parec does not record";
        mouse::LeftClick(p_.ToScreen(face::kPlayButton));
        mouse::MoveTo(p_.ToScreen(kRestingPoint));
        EXPECT_TRUE(WaitUntil([&] { return time_.ReadSeconds(p_.window()) >= 1; }, 10000))
            << "the time display does not follow the play";
        EXPECT_TRUE(WaitUntil([&] { return time_.ReadSeconds(p_.window()) == 0; }, 15000))
            << "the time display does not return to 00:00:00";
        EXPECT_TRUE(StartsWith(StatusText(p_.window()), L"Recording Complete " + file_));

        // The recording heard from where its sound begins: all of it but what Wine's wave-out
        // may drop at the start of a stream on a busy machine (up to a second).
        const std::vector<int16_t> samples = heard.Wait(20000);
        const long start = FirstLoudSample(samples, 300);
        ASSERT_GE(start, 0) << "nothing was heard";
        const size_t from = static_cast<size_t>(start) + SinkCapture::kSampleRate / 10;
        const size_t length = static_cast<size_t>(kSeconds - 1) * SinkCapture::kSampleRate;
        ASSERT_GE(samples.size(), from + length) << "the capture ended before the play";
        const std::vector<int16_t> played(samples.begin() + static_cast<long>(from),
                                          samples.begin() + static_cast<long>(from + length));
        EXPECT_GT(MeanAbs(played), 500.0);
        EXPECT_NEAR(MedianPitch(played, SinkCapture::kSampleRate), kTone, 5.0);
    }
    // The only boxes were the questions before recording over the last file.
    const std::vector<SeenDialog> seen = boxes_->Seen();
    EXPECT_EQ(static_cast<int>(seen.size()), recorded - 1);
    for (const SeenDialog& d : seen) EXPECT_EQ(d.text, overwrite);
}

}  // namespace

// Recording through the real VeltoRecorder.exe like a user: a tone plays into the sound card,
// the test presses the record button, answers the boxes, and decodes what was written with
// ffmpeg on the Linux side.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "common/Text.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/Tone.h"
#include "tests/support/UiDriver.h"

using namespace velto::test;

namespace {

constexpr double kToneHz = 1000.0;
constexpr POINT kRecordButton{32, 115};
constexpr wchar_t kStopQuestion[] = L"현재 녹음중입니다. \r\n\r\n 녹음을 중지하시겠습니까 ?";

bool StartsWith(const std::wstring& s, const std::wstring& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

// What a file decodes to: mono 16-bit samples at 44100 Hz (empty when it does not decode).
std::vector<int16_t> Decode(const std::wstring& file)
{
    const std::wstring raw = file + L".raw";
    ::DeleteFileW(raw.c_str());
    const std::string unixRaw = UnixPath(file) + ".raw";
    RunUnixShell(
        "ffmpeg -v error -y -i '" + UnixPath(file) + "' -f s16le -ac 1 -ar 44100 '" + unixRaw + "'",
        60000);
    std::vector<int16_t> samples;
    HANDLE h = ::CreateFileW(raw.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                             nullptr);
    if (h == INVALID_HANDLE_VALUE) return samples;
    LARGE_INTEGER size{};
    ::GetFileSizeEx(h, &size);
    samples.resize(static_cast<size_t>(size.QuadPart / 2));
    DWORD got = 0;
    ::ReadFile(h, samples.data(), static_cast<DWORD>(samples.size() * 2), &got, nullptr);
    ::CloseHandle(h);
    ::DeleteFileW(raw.c_str());
    samples.resize(got / 2);
    return samples;
}

// The middle of a recording holds the tone, loud enough to be more than noise.
void ExpectTone(const std::vector<int16_t>& samples)
{
    ASSERT_GT(samples.size(), 44100u / 2);
    std::vector<int16_t> middle(samples.begin() + samples.size() / 4,
                                samples.begin() + samples.size() * 3 / 4);
    EXPECT_GT(MeanAbs(middle), 1000.0);
    EXPECT_NEAR(EstimateFrequency(middle, 44100), kToneHz, 5.0);
}

class RecordingTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"velto-record-" + std::to_wstring(::GetCurrentProcessId()) +
                  L"\\";
        ::CreateDirectoryW(folder_.c_str(), nullptr);
        DeleteRecorderSettings();
        SetRecorderString(L"SavePath", folder_);
    }
    void TearDown() override
    {
        p_.Terminate();
        DeleteRecorderSettings();
        for (const wchar_t* name : {L"Noname.mp3", L"Noname2.mp3"})
            ::DeleteFileW((folder_ + name).c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }
    POINT At(POINT client) const { return p_.ToScreen(client); }
    bool WaitForStatus(const std::wstring& prefix, DWORD timeoutMs)
    {
        return WaitUntil([&] { return StartsWith(StatusText(p_.window()), prefix); }, timeoutMs);
    }

    std::wstring folder_;
    RecorderProcess p_;
};

TEST_F(RecordingTest, AutoStopRecordsTheToneReturnsToIdleAndTheNextProposalIsNumbered)
{
    SetRecorderDword(L"AutoStop", 1);
    SetRecorderDword(L"RecStopTime", 3);
    TonePlayer tone(kToneHz, 8000.0, 60.0);
    ASSERT_TRUE(tone.ok());
    ASSERT_TRUE(p_.Start());
    DialogWatcher boxes(p_.pid());
    TimeDisplayReader time;
    const std::wstring first = folder_ + L"Noname.mp3";
    ASSERT_TRUE(WaitUntil([&] { return PathBoxText(p_.window()) == first; }, 10000));

    mouse::LeftClick(At(kRecordButton));
    ASSERT_TRUE(WaitForStatus(L"MP3 DirectRecording", 10000)) << "the recording did not start";
    EXPECT_TRUE(WaitUntil([&] { return time.ReadSeconds(p_.window()) >= 1; }, 10000))
        << "the time display does not advance";
    // The pointer away from the window, so no tool tip covers the picture.
    mouse::MoveTo({5, ::GetSystemMetrics(SM_CYSCREEN) - 5});
    ::Sleep(1000);
    SaveScreenshot(VELTO_ARTIFACTS "/recording-window.png");

    ASSERT_TRUE(WaitForStatus(L"Recording Complete " + first, 20000))
        << "status: " << velto::WideToUtf8(StatusText(p_.window()));
    // The screen follows the window's drawing a moment later.
    EXPECT_TRUE(WaitUntil([&] { return time.ReadSeconds(p_.window()) == 0; }, 5000));
    std::vector<int16_t> samples = Decode(first);
    EXPECT_NEAR(samples.size() / 44100.0, 3.0, 0.1);
    ExpectTone(samples);

    // Recording again: the file exists, so the program asks; "No" opens the save-as dialog,
    // which proposes the next free name, and saving there records it.
    std::atomic<bool> proposed{false};
    boxes.SetAnswer([&proposed](const SeenDialog& d) {
        if (d.text.find(L"파일이 존재합니다") != std::wstring::npos) return IDNO;
        // The save-as dialog's file name box (a combo box: its text is the proposal).
        if (d.caption == L"저장할 파일경로 및 파일이름 설정" &&
            ChildText(d.hwnd, 1148) == L"Noname2.mp3")
            proposed = true;
        return DialogWatcher::DefaultAnswer(d);
    });
    mouse::LeftClick(At(kRecordButton));
    const std::wstring second = folder_ + L"Noname2.mp3";
    ASSERT_TRUE(WaitForStatus(L"Recording Complete " + second, 30000))
        << "status: " << velto::WideToUtf8(StatusText(p_.window()));
    bool asked = false;
    for (const auto& d : boxes.Seen())
        if (d.text == first + L"\r\n\r\n파일이 존재합니다. \r\n\r\n덮어 쓰겠습니까 ? ")
            asked = true;
    EXPECT_TRUE(asked);
    EXPECT_TRUE(proposed) << "the save-as dialog did not propose Noname2.mp3";
    ExpectTone(Decode(second));
}

TEST_F(RecordingTest, RecordDuringARecordingAsksAndYesStopsAndFinishesTheFile)
{
    SetRecorderDword(L"AutoStop", 0);
    TonePlayer tone(kToneHz, 8000.0, 60.0);
    ASSERT_TRUE(tone.ok());
    ASSERT_TRUE(p_.Start());
    DialogWatcher boxes(p_.pid());  // "예" is the first button
    TimeDisplayReader time;
    mouse::LeftClick(At(kRecordButton));
    ASSERT_TRUE(WaitForStatus(L"MP3 DirectRecording", 10000));
    ASSERT_TRUE(WaitUntil([&] { return time.ReadSeconds(p_.window()) >= 2; }, 15000));

    mouse::LeftClick(At(kRecordButton));
    ASSERT_TRUE(boxes.WaitFor(kStopQuestion, 10000));
    EXPECT_EQ(boxes.Seen().front().text, kStopQuestion);
    EXPECT_EQ(boxes.Seen().front().caption, L"VeltoRecorder");
    // Stopped: the display is back at zero and stays there.
    ASSERT_TRUE(WaitUntil([&] { return time.ReadSeconds(p_.window()) == 0; }, 10000));
    ::Sleep(1500);
    EXPECT_EQ(time.ReadSeconds(p_.window()), 0);

    std::vector<int16_t> samples = Decode(folder_ + L"Noname.mp3");
    EXPECT_GT(samples.size() / 44100.0, 1.5);
    ExpectTone(samples);
}

TEST_F(RecordingTest, AltF4DuringARecordingLeavesAFinishedFile)
{
    SetRecorderDword(L"AutoStop", 0);
    TonePlayer tone(kToneHz, 8000.0, 60.0);
    ASSERT_TRUE(tone.ok());
    ASSERT_TRUE(p_.Start());
    DialogWatcher boxes(p_.pid());
    TimeDisplayReader time;
    mouse::LeftClick(At(kRecordButton));
    ASSERT_TRUE(WaitForStatus(L"MP3 DirectRecording", 10000));
    ASSERT_TRUE(WaitUntil([&] { return time.ReadSeconds(p_.window()) >= 2; }, 15000));

    ASSERT_TRUE(PressAltF4(p_.window()));
    DWORD code = 1;
    ASSERT_TRUE(p_.WaitForExit(20000, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(boxes.Seen().empty());

    std::vector<int16_t> samples = Decode(folder_ + L"Noname.mp3");
    EXPECT_GT(samples.size() / 44100.0, 1.5);
    ExpectTone(samples);
    // The settings were written on the way out; the placement only by the close button.
    DWORD type = 99;
    EXPECT_TRUE(ReadRecorderDword(L"RecordType", &type));
    EXPECT_EQ(type, 1u);
    EXPECT_TRUE(ReadRecorderBinary(L"VeltoRecorder").empty());
}

TEST_F(RecordingTest, TheWavTypeChosenInItsPopupRecordsAWavFile)
{
    SetRecorderDword(L"AutoStop", 1);
    SetRecorderDword(L"RecStopTime", 2);
    TonePlayer tone(kToneHz, 8000.0, 60.0);
    ASSERT_TRUE(tone.ok());
    ASSERT_TRUE(p_.Start());
    DialogWatcher boxes(p_.pid());
    mouse::LeftClick(At({150, 131}));  // the file-type label
    HWND menu = WaitForPopupMenu(p_.pid());
    ASSERT_NE(menu, nullptr);
    ClickMenuItem(menu, 0, 3);  // wav
    const std::wstring file = folder_ + L"Noname.wav";
    ASSERT_TRUE(WaitUntil([&] { return PathBoxText(p_.window()) == file; }, 5000));

    mouse::LeftClick(At(kRecordButton));
    ASSERT_TRUE(WaitForStatus(L"Recording Complete " + file, 20000))
        << "status: " << velto::WideToUtf8(StatusText(p_.window()));
    std::vector<int16_t> samples = Decode(file);
    EXPECT_NEAR(samples.size() / 44100.0, 2.0, 0.05);
    ExpectTone(samples);
    EXPECT_TRUE(boxes.Seen().empty());
    ::DeleteFileW(file.c_str());
}

}  // namespace

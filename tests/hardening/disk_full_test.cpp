// A save folder on a small drive that runs out of room: disk_full_test.sh mounts a tmpfs of
// 60 MiB and maps it as a drive of its own (VELTO_SMALL_DRIVE, its Linux path in
// VELTO_SMALL_MOUNT); this program fills it from the Linux side while WAV, MP3 and WMA
// recordings run, through the real program and through the recorders themselves.
//
// What must hold: a start with less than 50 MiB free is refused and leaves no file; a drive
// that falls below 50 MiB stops the recording with the notice and the file is finished; a
// drive that fills completely ends the recording with a report of the failed write, nothing
// hangs, the program goes on recording once there is room again, and what was written still
// decodes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/Text.h"
#include "recorder/recording/Mp3Recorder.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/WavRecorder.h"
#include "recorder/recording/WmaRecorder.h"
#include "recorder/ui/OutputFiles.h"
#include "tests/hardening/SteadyTone.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TestHost.h"
#include "tests/support/Tone.h"
#include "tests/support/UiDriver.h"
#include "tests/wma/WmaProbe.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr double kTone = 1000.0;
constexpr double kAmplitude = 12000.0;
constexpr ULONGLONG kMiB = 1024 * 1024;
// Generous: two cores shared with other builds and tests.
constexpr DWORD kPatience = 30000;
// A stop normally takes a tenth of a second; anything near this is a hang.
constexpr DWORD kStopLimitMs = 5000;

constexpr wchar_t kRefusedText[] = L"Drive의 용량이 부족합니다.";
constexpr wchar_t kMp3WriteError[] = L"Output file write error";
constexpr wchar_t kWmaWriteError[] = L"ConvertChunk Error";

// The small drive, as Windows and as Linux see it.
class SmallDrive {
public:
    SmallDrive()
    {
        wchar_t drive[16] = {};
        char mount[1024] = {};
        if (::GetEnvironmentVariableW(L"VELTO_SMALL_DRIVE", drive, 16) == 0 ||
            ::GetEnvironmentVariableA("VELTO_SMALL_MOUNT", mount, sizeof mount) == 0)
            return;
        root_ = std::wstring(drive) + L"\\";
        mount_ = mount;
    }
    bool ok() const { return !root_.empty() && !mount_.empty(); }
    const std::wstring& root() const { return root_; }
    std::wstring File(const std::wstring& name) const { return root_ + name; }

    ULONGLONG FreeBytes() const
    {
        ULARGE_INTEGER available{};
        if (!::GetDiskFreeSpaceExW(root_.c_str(), &available, nullptr, nullptr)) return 0;
        return available.QuadPart;
    }
    // Everything on the drive goes: recordings and fillers.
    bool Empty() const { return Shell("rm -rf " + Quoted(mount_) + "/*"); }
    bool RemoveFillers() const { return Shell("rm -f " + Quoted(mount_) + "/filler*"); }
    // Other data takes all but `bytes` of the free space.
    bool LeaveFree(ULONGLONG bytes) const
    {
        const std::string filler = Quoted(mount_ + "/filler-" + std::to_string(++fillers_));
        return Shell("a=$(df -B1 --output=avail " + Quoted(mount_) + " | tail -n 1); " +
                     "fallocate -l $((a - " + std::to_string(bytes) + ")) " + filler);
    }
    // Other data takes every last byte (a copy that stops only when the drive refuses).
    bool FillCompletely() const
    {
        const std::string filler = Quoted(mount_ + "/filler-" + std::to_string(++fillers_));
        return Shell("cat /dev/zero > " + filler + " 2>/dev/null; :");
    }

private:
    static std::string Quoted(const std::string& s) { return "'" + s + "'"; }
    static bool Shell(const std::string& command) { return RunUnixShell(command, 60000); }

    std::wstring root_;
    std::string mount_;
    mutable int fillers_ = 0;
};

double MiB(ULONGLONG bytes)
{
    return static_cast<double>(bytes) / kMiB;
}

ULONGLONG FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return 0;
    return (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

struct Format {
    const char* name;
    int type;
    int quality;
    int sampleRate;
    int channels;
};
// WAV row 11 and the MP3 and WMA rows the program proposes for their types.
constexpr Format kFormats[] = {
    {"WAV", kRecordWav, 11, 22050, 2},
    {"MP3", kRecordMp3, 3, 44100, 2},
    {"WMA", kRecordWma, 6, 44100, 2},
};

// The file holds what was recorded up to the stop: a WAV file is finished (its lengths
// match the file, the fact value is set) and every format decodes, at its own rate, to the
// tone. Returns the decoded seconds.
double ExpectDecodableRecording(const std::wstring& path, const Format& f, double atLeastSeconds)
{
    if (f.type == kRecordWav) {
        const std::vector<uint8_t> wav = ReadFileBytes(path);
        EXPECT_GE(wav.size(), 56u);
        if (wav.size() >= 56) {
            EXPECT_EQ(Le32(wav, 4), wav.size() - 8) << "RIFF length";
            EXPECT_EQ(Le32(wav, 44), 0u) << "fact value: the file was not finished";
            EXPECT_EQ(Le32(wav, 52), wav.size() - 56) << "data length";
            EXPECT_EQ(Le32(wav, 52) % (2 * f.channels), 0u) << "a broken sample frame";
        }
    }
    // The decoders write beside the file they read: a full drive has no room for that.
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring copy = std::wstring(temp) + L"velto-disk-full-" +
                              std::to_wstring(::GetCurrentProcessId()) + L"." +
                              FileExtension(f.type);
    EXPECT_TRUE(::CopyFileW(path.c_str(), copy.c_str(), FALSE));
    const ProbedAudio probed = ProbeAudio(copy);
    EXPECT_TRUE(probed.ok) << "ffprobe cannot read " << WideToUtf8(path);
    EXPECT_EQ(probed.sampleRate, f.sampleRate);
    EXPECT_EQ(probed.channels, f.channels);
    const std::vector<int16_t> samples = DecodeAudio(copy);
    ::DeleteFileW(copy.c_str());
    const double seconds = static_cast<double>(samples.size()) / (f.sampleRate * f.channels);
    EXPECT_GE(seconds, atLeastSeconds);
    // The file tells its own length (the MP3 stream has no header for it: players count).
    if (f.type != kRecordMp3) {
        EXPECT_NEAR(probed.duration, seconds, 0.2);
    }
    if (seconds > 1.5) {
        // The median period: a short gap in the tone on a loaded machine (the sink's, not
        // the file's) must not pull the pitch away.
        const std::vector<int16_t> middle =
            MiddleOfChannel(samples, f.channels, 0, f.sampleRate, 0.5);
        EXPECT_NEAR(MedianPitch(middle, f.sampleRate), kTone, kTone * 0.02);
    }
    return seconds;
}

bool StartsWith(const std::wstring& s, const std::wstring& prefix)
{
    return s.compare(0, prefix.size(), prefix) == 0;
}

class DiskFullTest : public testing::Test {
protected:
    void SetUp() override
    {
        if (!drive_.ok()) GTEST_SKIP() << "run through disk_full_test.sh, which mounts the drive";
        ASSERT_TRUE(drive_.Empty());
    }
    void TearDown() override
    {
        if (drive_.ok()) drive_.Empty();
    }

    SmallDrive drive_;
};

// ---- the real program ---------------------------------------------------------------------

class DiskFullProgramTest : public DiskFullTest {
protected:
    void TearDown() override
    {
        p_.Terminate();
        boxes_.reset();
        DeleteRecorderSettings();
        DiskFullTest::TearDown();
    }

    // The program with its save folder on the small drive, the type and row preset.
    void Launch(const Format& f)
    {
        p_.Terminate();
        boxes_.reset();
        DeleteRecorderSettings();
        SetRecorderString(L"SavePath", drive_.root());
        SetRecorderDword(L"AutoStop", 0);
        SetRecorderDword(L"RecordType", static_cast<DWORD>(f.type));
        SetRecorderDword(L"SelQuality", static_cast<DWORD>(f.quality));
        ASSERT_TRUE(p_.Start());
        boxes_ = std::make_unique<DialogWatcher>(p_.pid());
        file_ = drive_.File(std::wstring(L"Noname.") + FileExtension(f.type));
        ASSERT_TRUE(WaitUntil([&] { return PathBoxText(p_.window()) == file_; }, 10000))
            << "path box: " << WideToUtf8(PathBoxText(p_.window()));
    }

    bool Recording() const { return StatusText(p_.window()).find(L"DirectRecording") != std::wstring::npos; }

    // Presses record and waits until the time display shows `seconds` of recording.
    void RecordFor(int seconds)
    {
        mouse::LeftClick(p_.ToScreen(face::kRecordButton));
        mouse::MoveTo(p_.ToScreen(kRestingPoint));
        ASSERT_TRUE(WaitUntil([&] { return Recording(); }, kPatience))
            << "status: " << WideToUtf8(StatusText(p_.window()));
        ASSERT_TRUE(WaitUntil([&] { return time_.ReadSeconds(p_.window()) >= seconds; }, kPatience))
            << "the time display does not advance";
    }

    bool ShowsComplete() const
    {
        return StartsWith(StatusText(p_.window()), L"Recording Complete " + file_);
    }

    std::vector<std::wstring> BoxTexts() const
    {
        std::vector<std::wstring> texts;
        for (const SeenDialog& d : boxes_->Seen()) texts.push_back(d.text);
        return texts;
    }

    static constexpr POINT kRestingPoint{5, 140};
    RecorderProcess p_;
    std::unique_ptr<DialogWatcher> boxes_;
    TimeDisplayReader time_;
    std::wstring file_;
};

// Below 50 MiB nothing starts, for any type, and no file is made.
TEST_F(DiskFullProgramTest, StartWithLessThanFiftyMegabytesFreeIsRefused)
{
    ASSERT_TRUE(drive_.LeaveFree(45 * kMiB));
    std::printf("free at start: %.1f MiB\n", MiB(drive_.FreeBytes()));
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        ASSERT_NO_FATAL_FAILURE(Launch(f));
        mouse::LeftClick(p_.ToScreen(face::kRecordButton));
        mouse::MoveTo(p_.ToScreen(kRestingPoint));
        ASSERT_TRUE(boxes_->WaitFor(kRefusedText, kPatience));
        const std::vector<SeenDialog> seen = boxes_->Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].text, kRefusedText);
        EXPECT_EQ(seen[0].caption, L"VeltoRecorder");
        // Nothing began: no recording, no file, the display stays at zero.
        ::Sleep(1500);
        EXPECT_FALSE(Recording()) << WideToUtf8(StatusText(p_.window()));
        EXPECT_EQ(::GetFileAttributesW(file_.c_str()), INVALID_FILE_ATTRIBUTES);
        EXPECT_EQ(time_.ReadSeconds(p_.window()), 0);
        EXPECT_EQ(boxes_->Seen().size(), 1u);
    }
}

// The drive falls below 50 MiB while recording: the recording stops within about a second,
// with the notice, and the file is finished.
TEST_F(DiskFullProgramTest, FallingBelowFiftyMegabytesStopsTheRecordingWithTheNotice)
{
    SteadyTone tone(kTone, kAmplitude, 300.0);
    ASSERT_TRUE(tone.ok());
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        ASSERT_TRUE(drive_.Empty());
        ASSERT_NO_FATAL_FAILURE(Launch(f));
        const ULONGLONG freeAtStart = drive_.FreeBytes();
        ASSERT_NO_FATAL_FAILURE(RecordFor(2));
        ASSERT_TRUE(drive_.LeaveFree(45 * kMiB));
        const DWORD filled = ::GetTickCount();
        ASSERT_TRUE(boxes_->WaitFor(COutputFiles::kLowSpaceText, kPatience));
        ASSERT_TRUE(WaitUntil([&] { return ShowsComplete(); }, kPatience))
            << "status: " << WideToUtf8(StatusText(p_.window()));
        const DWORD stopMs = ::GetTickCount() - filled;
        EXPECT_EQ(BoxTexts(), std::vector<std::wstring>{COutputFiles::kLowSpaceText});
        const double seconds = ExpectDecodableRecording(file_, f, 1.8);
        std::printf("%s: free %.1f MiB at start, %.1f MiB at the stop; stopped %lu ms after the "
                    "fill; file %llu bytes, decodes to %.2f s\n",
                    f.name, MiB(freeAtStart), MiB(drive_.FreeBytes()), stopMs,
                    FileSize(file_), seconds);
        // The time display is back at zero and stays there.
        EXPECT_TRUE(WaitUntil([&] { return time_.ReadSeconds(p_.window()) == 0; }, 5000));
        EXPECT_FALSE(Recording());
    }
}

// The drive fills to the last byte while recording. Whichever comes first, the low-space
// stop or the failed write, the recording ends, the program answers, the file holds what was
// written, and once there is room again the next recording works.
TEST_F(DiskFullProgramTest, FullDriveEndsTheRecordingAndTheProgramRecordsAgainAfterwards)
{
    SteadyTone tone(kTone, kAmplitude, 300.0);
    ASSERT_TRUE(tone.ok());
    const std::vector<std::wstring> expectedBoxes = {
        COutputFiles::kLowSpaceText, kFileWriteError, kMp3WriteError, kWmaWriteError};
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        ASSERT_TRUE(drive_.Empty());
        ASSERT_NO_FATAL_FAILURE(Launch(f));
        ASSERT_NO_FATAL_FAILURE(RecordFor(2));
        ASSERT_TRUE(drive_.FillCompletely());
        const DWORD filled = ::GetTickCount();
        ASSERT_TRUE(WaitUntil([&] { return !Recording() && !boxes_->Seen().empty(); }, kPatience))
            << "status: " << WideToUtf8(StatusText(p_.window()));
        const DWORD stopMs = ::GetTickCount() - filled;
        // Late boxes (a write failure found while the stop ran) come within a moment.
        ::Sleep(2000);
        const std::vector<std::wstring> texts = BoxTexts();
        std::string told;
        for (const std::wstring& t : texts) {
            told += " \"" + WideToUtf8(t) + "\"";
            EXPECT_NE(std::find(expectedBoxes.begin(), expectedBoxes.end(), t), expectedBoxes.end())
                << WideToUtf8(t);
        }
        EXPECT_FALSE(Recording());
        EXPECT_TRUE(WaitUntil([&] { return time_.ReadSeconds(p_.window()) == 0; }, 5000));
        // Two seconds and more were recorded; what the buffers held when the disk refused
        // them is lost.
        const double seconds = ExpectDecodableRecording(file_, f, 1.2);
        std::printf("%s: full drive; stopped %lu ms after the fill, told:%s; file %llu bytes, "
                    "decodes to %.2f s\n",
                    f.name, stopMs, told.c_str(), FileSize(file_), seconds);

        // Room again: the same window records over the file (the question is answered yes).
        ASSERT_TRUE(drive_.RemoveFillers());
        boxes_->Clear();
        ASSERT_NO_FATAL_FAILURE(RecordFor(2));
        mouse::LeftClick(p_.ToScreen(face::kStopButton));
        mouse::MoveTo(p_.ToScreen(kRestingPoint));
        ASSERT_TRUE(WaitUntil([&] { return ShowsComplete(); }, kPatience))
            << "status: " << WideToUtf8(StatusText(p_.window()));
        ExpectDecodableRecording(file_, f, 1.8);
    }
}

// ---- the recorders' workers ---------------------------------------------------------------

std::unique_ptr<CRecorder> MakeRecorder(int type, RecorderHost& host)
{
    switch (type) {
        case kRecordMp3: return std::make_unique<CMp3Recorder>(host);
        case kRecordWma: return std::make_unique<CWmaRecorder>(host);
        default: return std::make_unique<CWavRecorder>(host);
    }
}

LPARAM LastElapsed(const TestHost& host)
{
    LPARAM last = -1;
    for (const Notification& n : host.received)
        if (n.what == NOTIFY_ELAPSED) last = n.value;
    return last;
}

bool Received(const TestHost& host, WPARAM what, const wchar_t* text = nullptr)
{
    for (const Notification& n : host.received) {
        if (n.what != what) continue;
        if (!text) return true;
        const auto* posted = reinterpret_cast<const wchar_t*>(n.value);
        if (posted && std::wstring(posted) == text) return true;
    }
    return false;
}

// A host that reports plenty of room whatever the drive holds: the main window's low-space
// stop never comes, so the workers meet the full drive themselves.
class DiskFullWorkerTest : public DiskFullTest {
protected:
    TestHost host_;
    DialogWatcher watcher_;
};

// Each worker finds its write refused: it reports the failure (WAV and WMA with NOTIFY_ERROR
// and their texts, MP3 with its message and NOTIFY_STOP), ends by itself, and Stop finishes
// the file at once.
TEST_F(DiskFullWorkerTest, WorkerReportsTheFailedWriteAndTheFileDecodesAsFarAsItGoes)
{
    SteadyTone tone(kTone, kAmplitude, 300.0);
    ASSERT_TRUE(tone.ok());
    g_autoStop.enabled = 0;
    for (const Format& f : kFormats) {
        SCOPED_TRACE(f.name);
        ASSERT_TRUE(drive_.Empty());
        watcher_.Clear();
        host_.received.clear();
        host_.recordType = f.type;
        host_.quality = f.quality;
        host_.outputPath = drive_.File(std::wstring(L"worker.") + FileExtension(f.type));
        auto recorder = MakeRecorder(f.type, host_);
        ASSERT_EQ(recorder->Start(), 1);
        ASSERT_TRUE(WaitUntil(
            [&] {
                host_.Drain();
                return LastElapsed(host_) >= 2;
            },
            kPatience))
            << "the capture delivers nothing";

        ASSERT_TRUE(drive_.FillCompletely());
        const DWORD filled = ::GetTickCount();
        bool reported = false;
        if (f.type == kRecordMp3) {
            // The host shows the worker's box as the window would, then hears the stop.
            reported = host_.WaitFor(NOTIFY_STOP, kPatience) &&
                       watcher_.WaitFor(kMp3WriteError, kPatience);
        } else {
            const wchar_t* text = f.type == kRecordWav ? kFileWriteError : kWmaWriteError;
            reported = WaitUntil(
                [&] {
                    host_.Drain();
                    return Received(host_, NOTIFY_ERROR, text);
                },
                kPatience);
        }
        const DWORD reportMs = ::GetTickCount() - filled;
        EXPECT_TRUE(reported) << "the failed write was not reported";
        EXPECT_TRUE(WaitUntil([&] { return !IsRecording(); }, kPatience))
            << "the worker goes on after the failure";

        const DWORD stopStart = ::GetTickCount();
        EXPECT_EQ(recorder->Stop(), 1);
        recorder.reset();
        const DWORD stopMs = ::GetTickCount() - stopStart;
        EXPECT_LT(stopMs, kStopLimitMs);
        host_.Drain();
        EXPECT_FALSE(Received(host_, NOTIFY_LIMIT));

        const ULONGLONG size = FileSize(host_.outputPath);
        const double seconds = ExpectDecodableRecording(host_.outputPath, f, 1.2);
        std::printf("%s worker: failure reported %lu ms after the fill (%s); stop took %lu ms; "
                    "file %llu bytes, decodes to %.2f s\n",
                    f.name, reportMs, reported ? "yes" : "no", stopMs, size, seconds);
        // Only the MP3 worker asks for a box of its own.
        const std::vector<SeenDialog> seen = watcher_.Seen();
        if (f.type == kRecordMp3) {
            ASSERT_EQ(seen.size(), 1u);
            EXPECT_EQ(seen[0].text, kMp3WriteError);
            EXPECT_EQ(seen[0].caption, L"Error");
        } else {
            EXPECT_TRUE(seen.empty());
        }
    }
    g_autoStop.enabled = 1;
}

}  // namespace

// WMA recordings end to end: a tone played into the sound card, recorded by CWmaRecorder at
// each quality row with auto-stop, written by the real WmAudSDK.dll, then read back with the
// Linux ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

#include "common/ProgramFolder.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/WmaRecorder.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestHost.h"
#include "tests/support/Tone.h"
#include "tests/wma/WmaProbe.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr double kTone = 1000.0;
constexpr double kAmplitude = 16384.0;
constexpr int kAutoStopSeconds = 2;

struct RowCase {
    int row;
    const wchar_t* fileName;
};

// Every row a user can pick; one file name is Korean, as users' names are.
const RowCase kRows[] = {
    {0, L"row0.wma"}, {1, L"row1.wma"}, {2, L"녹음 2번.wma"}, {3, L"row3.wma"},
    {4, L"row4.wma"}, {5, L"row5.wma"}, {6, L"row6.wma"},     {7, L"row7.wma"},
};

TEST(WmaRecording, EveryRowRecordsThePlayedToneForTheAutoStopTime)
{
    TempFolder temp{L"wma-recording"};
    const std::wstring& folder = temp.path();
    DialogWatcher watcher;
    g_autoStop.enabled = 1;
    g_autoStop.seconds = kAutoStopSeconds;
    TonePlayer tone(kTone, kAmplitude, 120.0);
    ASSERT_TRUE(tone.ok());
    ::Sleep(300);

    for (const RowCase& c : kRows) {
        SCOPED_TRACE(testing::Message() << "row " << c.row);
        TestHost host;
        host.recordType = kRecordWma;
        host.quality = c.row;
        host.outputPath = folder + c.fileName;
        {
            CWmaRecorder recorder(host);
            ASSERT_EQ(recorder.Start(), 1);
            ASSERT_TRUE(host.WaitFor(NOTIFY_LIMIT, 60000));
            EXPECT_EQ(recorder.Stop(), 1);
            EXPECT_FALSE(recorder.holdsWriter());
        }
        EXPECT_FALSE(IsRecording());
        for (const Notification& n : host.received)
            EXPECT_TRUE(n.what == NOTIFY_ELAPSED || n.what == NOTIFY_LIMIT) << n.what;
        ASSERT_TRUE(FileExists(host.outputPath));

        // The Linux tools get a plain name.
        const std::wstring probedPath = folder + L"probed-" + std::to_wstring(c.row) + L".wma";
        ASSERT_TRUE(::MoveFileW(host.outputPath.c_str(), probedPath.c_str()));
        ExpectWmaRecordingOfTone(probedPath, c.row, kAutoStopSeconds, kTone, kAmplitude);
    }
    EXPECT_TRUE(watcher.Seen().empty());
}

}  // namespace

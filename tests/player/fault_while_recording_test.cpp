// A plug-in's decoding thread faults while the recorder records: the thread ends, the play
// ends with the end message, and the recording runs on undisturbed to a finished file that
// holds the tone whole. Through Ravelplay.dll and the real out_wave.dll, as the recorder has
// them; the faulting input plug-in is the scripted fixture (a real one cannot fault on cue).
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/ProgramFolder.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/WavRecorder.h"
#include "recorder/ui/PlayerLibrary.h"
#include "tests/player/PlayerTestSupport.h"
#include "tests/support/TestHost.h"
#include "tests/support/Tone.h"
#include "tests/wav/WavFileCheck.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr double kTone = 1000.0;
constexpr double kAmplitude = 16384.0;
constexpr double kExpectedLevel = kAmplitude * 2.0 / 3.14159265358979;
constexpr DWORD kPatience = 30000;

bool WaitForSecond(TestHost& host, LPARAM seconds)
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < kPatience) {
        host.Drain();
        for (const Notification& n : host.received)
            if (n.what == NOTIFY_ELAPSED && n.value >= seconds) return true;
        ::Sleep(20);
    }
    return false;
}

TEST(FaultWhileRecording, ThePluginsThreadEndsAndTheRecordingRunsOn)
{
    PluginFolder plugins;
    InputScript* faulty = plugins.AddInput(L"in_faulty.dll", "xyz");
    ASSERT_NE(faulty, nullptr);
    faulty->length = 60000;
    faulty->fault.entry = kFaultDecodeThread;
    faulty->fault.kind = kAccessViolation;
    faulty->fault.afterMs = 500;
    const std::wstring outWave = ProgramFolder() + L"Plugins\\out_wave.dll";
    ASSERT_TRUE(::CopyFileW(outWave.c_str(), (plugins.path() + L"\\out_wave.dll").c_str(), FALSE));

    MessageWindow window;
    PlayerLibrary player;
    ASSERT_TRUE(player.Load(PlayerLibrary::kLibraryName));
    ASSERT_EQ(player.InitInputPlugins(window.hwnd(), plugins.path()), 1);
    player.InitOutputPlugins(window.hwnd(), plugins.path(), PlayerLibrary::kOutputPlugin);
    ASSERT_NE(player.outputModule(), nullptr);

    TempFolder folder(L"velto-fault-recording");
    TestHost host;
    host.recordType = kRecordWav;
    host.quality = 14;
    host.outputPath = folder.File(L"recording.wav");
    g_autoStop.enabled = 0;
    TonePlayer tone(kTone, kAmplitude);
    ASSERT_TRUE(tone.ok());
    auto recorder = std::make_unique<CWavRecorder>(host);
    ASSERT_EQ(recorder->Start(), 1);
    ASSERT_TRUE(WaitForSecond(host, 1));

    ASSERT_TRUE(player.Play(L"C:\\music\\song.xyz", 100, 0));
    EXPECT_EQ(player.GetCurrentState(), static_cast<int>(PlayState::Playing));
    EXPECT_TRUE(window.WaitFor(WM_RAVELPLAY_END, 10000)) << "the play did not end";
    EXPECT_EQ(faulty->fault.faults, 1);
    EXPECT_EQ(player.GetCurrentState(), static_cast<int>(PlayState::Stopped));

    ASSERT_TRUE(WaitForSecond(host, 4));
    EXPECT_EQ(recorder->Stop(), 1);
    recorder.reset();
    g_autoStop.enabled = 1;
    const WavFile wav = ReadFinishedWav(host.outputPath, MakePcmFormat(2, 44100));
    EXPECT_GE(wav.dataLength, 4u * 176400);
    ExpectCleanTone(wav.samples, 2, 44100, kTone, kExpectedLevel);
    EXPECT_EQ(player.Unload(), 1);
}

}  // namespace

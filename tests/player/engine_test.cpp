// The playback engine driven directly, with scripted fixture plug-ins and a manual clock: the
// tests tick it themselves, so the end-of-play rules are checked tick by tick.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "player/PlayerEngine.h"
#include "tests/player/PlayerTestSupport.h"

using namespace velto;
using namespace velto::test;

namespace {

// One input plug-in ("in_a.dll", extension text "mp3") and one output plug-in ("out_a.dll"),
// discovered and selected, with a window for the end-of-play message.
struct Rig {
    explicit Rig(const char* extensions = "mp3", TickTimer::Mode clock = TickTimer::Mode::Manual)
        : engine(clock)
    {
        in = folder.AddInput(L"in_a.dll", extensions);
        out = folder.AddOutput(L"out_a.dll");
    }
    // Discovery after the scripts are set: the host reads versions and extensions then.
    void Discover(bool selectOutput = true)
    {
        engine.InitInputPlugins(window.hwnd(), folder.ansi().c_str());
        engine.InitOutputPlugins(window.hwnd(), folder.ansi().c_str());
        if (selectOutput) engine.SetCurrentOutPlugin("out_a.dll");
    }
    int Play(const char* path = "C:\\music\\song.mp3") { return engine.Play(path, 200, -20); }
    int EndMessages() { return static_cast<int>(window.Take(WM_RAVELPLAY_END).size()); }

    PluginFolder folder;
    MessageWindow window;
    InputScript* in = nullptr;
    OutputScript* out = nullptr;
    PlayerEngine engine;
};

// ---- choosing the input plug-in ----

struct SelectionCase {
    const char* name;
    const char* extensions;
    int isOurFile;
    int throwInIsOurFile;
    const char* path;
    int started;
};

class Selection : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(Selection, ByIsOurFileOrByTheFilesLastThreeCharacters)
{
    const SelectionCase& c = GetParam();
    Rig rig(c.extensions);
    rig.in->isOurFile = c.isOurFile;
    rig.in->throwInIsOurFile = c.throwInIsOurFile;
    rig.Discover();
    EXPECT_EQ(rig.engine.Play(c.path, 255, 0), c.started);
    EXPECT_EQ(rig.in->playCalls, c.started);
    EXPECT_EQ(rig.engine.GetCurrentState(), c.started ? PlayState::Playing : PlayState::Stopped);
    // Chosen or not, the current record is the (last) one tried.
    EXPECT_STREQ(rig.engine.CurrentInputRecord()->fileName, "in_a.dll");
}

INSTANTIATE_TEST_SUITE_P(
    Player, Selection,
    ::testing::Values(SelectionCase{"LowerCaseExtension", "mp3", 0, 0, "C:\\a\\song.mp3", 1},
                      SelectionCase{"UpperCaseFileName", "mp3", 0, 0, "C:\\A\\SONG.MP3", 1},
                      SelectionCase{"UpperCaseExtensionText", "MP3;MP2", 0, 0, "x.mp2", 1},
                      SelectionCase{"NotOurs", "wav", 0, 0, "C:\\a\\song.mp3", 0},
                      SelectionCase{"ClaimedByIsOurFile", "wav", 1, 0, "C:\\a\\song.mp3", 1},
                      SelectionCase{"LastThreeCharactersOnly", "mp3", 0, 0, "C:\\a\\mp3.ogg", 0},
                      // A plug-in whose IsOurFile throws has faulted: it is not called
                      // again, so not even its extension chooses it.
                      SelectionCase{"ThrowingIsOurFileIsNotChosenByItsExtension", "mp3", 0, 1,
                                    "song.mp3", 0},
                      SelectionCase{"ThrowingIsOurFileIsNotOurs", "wav", 1, 1, "song.mp3", 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlayerEngine, ChoosesThePluginWhoseExtensionMatchesAmongSeveral)
{
    Rig rig("wav");
    InputScript* mp3 = rig.folder.AddInput(L"in_b.dll", "mp3;mp2");
    InputScript* wma = rig.folder.AddInput(L"in_c.dll", "wma");
    rig.Discover();
    ASSERT_EQ(rig.engine.inputCount(), 3);
    EXPECT_EQ(rig.engine.Play("D:\\rec\\TAKE1.MP3", 255, 0), 1);
    EXPECT_EQ(mp3->playCalls, 1);
    EXPECT_EQ(rig.in->playCalls + wma->playCalls, 0);
    EXPECT_STREQ(rig.engine.CurrentInputRecord()->fileName, "in_b.dll");
}

TEST(PlayerEngine, NoInputPluginsMeansNoPlay)
{
    PluginFolder empty;
    PlayerEngine engine(TickTimer::Mode::Manual);
    EXPECT_EQ(engine.Play("song.mp3", 255, 0), 0);
    EXPECT_EQ(engine.GetCurrentState(), PlayState::Stopped);
    EXPECT_EQ(engine.CurrentInputRecord()->module, nullptr);
}

// ---- what must hold before the plug-in plays ----

struct VersionCase {
    const char* name;
    int inVersion;
    int usesOutputPlug;
    int outVersion;
    bool outputSelected;
    int started;
    bool outputWired;  // the play got as far as handing the output to the input module
};

class Preconditions : public ::testing::TestWithParam<VersionCase> {};

TEST_P(Preconditions, VersionsOutputUseAndAnOutputPlugin)
{
    const VersionCase& c = GetParam();
    Rig rig;
    rig.in->version = c.inVersion;
    rig.in->usesOutputPlug = c.usesOutputPlug;
    rig.out->version = c.outVersion;
    rig.Discover(c.outputSelected);
    const int inInits = rig.in->initCalls, outInits = rig.out->initCalls;
    EXPECT_EQ(rig.Play(), c.started);
    EXPECT_EQ(rig.in->playCalls, c.started);
    // Init ran at discovery; a play never runs it again.
    EXPECT_EQ(rig.in->initCalls, inInits);
    EXPECT_EQ(rig.out->initCalls, outInits);
    EXPECT_EQ(rig.engine.GetCurrentState(), c.started ? PlayState::Playing : PlayState::Stopped);
    EXPECT_EQ(rig.engine.timerRunning(), c.started == 1);
    if (c.outputWired) {
        EXPECT_EQ(rig.in->outModAtPlay == nullptr, c.started == 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Player, Preconditions,
    ::testing::Values(VersionCase{"AllRight", 0x100, 1, 0x10, true, 1, true},
                      VersionCase{"WrongInputVersion", 0x101, 1, 0x10, true, 0, false},
                      VersionCase{"NoOutputPlugUse", 0x100, 0, 0x10, true, 0, false},
                      VersionCase{"NoOutputPlugin", 0x100, 1, 0x10, false, 0, false},
                      VersionCase{"WrongOutputVersion", 0x100, 1, 0x11, true, 0, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlayerEngine, AFailingPluginPlayLeavesStoppedWithNoLength)
{
    Rig rig;
    rig.in->playResult = -1;
    rig.in->length = 5000;
    rig.Discover();
    EXPECT_EQ(rig.Play(), 0);
    EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Stopped);
    EXPECT_EQ(rig.engine.GetTotalTime(), 0);
    EXPECT_FALSE(rig.engine.timerRunning());
}

// A C++ exception that leaves the plug-in's Play is a fault like any other: the play fails as
// a refusal does (plugin_fault_test has the rest).
TEST(PlayerEngine, AnExceptionInsidePlayStaysInsideAndFailsThePlay)
{
    Rig rig;
    rig.in->throwInPlay = 1;
    rig.Discover();
    EXPECT_EQ(rig.Play(), 0);
    EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Stopped);
    EXPECT_FALSE(rig.engine.timerRunning());
}

TEST(PlayerEngine, PlayWiresVolumePanLengthAndTheHostCallbacks)
{
    Rig rig;
    rig.in->length = 0;  // no length from GetLength: GetFileInfo gives it
    rig.in->fileInfoLength = 7300;
    rig.in->infoOnPlay[0] = 128;
    rig.in->infoOnPlay[1] = 44;
    rig.in->infoOnPlay[2] = 2;
    rig.in->samplesOnPlay = 1234;
    rig.Discover();
    ASSERT_EQ(rig.Play("C:\\x\\tone.mp3"), 1);
    EXPECT_STREQ(rig.in->lastPlayed, "C:\\x\\tone.mp3");
    EXPECT_EQ(rig.in->lastVolume, 200);
    EXPECT_EQ(rig.out->lastVolume, 200);
    EXPECT_EQ(rig.in->lastPan, -20);
    EXPECT_EQ(rig.out->lastPan, -20);
    EXPECT_EQ(rig.engine.GetTotalTime(), 7300);
    EXPECT_EQ(rig.engine.totalSeconds(), 7);
    EXPECT_EQ(rig.engine.GetBitrate(), 128);
    EXPECT_EQ(rig.engine.GetSampleRate(), 44);
    EXPECT_EQ(rig.engine.GetStereo(), 2);
    // The block handed to SAAddPCMData is queued with 575 of its bytes.
    SampleBlock block{};
    rig.engine.SetSpectrumData(1234, &block);
    EXPECT_EQ(block.timeStamp, 1234);
    EXPECT_EQ(block.length, 575);
}

TEST(PlayerEngine, WmaLengthIsAskedBeforeThePlayOthersAfter)
{
    for (const char* ext : {"wma", "mp3"}) {
        SCOPED_TRACE(ext);
        Rig rig(ext);
        rig.in->length = 4200;
        rig.Discover();
        const std::string path = std::string("C:\\x\\rec.") + ext;
        ASSERT_EQ(rig.engine.Play(path.c_str(), 255, 0), 1);
        EXPECT_EQ(rig.in->lengthCallsBeforePlay, std::strcmp(ext, "wma") == 0 ? 1 : 0);
        EXPECT_EQ(rig.engine.GetTotalTime(), 4200);
    }
}

// ---- the end of a play, tick by tick ----

struct EndCase {
    const char* name;
    int length;                    // GetLength, ms
    int isPlaying;                 // the output plug-in's answer
    std::vector<int> outputTimes;  // one per tick
    int endsAtTick;                // -1: never within these ticks
};

class FileModeEnd : public ::testing::TestWithParam<EndCase> {};

TEST_P(FileModeEnd, EndsAsTheRulesSay)
{
    const EndCase& c = GetParam();
    Rig rig;
    rig.in->length = c.length;
    rig.out->isPlaying = c.isPlaying;
    rig.Discover();
    ASSERT_EQ(rig.Play(), 1);
    int endedAt = -1;
    for (size_t i = 0; i < c.outputTimes.size() && endedAt < 0; ++i) {
        rig.out->outputTime = c.outputTimes[i];
        rig.engine.Tick();
        if (rig.engine.GetCurrentState() == PlayState::Stopped) endedAt = static_cast<int>(i);
    }
    EXPECT_EQ(endedAt, c.endsAtTick);
    EXPECT_EQ(rig.EndMessages(), c.endsAtTick >= 0 ? 1 : 0);
    EXPECT_EQ(rig.in->stopCalls, c.endsAtTick >= 0 ? 1 : 0);
    EXPECT_EQ(rig.engine.timerRunning(), c.endsAtTick < 0);
}

INSTANTIATE_TEST_SUITE_P(
    Player, FileModeEnd,
    ::testing::Values(
        // Still playing: ends once the second is at least total-1 and did not just change...
        EndCase{"PlayingLastSecondWithoutChange", 5000, 1, {1000, 2000, 3000, 4000, 4500}, 4},
        // ...or once it reaches the total.
        EndCase{"PlayingReachesTotal", 5000, 1, {1000, 2000, 3000, 4000, 5000}, 4},
        EndCase{"PlayingShortOfTheEnd", 5000, 1, {1000, 2000, 2000, 3000, 3000}, -1},
        // The output has drained: ends at the first tick whose second did not change.
        EndCase{"DrainedAndStill", 5000, 0, {1000, 2000, 2400}, 2},
        EndCase{"DrainedButMoving", 5000, 0, {1000, 2000, 3000}, -1},
        // A total of -824 seconds means no length: never ends by itself.
        EndCase{"NoLengthExact", -824000, 0, {1000, 1000, 9000, 9000}, -1},
        EndCase{"NoLengthThousandthPart", -824999, 0, {1000, 1000, 1000}, -1},
        EndCase{"NothingHeardYet", 5000, 0, {0, 0, -1, 0}, -1},
        // Nothing heard and nothing left to hear, tick after tick: too little sound to move
        // the output time, or none at all. Ends rather than plays for ever...
        EndCase{"NothingEverHeard", 5000, 0, {0, 0, 0, 0, 0, 0, 0}, 4},
        // ...but not while the output still has sound to play.
        EndCase{"NothingHeardButQueued", 5000, 1, {0, 0, 0, 0, 0, 0, 0}, -1},
        EndCase{"NothingHeardWithoutALength", -824000, 0, {0, 0, 0, 0, 0, 0, 0}, -1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlayerEngine, TheEndMessageGoesToThePluginsMainWindow)
{
    Rig rig;
    rig.in->length = 2000;
    rig.Discover();
    ASSERT_EQ(rig.Play(), 1);
    EXPECT_EQ(rig.engine.totalSeconds(), 2);
    rig.out->outputTime = 2000;
    rig.engine.Tick();
    std::vector<MSG> messages = rig.window.Take(WM_RAVELPLAY_END);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message, 1027u);
    EXPECT_EQ(messages[0].wParam, 1u);
    EXPECT_EQ(messages[0].lParam, 0);
    // The timer is gone: later ticks do nothing more.
    rig.engine.Tick();
    EXPECT_EQ(rig.EndMessages(), 0);
    EXPECT_EQ(rig.in->stopCalls, 1);
}

TEST(PlayerEngine, TheMultimediaTimerEndsThePlayAndNeverRacesTheCaller)
{
    Rig rig("mp3", TickTimer::Mode::Multimedia);
    rig.in->length = 1000;
    rig.out->outputTime = 1500;  // past the end: the first tick ends the play
    rig.Discover();
    ASSERT_EQ(rig.Play(), 1);
    MSG end{};
    ASSERT_TRUE(rig.window.WaitFor(WM_RAVELPLAY_END, 5000, &end));
    EXPECT_EQ(end.wParam, 1u);
    EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Stopped);
    EXPECT_FALSE(rig.engine.timerRunning());

    // The caller plays and stops while ticks end plays on the timer's thread: both stop the
    // same plug-in, and neither may crash or wait for the other for good.
    const int stopsBefore = rig.in->stopCalls;
    int loops = 0;
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < 3500) {
        ASSERT_EQ(rig.Play(), 1);
        ::Sleep(loops % 7);
        EXPECT_EQ(rig.engine.Stop(), 1);
        ++loops;
    }
    const int ends = rig.EndMessages();
    EXPECT_EQ(rig.in->stopCalls - stopsBefore, loops + ends);
    EXPECT_FALSE(rig.engine.timerRunning());
}

TEST(PlayerEngine, APausedPlayDoesNotEnd)
{
    Rig rig;
    rig.in->length = 3000;
    rig.Discover();
    ASSERT_EQ(rig.Play(), 1);
    rig.engine.Pause();
    for (int t : {1000, 3000, 3000, 3000}) {
        rig.out->outputTime = t;
        rig.engine.Tick();
    }
    EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Paused);
    EXPECT_EQ(rig.EndMessages(), 0);
}

struct StreamCase {
    const char* name;
    int isPlaying;
    std::vector<int> outputTimes;
    int endsAtTick;
};

class StreamModeEnd : public ::testing::TestWithParam<StreamCase> {};

TEST_P(StreamModeEnd, EndsWhenTheOutputIsIdleAndTheSecondStandsStill)
{
    const StreamCase& c = GetParam();
    Rig rig;
    rig.in->length = 0;  // a stream reports no length
    rig.out->isPlaying = c.isPlaying;
    rig.Discover();
    ASSERT_EQ(rig.engine.PlayUrl("http://radio.example/live", 255, 0), 1);
    EXPECT_EQ(rig.engine.GetTotalTime(), 1000000);
    EXPECT_EQ(rig.engine.totalSeconds(), PlayerEngine::kNoLength);
    int endedAt = -1;
    for (size_t i = 0; i < c.outputTimes.size() && endedAt < 0; ++i) {
        rig.out->outputTime = c.outputTimes[i];
        rig.engine.Tick();
        if (rig.engine.GetCurrentState() == PlayState::Stopped) endedAt = static_cast<int>(i);
    }
    EXPECT_EQ(endedAt, c.endsAtTick);
    EXPECT_EQ(rig.EndMessages(), c.endsAtTick >= 0 ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Player, StreamModeEnd,
                         ::testing::Values(StreamCase{"StillPlaying", 1, {1000, 1000, 1000}, -1},
                                           StreamCase{"IdleAndStill", 0, {1000, 1500}, 1},
                                           StreamCase{"IdleButMoving", 0, {1000, 2000, 3000}, -1}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlayerEngine, AStreamIsChosenByIsOurFileOrAnMp3Extension)
{
    Rig rig("wav");
    InputScript* mp3 = rig.folder.AddInput(L"in_b.dll", "mp3");
    rig.Discover();
    EXPECT_EQ(rig.engine.PlayUrl("http://radio.example/live.wav", 255, 0), 1);
    EXPECT_EQ(mp3->playCalls, 1);
    EXPECT_EQ(rig.in->playCalls, 0);
}

TEST(PlayerEngine, AFailingStreamPlayLeavesTheLengthUnknown)
{
    Rig rig;
    rig.in->playResult = 1;
    rig.Discover();
    EXPECT_EQ(rig.engine.PlayUrl("http://radio.example/live", 255, 0), 0);
    EXPECT_EQ(rig.engine.GetTotalTime(), -1);
    EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Stopped);
}

// ---- seek, pause, volume and pan ----

enum class Before { NothingPlayed, Playing, Paused, Stopped };

struct SeekCase {
    const char* name;
    Before before;
    bool pluginsCalled;
    bool queueFlushed;
};

class Seek : public ::testing::TestWithParam<SeekCase> {};

TEST_P(Seek, FlushesTheQueueAndCallsThePluginsOnlyWhilePlayingOrPaused)
{
    const SeekCase& c = GetParam();
    Rig rig;
    rig.in->length = 60000;
    rig.Discover();
    if (c.before != Before::NothingPlayed) {
        ASSERT_EQ(rig.Play(), 1);
    }
    if (c.before == Before::Paused) rig.engine.Pause();
    if (c.before == Before::Stopped) rig.engine.Stop();
    rig.engine.queue().Store(100, "abc", 3);
    rig.engine.SeekToPosition(30000);
    EXPECT_EQ(rig.engine.queue().TimeStamps().empty(), c.queueFlushed);
    EXPECT_EQ(rig.in->setOutputTimeCalls, c.pluginsCalled ? 1 : 0);
    EXPECT_EQ(rig.out->flushCalls, c.pluginsCalled ? 1 : 0);
    if (c.pluginsCalled) {
        EXPECT_EQ(rig.in->lastOutputTime, 30000);
        EXPECT_EQ(rig.out->lastFlush, 31000);  // one second beyond
        // The output first, so the input plug-in's own flush at the position comes last.
        EXPECT_LE(rig.out->lastFlushAt.QuadPart, rig.in->lastOutputTimeAt.QuadPart);
    }
}

INSTANTIATE_TEST_SUITE_P(Player, Seek,
                         ::testing::Values(SeekCase{"NothingPlayed", Before::NothingPlayed, false,
                                                    false},
                                           SeekCase{"Playing", Before::Playing, true, true},
                                           SeekCase{"Paused", Before::Paused, true, true},
                                           SeekCase{"Stopped", Before::Stopped, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlayerEngine, PauseTogglesBetweenPlayingAndPausedOnly)
{
    Rig rig;
    rig.Discover();
    rig.engine.Pause();  // nothing played yet
    EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Idle);
    ASSERT_EQ(rig.Play(), 1);
    rig.engine.Pause();
    EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Paused);
    rig.engine.Pause();
    EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Playing);
    rig.engine.Pause();
    EXPECT_EQ(rig.in->pauseCalls, 2);
    EXPECT_EQ(rig.in->unpauseCalls, 1);
    EXPECT_EQ(rig.engine.Stop(), 1);
    rig.engine.Pause();
    EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Stopped);
    EXPECT_EQ(rig.in->pauseCalls, 2);
}

TEST(PlayerEngine, StopAnswersWhetherAnInputPluginWasCurrent)
{
    Rig rig;
    rig.Discover();
    EXPECT_EQ(rig.engine.Stop(), 0);
    ASSERT_EQ(rig.Play(), 1);
    EXPECT_EQ(rig.engine.Stop(), 1);
    EXPECT_EQ(rig.in->stopCalls, 1);
    EXPECT_FALSE(rig.engine.timerRunning());
    EXPECT_FALSE(rig.engine.queue().isOpen());
}

TEST(PlayerEngine, VolumeAndPanGoToTheInputAndTheCurrentOutput)
{
    Rig rig;
    rig.Discover();
    // No input plug-in yet: the output alone.
    rig.engine.SetVolume(10);
    rig.engine.SetPan(11);
    EXPECT_EQ(rig.in->setVolumeCalls + rig.in->setPanCalls, 0);
    EXPECT_EQ(rig.out->lastVolume, 10);
    EXPECT_EQ(rig.out->lastPan, 11);
    ASSERT_EQ(rig.Play(), 1);
    rig.engine.SetVolume(20);
    rig.engine.SetPan(-21);
    EXPECT_EQ(rig.in->lastVolume, 20);
    EXPECT_EQ(rig.out->lastVolume, 20);
    EXPECT_EQ(rig.in->lastPan, -21);
    EXPECT_EQ(rig.out->lastPan, -21);
    // No output plug-in any more: the input alone.
    rig.engine.SetCurrentOutPlugin("none.dll");
    const int outCalls = rig.out->setVolumeCalls + rig.out->setPanCalls;
    rig.engine.SetVolume(30);
    rig.engine.SetPan(31);
    EXPECT_EQ(rig.in->lastVolume, 30);
    EXPECT_EQ(rig.in->lastPan, 31);
    EXPECT_EQ(rig.out->setVolumeCalls + rig.out->setPanCalls, outCalls);
}

// ---- output selection ----

struct OutputNameCase {
    const char* name;
    const char* asked;
    bool found;
};

class OutputSelection : public ::testing::TestWithParam<OutputNameCase> {};

TEST_P(OutputSelection, MatchesTheFileNameExactly)
{
    const OutputNameCase& c = GetParam();
    Rig rig;
    rig.Discover(false);
    rig.engine.SetCurrentOutPlugin(c.asked);
    const PluginRecord* current = rig.engine.CurrentOutputRecord();
    if (c.found) {
        EXPECT_STREQ(current->fileName, "out_a.dll");
        EXPECT_NE(current->out, nullptr);
        EXPECT_EQ(rig.engine.GetWrittenTime(), rig.out->writtenTime);
    } else {
        EXPECT_EQ(current->module, nullptr);
        EXPECT_EQ(current->out, nullptr);
        EXPECT_EQ(rig.engine.GetWrittenTime(), -1);
    }
}

INSTANTIATE_TEST_SUITE_P(Player, OutputSelection,
                         ::testing::Values(OutputNameCase{"Exact", "out_a.dll", true},
                                           OutputNameCase{"OtherCase", "OUT_A.DLL", false},
                                           OutputNameCase{"Prefix", "out_a.dl", false},
                                           OutputNameCase{"TrailingSpace", "out_a.dll ", false},
                                           OutputNameCase{"Empty", "", false},
                                           OutputNameCase{"Null", nullptr, false}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PlayerEngine, SelectingAnOutputStopsThePlayButLeavesTheTimer)
{
    Rig rig;
    rig.Discover();
    ASSERT_EQ(rig.Play(), 1);
    rig.engine.SetCurrentOutPlugin("out_a.dll");
    EXPECT_EQ(rig.in->stopCalls, 1);
    EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Stopped);
    EXPECT_TRUE(rig.engine.timerRunning());
    EXPECT_STREQ(rig.engine.CurrentOutputRecord()->fileName, "out_a.dll");
    // A tick finds the play stopped and posts nothing.
    rig.out->outputTime = 5000;
    rig.engine.Tick();
    EXPECT_EQ(rig.EndMessages(), 0);
}

// ---- equaliser ----

TEST(PlayerEngine, TheEqualiserIsAppliedOnlyWithANonZeroFirstBand)
{
    Rig rig;
    rig.Discover();
    ASSERT_EQ(rig.Play(), 1);
    const char unset[10] = {0, 5, 5, 5, 5, 5, 5, 5, 5, 5};
    EXPECT_EQ(rig.engine.SetEQValue(unset, 20), 1);
    EXPECT_EQ(rig.engine.EnableEQualizer(1), 1);
    EXPECT_EQ(rig.in->eqCalls, 0);

    const char bands[10] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    EXPECT_EQ(rig.engine.SetEQValue(bands, 40), 1);
    EXPECT_EQ(rig.in->eqCalls, 0);  // stored only
    EXPECT_EQ(rig.engine.EnableEQualizer(1), 1);
    ASSERT_EQ(rig.in->eqCalls, 1);
    EXPECT_EQ(rig.in->eqOn, 1);
    EXPECT_EQ(rig.in->eqPreamp, 40);
    EXPECT_EQ(std::memcmp(rig.in->eqBands, bands, 10), 0);

    // A null band pointer stores nothing: the next application has the old values.
    EXPECT_EQ(rig.engine.SetEQValue(nullptr, 99), 0);
    EXPECT_EQ(rig.engine.EnableEQualizer(0), 0);
    ASSERT_EQ(rig.in->eqCalls, 2);
    EXPECT_EQ(rig.in->eqOn, 0);
    EXPECT_EQ(rig.in->eqPreamp, 40);

    // And each play applies it again.
    rig.engine.Stop();
    ASSERT_EQ(rig.Play(), 1);
    EXPECT_EQ(rig.in->eqCalls, 3);
}

TEST(PlayerEngine, QueriesWithoutAPlay)
{
    Rig rig;
    rig.Discover();
    EXPECT_EQ(rig.engine.GetTotalTime(), -1);
    EXPECT_EQ(rig.engine.GetCurrentTotalTime(), -1);
    EXPECT_EQ(rig.engine.GetOutputTime(), -1);
    EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Idle);
    EXPECT_EQ(rig.engine.GetBitrate(), 0);
    EXPECT_EQ(rig.engine.totalSeconds(), PlayerEngine::kNoLength);
    rig.engine.OutPluginConfig(rig.window.hwnd());
    EXPECT_EQ(rig.out->configCalls, 1);
    EXPECT_EQ(rig.out->lastConfigParent, rig.window.hwnd());
}

// ---- the visualisation queue ----

struct FetchCase {
    const char* name;
    std::vector<int> stamps;
    int time;
    int returned;  // -1: the caller's block is left as it was
    std::vector<int> left;
};

class SampleQueueFetch : public ::testing::TestWithParam<FetchCase> {};

TEST_P(SampleQueueFetch, GivesTheNearestBlockAndDiscardsOlderOnes)
{
    const FetchCase& c = GetParam();
    SampleQueue queue;
    queue.Reset();
    for (int stamp : c.stamps) {
        unsigned char data[576];
        std::memset(data, stamp & 0xFF, sizeof data);
        queue.Store(stamp, data, 575);
    }
    SampleBlock block{};
    block.timeStamp = -7;
    queue.Fetch(c.time, &block);
    EXPECT_EQ(block.timeStamp, c.returned == -1 ? -7 : c.returned);
    if (c.returned != -1) {
        EXPECT_EQ(block.length, 575);
        EXPECT_EQ(block.data[574], static_cast<unsigned char>(c.returned & 0xFF));
    }
    EXPECT_EQ(queue.TimeStamps(), c.left);
}

INSTANTIATE_TEST_SUITE_P(
    Player, SampleQueueFetch,
    ::testing::Values(FetchCase{"Between", {0, 100, 200}, 90, 100, {200}},
                      FetchCase{"PastTheLast", {0, 100, 200}, 250, 200, {100, 200}},
                      FetchCase{"BeforeTheFirst", {0, 100, 200}, -50, 0, {100, 200}},
                      FetchCase{"OnlyOne", {40}, 1000, 40, {40}},
                      FetchCase{"Empty", {}, 90, -1, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SampleQueue, ARepeatedTimeGivesNothingNew)
{
    SampleQueue queue;
    queue.Reset();
    for (int stamp : {0, 100, 200, 300}) queue.Store(stamp, "x", 1);
    SampleBlock block{};
    queue.Fetch(90, &block);
    EXPECT_EQ(block.timeStamp, 100);
    block.timeStamp = -7;
    queue.Fetch(90, &block);
    EXPECT_EQ(block.timeStamp, -7);
    EXPECT_EQ(queue.TimeStamps(), (std::vector<int>{200, 300}));
}

TEST(SampleQueue, KeepsTheNewestBlocksWhenNobodyFetches)
{
    SampleQueue queue;
    const int total = static_cast<int>(SampleQueue::kMaxBlocks) + 10;
    for (int i = 0; i < total; ++i) queue.Store(i, "x", 1);  // a closed queue opens itself
    EXPECT_TRUE(queue.isOpen());
    std::vector<int> stamps = queue.TimeStamps();
    ASSERT_EQ(stamps.size(), SampleQueue::kMaxBlocks);
    EXPECT_EQ(stamps.front(), 10);
    EXPECT_EQ(stamps.back(), total - 1);
    queue.Close();
    EXPECT_FALSE(queue.isOpen());
    EXPECT_TRUE(queue.TimeStamps().empty());
}

// Another program of the session holds an object named "PlayEvent", the name the queue's lock
// once had, and never lets go: playing, fetching, seeking and stopping still finish.
DWORD WINAPI PlaySeekAndStop(void* rig)
{
    Rig& r = *static_cast<Rig*>(rig);
    if (r.Play() != 1) return 1;
    SampleBlock block{};
    r.engine.SetSpectrumData(1234, &block);
    r.engine.SeekToPosition(500);
    return r.engine.Stop() == 1 && block.timeStamp == 1234 ? 0 : 2;
}

TEST(SampleQueue, AnObjectNamedPlayEventHeldElsewhereHangsNothing)
{
    HANDLE squatter = ::CreateEventA(nullptr, FALSE, FALSE, "PlayEvent");  // never signalled
    ASSERT_NE(squatter, nullptr);
    Rig rig;
    rig.in->samplesOnPlay = 1234;
    rig.Discover();
    HANDLE worker = ::CreateThread(nullptr, 0, &PlaySeekAndStop, &rig, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    if (::WaitForSingleObject(worker, 20000) != WAIT_OBJECT_0) {
        ADD_FAILURE() << "the player waits for the other program's \"PlayEvent\"";
        std::fflush(stdout);
        ::TerminateProcess(::GetCurrentProcess(), 3);  // the hang would outlive the test
    }
    DWORD result = 99;
    ::GetExitCodeThread(worker, &result);
    EXPECT_EQ(result, 0u);
    ::CloseHandle(worker);
    ::CloseHandle(squatter);
}

}  // namespace

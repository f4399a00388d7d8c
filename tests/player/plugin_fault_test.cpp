// Plug-ins that fault: an access violation, an MSVC C++ exception, another structured
// exception or a C++ throw inside an entry the host calls, or a fault on the plug-in's own
// decoding thread. Scripted fixtures (a real plug-in cannot be made to fault on cue) beside a
// healthy one. The call fails as a refusal does, the plug-in is never called again, a running
// play ends with the usual end message, and the healthy plug-in plays on.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "player/PlayerEngine.h"
#include "player/PluginCall.h"
#include "tests/player/PlayerTestSupport.h"

using namespace velto;
using namespace velto::test;

namespace {

// in_a.dll ("mp3", the one that faults), in_b.dll ("wav", healthy); out_a.dll (faults when
// scripted) and out_b.dll (healthy).
struct FaultRig {
    FaultRig()
    {
        in = folder.AddInput(L"in_a.dll", "mp3");
        healthy = folder.AddInput(L"in_b.dll", "wav");
        out = folder.AddOutput(L"out_a.dll");
        otherOut = folder.AddOutput(L"out_b.dll");
    }
    int Discover()
    {
        const int inputs = engine.InitInputPlugins(window.hwnd(), folder.ansi().c_str());
        engine.InitOutputPlugins(window.hwnd(), folder.ansi().c_str());
        engine.SetCurrentOutPlugin("out_a.dll");
        return inputs;
    }
    // Every call the host made into in_a.dll.
    int CallsIn() const
    {
        return in->initCalls + in->quitCalls + in->playCalls + in->stopCalls + in->pauseCalls +
               in->isOurFileCalls + in->getLengthCalls + in->fileInfoCalls +
               in->setOutputTimeCalls + in->setVolumeCalls + in->setPanCalls + in->eqCalls;
    }
    int CallsOut() const
    {
        return out->initCalls + out->quitCalls + out->setVolumeCalls + out->setPanCalls +
               out->flushCalls + out->configCalls;
    }
    int EndMessages() { return static_cast<int>(window.Take(WM_RAVELPLAY_END).size()); }

    PluginFolder folder;
    MessageWindow window;
    InputScript* in = nullptr;
    InputScript* healthy = nullptr;
    OutputScript* out = nullptr;
    OutputScript* otherOut = nullptr;
    PlayerEngine engine{TickTimer::Mode::Manual};
};

// What the host sees of the fault.
enum class Effect {
    NotKept,        // the fault happens at discovery: the plug-in is not in the list
    OutputNotKept,  // the same for the output: there is none to play through
    NotChosen,      // the fault happens while choosing: another plug-in or none plays
    PlayFails,      // Play returns 0, state Stopped, no end message
    StopStops,      // the play runs; Stop still stops it
    TickEndsPlay    // the play runs; the next tick ends it with the end message
};

struct FaultCase {
    const char* name;
    bool output;  // the output fixture faults, not the input
    FixtureFaultEntry entry;
    FixtureFaultKind kind;
    int passes;
    Effect effect;
};

const FaultCase kCases[] = {
    {"InitAtDiscovery", false, kFaultInit, kAccessViolation, 0, Effect::NotKept},
    {"IsOurFile", false, kFaultIsOurFile, kMsvcCppException, 0, Effect::NotChosen},
    {"PlayAccessViolation", false, kFaultPlay, kAccessViolation, 0, Effect::PlayFails},
    {"PlayMsvcCppException", false, kFaultPlay, kMsvcCppException, 0, Effect::PlayFails},
    {"PlayOtherException", false, kFaultPlay, kOtherException, 0, Effect::PlayFails},
    {"PlayCppThrow", false, kFaultPlay, kCppThrow, 0, Effect::PlayFails},
    {"GetLengthAtPlay", false, kFaultGetLength, kAccessViolation, 0, Effect::PlayFails},
    {"GetLengthAtTick", false, kFaultGetLength, kMsvcCppException, 1, Effect::TickEndsPlay},
    {"Stop", false, kFaultStop, kAccessViolation, 0, Effect::StopStops},
    {"OutputInitAtDiscovery", true, kFaultInit, kOtherException, 0, Effect::OutputNotKept},
    {"OutputGetOutputTime", true, kFaultGetOutputTime, kAccessViolation, 0, Effect::TickEndsPlay},
    {"OutputGetOutputTimeCppThrow", true, kFaultGetOutputTime, kCppThrow, 0, Effect::TickEndsPlay},
};

class PluginFaults : public ::testing::TestWithParam<FaultCase> {};

TEST_P(PluginFaults, FailTheCallAndThePluginIsNeverCalledAgain)
{
    const FaultCase& c = GetParam();
    FaultRig rig;
    rig.in->length = 5000;
    FixtureFault& fault = c.output ? rig.out->fault : rig.in->fault;
    fault.entry = c.entry;
    fault.kind = c.kind;
    fault.passes = c.passes;
    EXPECT_EQ(rig.Discover(), c.effect == Effect::NotKept ? 1 : 2);
    if (c.effect == Effect::OutputNotKept) {
        EXPECT_EQ(rig.engine.OutputRecord(1), nullptr);
    }

    const int started = rig.engine.Play("C:\\music\\song.mp3", 255, 0);
    switch (c.effect) {
        case Effect::NotKept:
        case Effect::OutputNotKept:
        case Effect::NotChosen:
        case Effect::PlayFails:
            EXPECT_EQ(started, 0);
            EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Stopped);
            EXPECT_FALSE(rig.engine.timerRunning());
            break;
        case Effect::StopStops:
            ASSERT_EQ(started, 1);
            EXPECT_EQ(rig.engine.Stop(), 1);
            EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Stopped);
            EXPECT_FALSE(rig.engine.timerRunning());
            // The input left its output open: the host closed it.
            EXPECT_EQ(rig.out->closeCalls, 1);
            break;
        case Effect::TickEndsPlay:
            ASSERT_EQ(started, 1);
            rig.out->outputTime = 1000;
            rig.engine.Tick();
            EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Stopped);
            EXPECT_FALSE(rig.engine.timerRunning());
            EXPECT_EQ(rig.EndMessages(), 1);
            break;
    }
    EXPECT_EQ(fault.faults, 1);

    // Never called again: not to play, stop, measure, set up or quit.
    const int before = c.output ? rig.CallsOut() : rig.CallsIn();
    rig.engine.Play("C:\\music\\again.mp3", 255, 0);
    rig.engine.SetVolume(10);
    rig.engine.GetCurrentTotalTime();
    rig.engine.GetOutputTime();
    rig.engine.Stop();
    rig.engine.ReleaseOutputPlugins();
    rig.engine.ReleaseInputPlugins();
    EXPECT_EQ(c.output ? rig.CallsOut() : rig.CallsIn(), before);
    EXPECT_EQ(fault.faults, 1);
}

INSTANTIATE_TEST_SUITE_P(Player, PluginFaults, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The healthy plug-ins play on, through the faulty output's neighbour.
TEST(PluginFaults, TheOthersPlayOn)
{
    FaultRig rig;
    rig.in->fault.entry = kFaultPlay;
    rig.in->fault.kind = kAccessViolation;
    rig.out->fault.entry = kFaultGetOutputTime;
    rig.out->fault.kind = kMsvcCppException;
    rig.healthy->length = 3000;
    ASSERT_EQ(rig.Discover(), 2);
    EXPECT_EQ(rig.engine.Play("C:\\music\\song.mp3", 255, 0), 0);
    ASSERT_EQ(rig.engine.Play("C:\\music\\take.wav", 255, 0), 1);
    rig.engine.Tick();  // the output faults
    EXPECT_EQ(rig.EndMessages(), 1);
    EXPECT_EQ(rig.engine.Play("C:\\music\\take.wav", 255, 0), 0) << "the faulty output again";

    rig.engine.SetCurrentOutPlugin("out_b.dll");
    ASSERT_EQ(rig.engine.Play("C:\\music\\take.wav", 255, 0), 1);
    EXPECT_EQ(rig.healthy->outModAtPlay, rig.engine.CurrentOutputRecord()->out);
    rig.otherOut->outputTime = 3000;
    rig.engine.Tick();
    EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Stopped);
    EXPECT_EQ(rig.EndMessages(), 1);
    const int quitsBefore = rig.healthy->quitCalls;
    rig.engine.ReleaseInputPlugins();
    EXPECT_EQ(rig.healthy->quitCalls, quitsBefore + 1);
}

// A fault on the plug-in's own thread is outside any call of the host's: that thread ends,
// the process lives on, and the next tick ends the play with the end message and closes the
// output the plug-in had open.
TEST(PluginFaults, AFaultOnThePluginsOwnThreadEndsThatThreadAndThePlay)
{
    for (FixtureFaultKind kind : {kAccessViolation, kMsvcCppException}) {
        SCOPED_TRACE(kind);
        FaultRig rig;
        rig.in->length = 60000;
        rig.in->fault.entry = kFaultDecodeThread;
        rig.in->fault.kind = kind;
        rig.in->fault.afterMs = 100;
        ASSERT_EQ(rig.Discover(), 2);
        ASSERT_EQ(rig.engine.Play("C:\\music\\song.mp3", 255, 0), 1);
        ASSERT_NE(rig.in->fault.threadId, 0u);
        HANDLE thread = ::OpenThread(SYNCHRONIZE, FALSE, rig.in->fault.threadId);
        ASSERT_NE(thread, nullptr);
        EXPECT_EQ(::WaitForSingleObject(thread, 10000), WAIT_OBJECT_0) << "the thread lives on";
        ::CloseHandle(thread);
        EXPECT_EQ(rig.in->fault.faults, 1);

        rig.out->outputTime = 1000;
        rig.engine.Tick();
        EXPECT_EQ(rig.engine.GetCurrentState(), PlayState::Stopped);
        EXPECT_EQ(rig.EndMessages(), 1);
        EXPECT_EQ(rig.in->stopCalls, 0) << "a faulty plug-in is not asked to stop";
        EXPECT_EQ(rig.out->closeCalls, 1) << "the output it had open is closed by the host";
        ASSERT_EQ(rig.engine.Play("C:\\music\\take.wav", 255, 0), 1);
        EXPECT_EQ(rig.engine.Stop(), 1);
    }
}

// The fence itself, on this thread: nested calls, and a fault after a nested call returned.
void Nothing(void*) {}
void Faults(void*)
{
    volatile int* nowhere = nullptr;
    *nowhere = 2;
}
void NestedThenFaults(void* result)
{
    *static_cast<bool*>(result) = RunGuarded(&Nothing, nullptr);
    Faults(nullptr);
}

TEST(PluginGuard, ResumesAtTheInnermostCallAndKeepsTheCallersState)
{
    EXPECT_TRUE(RunGuarded(&Nothing, nullptr));
    PluginFault fault;
    EXPECT_FALSE(RunGuarded(&Faults, nullptr, &fault));
    EXPECT_EQ(fault.code, static_cast<DWORD>(EXCEPTION_ACCESS_VIOLATION));
    EXPECT_FALSE(InsideGuardedCall());
    bool innerReturned = false;
    EXPECT_FALSE(RunGuarded(&NestedThenFaults, &innerReturned));
    EXPECT_TRUE(innerReturned);
    EXPECT_FALSE(InsideGuardedCall());
    // Many faults in a row leave nothing behind (no stack, no chain, no handler lost).
    for (int i = 0; i < 2000; ++i) ASSERT_FALSE(RunGuarded(&Faults, nullptr));
    // A C++ exception of our own still works as it should after all that.
    bool caught = false;
    try {
        throw std::runtime_error("ours");
    } catch (const std::exception&) {
        caught = true;
    }
    EXPECT_TRUE(caught);
}

}  // namespace

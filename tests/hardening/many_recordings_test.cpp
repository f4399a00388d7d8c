// Two hundred short recordings in one process, WAV, MP3 and WMA in turn, through the real
// recorders, encoders and capture devices, with a tone in the sound card: whatever a recording
// takes (threads, events, wave-in and DirectSound handles, the encoder DLLs and their memory)
// it gives back. The figures before and after are printed for the record.
#include <gtest/gtest.h>

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <iterator>
#include <memory>
#include <string>

#include "common/ProgramFolder.h"
#include "recorder/recording/Mp3Recorder.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/WavRecorder.h"
#include "recorder/recording/WmaRecorder.h"
#include "tests/hardening/ProcessFigures.h"
#include "tests/hardening/SteadyTone.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/TempFolder.h"
#include "tests/support/TestHost.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr int kCycles = 200;
// The first block normally comes within a tenth of a second; on a loaded machine within two.
constexpr DWORD kPatience = 10000;
// Under load, about one capture in a hundred under Wine starts (its status says capturing)
// but never delivers, as a stalled device would: Stop ends such a recording like any other,
// which is what counts here. A few are allowed; more would be a fault of ours.
constexpr int kMostSilentCaptures = kCycles / 20;
constexpr uint64_t kMemoryMargin = 4 * 1024 * 1024;

// A type and row for each cycle: every type, several rates, mono and stereo captures.
struct Take {
    int type;
    int quality;
};
constexpr Take kTakes[] = {
    {kRecordWav, 14}, {kRecordMp3, 3}, {kRecordWma, 6},  {kRecordWav, 3},
    {kRecordMp3, 7},  {kRecordWma, 5}, {kRecordWav, 15}, {kRecordMp3, 5},
};

std::unique_ptr<CRecorder> MakeRecorder(int type, RecorderHost& host)
{
    switch (type) {
        case kRecordMp3: return std::make_unique<CMp3Recorder>(host);
        case kRecordWma: return std::make_unique<CWmaRecorder>(host);
        default: return std::make_unique<CWavRecorder>(host);
    }
}

// Private memory the system itself keeps for each DirectSound capture buffer made and
// released (Wine keeps the buffer's memory; Windows keeps nothing). A WAV recording makes
// one, and that much per WAV recording is not ours to give back.
uint64_t PlatformCostOfACaptureBuffer()
{
    auto makeAndRelease = [] {
        ComPtr<IDirectSoundCapture> device;
        if (FAILED(::DirectSoundCaptureCreate(nullptr, device.put(), nullptr))) return;
        WAVEFORMATEX format = MakePcmFormat(2, 44100);
        DSCBUFFERDESC description{};
        description.dwSize = sizeof description;
        description.dwBufferBytes = CWavRecorder::kBlocks * CWavRecorder::kBlockBytes;
        description.lpwfxFormat = &format;
        ComPtr<IDirectSoundCaptureBuffer> buffer;
        device->CreateCaptureBuffer(&description, buffer.put(), nullptr);
    };
    constexpr int kRounds = 20;
    makeAndRelease();
    const uint64_t before = MeasureThisProcess().privateBytes;
    for (int i = 0; i < kRounds; ++i) makeAndRelease();
    const uint64_t after = MeasureThisProcess().privateBytes;
    return after > before ? (after - before) / kRounds : 0;
}

// What loading and unloading the MP3 encoder library costs in handles, whoever loads it: in
// the 32-bit build each load of a DLL that carries its own static runtime keeps an event and a
// thread handle (the runtime registers its unwinding tables, which makes a thread record that
// its unload never frees); the 64-bit build keeps none.
long PlatformHandlesOfAnEncoderLoad()
{
    const std::wstring path = ProgramFolder() + kLameLibraryName;
    auto loadAndFree = [&] {
        if (HMODULE m = ::LoadLibraryW(path.c_str())) ::FreeLibrary(m);
    };
    constexpr int kRounds = 10;
    loadAndFree();
    const DWORD before = MeasureThisProcess().handles;
    for (int i = 0; i < kRounds; ++i) loadAndFree();
    const DWORD after = MeasureThisProcess().handles;
    return after > before ? static_cast<long>(after - before) / kRounds : 0;
}

class ManyRecordingsTest : public testing::Test {
protected:
    void SetUp() override
    {
        g_autoStop.enabled = 0;
        ::CoInitialize(nullptr);
    }
    void TearDown() override
    {
        ::CoUninitialize();
        g_autoStop.enabled = 1;
    }

    // One recording: start, wait until its first block has been handed on, stop, delete.
    // False when it did not start, or said anything but the elapsed time, or left no file or
    // its state behind; a capture that delivered nothing is counted in `silentCaptures`.
    bool RecordOnce(int cycle)
    {
        const Take& take = kTakes[cycle % std::size(kTakes)];
        host.recordType = take.type;
        host.quality = take.quality;
        host.outputPath =
            folder.File(L"take" + std::to_wstring(cycle) + L"." + FileExtension(take.type));
        host.received.clear();
        auto recorder = MakeRecorder(take.type, host);
        if (recorder->Start() != 1) return Failed(cycle, take, "did not start");
        const bool recorded = host.WaitFor(NOTIFY_ELAPSED, kPatience);
        recorder->Stop();
        recorder.reset();
        host.Drain();
        const bool kept = ::GetFileAttributesW(host.outputPath.c_str()) != INVALID_FILE_ATTRIBUTES;
        ::DeleteFileW(host.outputPath.c_str());
        for (const Notification& n : host.received)
            if (n.what != NOTIFY_ELAPSED)
                return Failed(cycle, take, "the worker reported a failure");
        if (!kept) return Failed(cycle, take, "no file");
        if (IsRecording()) return Failed(cycle, take, "still recording");
        if (!recorded) {
            ++silentCaptures;
            std::printf("recording %d (type %d, row %d): the capture delivered nothing\n", cycle,
                        take.type, take.quality);
        }
        return true;
    }

    static bool Failed(int cycle, const Take& take, const char* what)
    {
        std::printf("recording %d (type %d, row %d): %s\n", cycle, take.type, take.quality, what);
        return false;
    }

    TempFolder folder{L"velto-many"};
    TestHost host;
    DialogWatcher watcher;
    int silentCaptures = 0;
};

TEST_F(ManyRecordingsTest, TwoHundredRecordingsLeaveHandlesThreadsAndMemoryWhereTheyWere)
{
    SteadyTone tone(1000.0, 12000.0, 600.0);
    ASSERT_TRUE(tone.ok());
    // One of each first: the DLLs, COM and the devices set up what they keep for the process.
    for (int cycle = 0; cycle < 3; ++cycle) ASSERT_TRUE(RecordOnce(cycle)) << "warm-up " << cycle;
    silentCaptures = 0;
    const uint64_t perCaptureBuffer = PlatformCostOfACaptureBuffer();
    const long perEncoderLoad = PlatformHandlesOfAnEncoderLoad();
    const ProcessFigures before = MeasureThisProcess();
    PrintFigures("before", before);

    const DWORD start = ::GetTickCount();
    int failed = 0;
    int wavCycles = 0;
    int mp3Cycles = 0;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        if (!RecordOnce(cycle)) ++failed;
        if (kTakes[cycle % std::size(kTakes)].type == kRecordWav) ++wavCycles;
        if (kTakes[cycle % std::size(kTakes)].type == kRecordMp3) ++mp3Cycles;
    }
    const DWORD spent = ::GetTickCount() - start;

    const ProcessFigures after = MeasureThisProcess();
    PrintFigures("after", after);
    const uint64_t platformShare = perCaptureBuffer * wavCycles;
    std::printf(
        "%d recordings in %.1f s (%.0f ms each), %d captures silent; the system keeps "
        "%.1f KB per capture buffer, %.2f MB for the %d WAV recordings\n",
        kCycles, spent / 1000.0, static_cast<double>(spent) / kCycles, silentCaptures,
        perCaptureBuffer / 1024.0, platformShare / 1e6, wavCycles);

    EXPECT_EQ(failed, 0);
    EXPECT_LE(silentCaptures, kMostSilentCaptures);
    EXPECT_TRUE(watcher.Seen().empty());
    // Generous margins: the system's own worker threads and caches come and go.
    if (perEncoderLoad > 0)
        std::printf("each load of %ls keeps %ld handles: %ld for the %d MP3 recordings\n",
                    kLameLibraryName, perEncoderLoad, perEncoderLoad * mp3Cycles, mp3Cycles);
    EXPECT_LE(after.handles, before.handles + 10 + perEncoderLoad * mp3Cycles);
    EXPECT_LE(after.threads, before.threads + 2);
    EXPECT_LE(after.privateBytes, before.privateBytes + platformShare + kMemoryMargin);
}

}  // namespace

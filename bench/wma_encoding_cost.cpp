// One WMA recording at row 6 (96 kbit/s, 44100 Hz) of a tone played into the sound card,
// stopped by auto-stop after N seconds, or the same capture with the encoding left out
// ("capture"). Prints the process's CPU time, which the script beside it compares with a
// native ffmpeg encoding the same audio.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "common/ProgramFolder.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/WmaRecorder.h"
#include "tests/support/TestHost.h"
#include "tests/support/Tone.h"

using namespace velto;

namespace {

class DiscardStep : public EncoderStep {
public:
    bool Begin(const std::wstring&) override
    {
        ::SetThreadPriority(::GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
        return true;
    }
    bool Encode(const BYTE*, DWORD) override { return true; }
    void Finish(bool) override {}
};

// The WMA recorder's worker loop with nothing behind it.
class CaptureOnlyRecorder : public CWaveInRecorder {
public:
    using CWaveInRecorder::CWaveInRecorder;

protected:
    EncoderStep* CreateEncoderStep() override { return new DiscardStep; }
    const wchar_t* DeviceOpenError() const override { return L"Device Open Error"; }
};

double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto seconds = [](FILETIME t) {
        return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

}  // namespace

int main(int argc, char** argv)
{
    const bool encode = argc < 2 || std::strcmp(argv[1], "capture") != 0;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    test::TonePlayer tone(1000.0, 16384.0, seconds + 10.0);
    if (!tone.ok()) {
        std::fprintf(stderr, "could not play the tone\n");
        return 1;
    }
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    test::TestHost host;
    host.recordType = kRecordWma;
    host.quality = 6;
    host.outputPath = std::wstring(temp) + L"wma-encoding-cost.wma";
    ::DeleteFileW(host.outputPath.c_str());
    g_autoStop.enabled = 1;
    g_autoStop.seconds = seconds;

    std::unique_ptr<CRecorder> recorder;
    if (encode)
        recorder = std::make_unique<CWmaRecorder>(host);
    else
        recorder = std::make_unique<CaptureOnlyRecorder>(host);
    if (!recorder->Start() || !host.WaitFor(NOTIFY_LIMIT, (seconds + 60) * 1000)) {
        std::fprintf(stderr, "the recording did not reach its auto-stop\n");
        return 1;
    }
    recorder->Stop();
    recorder.reset();
    if (encode && !FileExists(host.outputPath)) {
        std::fprintf(stderr, "no file was written\n");
        return 1;
    }
    std::printf("%.3f\n", ProcessCpuSeconds());
    ::DeleteFileW(host.outputPath.c_str());
    return 0;
}

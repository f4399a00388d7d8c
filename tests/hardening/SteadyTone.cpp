#include "tests/hardening/SteadyTone.h"

#include <windows.h>

#include "tests/support/Tone.h"

namespace velto::test {
namespace {
constexpr int kRate = 22050;  // mono at a low rate keeps the file small; the sink resamples
}

SteadyTone::SteadyTone(double frequency, double amplitude, double seconds)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    static LONG counter = 0;
    wavPath_ = std::wstring(temp) + L"velto-steady-" + std::to_wstring(::GetCurrentProcessId()) +
               L"-" + std::to_wstring(::InterlockedIncrement(&counter)) + L".wav";
    if (!WriteWavFile(wavPath_, MakeSine(kRate, 1, frequency, amplitude, seconds), kRate, 1))
        return;
    unixPath_ = UnixPath(wavPath_);
    if (unixPath_.empty()) return;
    std::wstring command = L"/usr/bin/paplay --latency-msec=20 --device=speakers \"";
    for (char c : unixPath_) command += static_cast<wchar_t>(static_cast<unsigned char>(c));
    command += L"\"";
    started_ = StartUnixProgram(command);
    if (started_) ::Sleep(300);  // the stream reaches the sink
}

SteadyTone::~SteadyTone()
{
    // "[p]aplay" matches the player but not the shell that runs this line.
    if (started_)
        RunUnixShell(
            "pkill -f '[p]aplay --latency-msec=20 --device=speakers " + unixPath_ + "' ; sleep 0.1",
            5000);
    if (!wavPath_.empty()) ::DeleteFileW(wavPath_.c_str());
}

}  // namespace velto::test

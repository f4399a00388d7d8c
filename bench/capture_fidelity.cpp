// Capture fidelity of CWaveInDevice: records a sine that is played into the sound card and
// prints the byte rate against the nominal one and the number of phase jumps (a dropped or
// repeated slice shows as one). Output lines are "key=value" for the script to read.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "recorder/recording/SoundDevice.h"
#include "tests/support/Tone.h"

using namespace velto;

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
    const double frequency = 1000.0;
    test::TonePlayer tone(frequency, 16384.0, seconds + 5.0);
    if (!tone.ok()) {
        std::printf("could not play the tone\n");
        return 1;
    }
    CWaveInDevice device;
    device.channels = 2;
    device.sampleRate = 44100;
    device.deviceId = 0;
    if (!device.Open(L"")) return 1;
    device.Start();

    std::vector<BYTE> block(CWaveInDevice::kSliceBytes);
    // Settle, then measure from the first full slice on.
    for (int i = 0; i < 8; ++i) device.Read(block.data(), CWaveInDevice::kSliceBytes);
    std::vector<int16_t> left;
    long long bytes = 0;
    LARGE_INTEGER freq, t0, t1;
    ::QueryPerformanceFrequency(&freq);
    ::QueryPerformanceCounter(&t0);
    const long long wanted = static_cast<long long>(seconds * 176400);
    while (bytes < wanted) {
        int n = device.Read(block.data(), CWaveInDevice::kSliceBytes);
        bytes += n;
        auto* p = reinterpret_cast<const int16_t*>(block.data());
        for (int i = 0; i < n / 2; i += 2) left.push_back(p[i]);
    }
    ::QueryPerformanceCounter(&t1);
    device.Close();
    const double wall = static_cast<double>(t1.QuadPart - t0.QuadPart) / freq.QuadPart;
    const double rate = bytes / wall;
    const int jumps = test::CountDiscontinuities(left, 44100, frequency);
    // "key=value" lines, which bench/capture-fidelity puts side by side for both builds.
    std::printf("audio=%.1f\nwall=%.2f\nrate=%.0f\njumps=%d\nfrequency=%.2f\nplayed=%.0f\n",
                bytes / 176400.0, wall, rate, jumps, test::EstimateFrequency(left, 44100),
                frequency);
    return 0;
}

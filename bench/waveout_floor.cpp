// The least any wave-out player can spend: a 16-bit PCM WAV file handed to wave-out in one
// block, waited for, closed. bench/playback-cost runs it on the same sound as the players, so
// the cost of the sound system itself (under Wine: its wave-out, mmdevapi and PulseAudio
// threads) is known apart from ours.
//   waveout_floor_bench.exe FILE.wav     prints "cpu=" the process's CPU seconds
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/CpuTime.h"

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) return 2;
    FILE* f = _wfopen(argv[1], L"rb");
    if (!f) return 1;
    std::vector<char> file;
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        file.insert(file.end(), buffer, buffer + n);
    std::fclose(f);
    // The fmt and data chunks, wherever they are.
    WAVEFORMATEX format{};
    size_t data = 0, dataBytes = 0;
    for (size_t at = 12; at + 8 <= file.size();) {
        uint32_t length;
        std::memcpy(&length, file.data() + at + 4, 4);
        if (std::memcmp(file.data() + at, "fmt ", 4) == 0)
            std::memcpy(&format, file.data() + at + 8, 16);
        if (std::memcmp(file.data() + at, "data", 4) == 0) {
            data = at + 8;
            dataBytes = std::min<size_t>(length, file.size() - data);
            break;
        }
        at += 8 + length + (length & 1);
    }
    if (!data || format.wFormatTag != WAVE_FORMAT_PCM) return 1;
    HWAVEOUT device = nullptr;
    if (::waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR)
        return 1;
    WAVEHDR header{};
    header.lpData = file.data() + data;
    header.dwBufferLength = static_cast<DWORD>(dataBytes);
    ::waveOutPrepareHeader(device, &header, sizeof header);
    ::waveOutWrite(device, &header, sizeof header);
    while (!(header.dwFlags & WHDR_DONE)) ::Sleep(100);
    ::waveOutUnprepareHeader(device, &header, sizeof header);
    ::waveOutClose(device);
    std::printf("cpu=%.3f\n", velto::bench::ProcessCpuSeconds());
    return 0;
}

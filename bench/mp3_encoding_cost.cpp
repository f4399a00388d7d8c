// Encoding cost of an MP3 recording, the Windows side (run under Wine by mp3-encoding-cost):
//   record SECONDS OUT.mp3   CMp3Recorder at MP3 row 3 until the auto-stop limit; prints the
//                            process's CPU seconds from Start to the end of Stop
//   capture SECONDS          the same wave-in worker loop with the encoding left out
//   encode IN.wav OUT.mp3    lame_enc.dll alone on a WAV file, in the recorder's 8192-sample
//                            calls; prints its wall and CPU seconds
// Output lines are "key=value" for the script to read.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "recorder/recording/Mp3Recorder.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/SoundDevice.h"
#include "tests/support/CaptureOnlyRecorder.h"
#include "tests/support/TestHost.h"
#include "bench/CpuTime.h"

using namespace velto;
using velto::bench::ProcessCpuSeconds;

namespace {

double WallSeconds()
{
    LARGE_INTEGER f, t;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

int Record(CRecorder& recorder, test::TestHost& host, int seconds)
{
    g_autoStop.enabled = 1;
    g_autoStop.seconds = seconds;
    const double cpu0 = ProcessCpuSeconds();
    const double wall0 = WallSeconds();
    if (!recorder.Start()) return 1;
    if (!host.WaitFor(NOTIFY_LIMIT, static_cast<DWORD>(seconds + 60) * 1000)) return 1;
    recorder.Stop();
    std::printf("cpu=%.3f\nwall=%.3f\n", ProcessCpuSeconds() - cpu0, WallSeconds() - wall0);
    return 0;
}

int Encode(const std::wstring& in, const std::wstring& out)
{
    std::ifstream file(in.c_str(), std::ios::binary);
    std::vector<char> wav{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    size_t data = 12;
    uint32_t dataBytes = 0;
    while (data + 8 <= wav.size()) {
        std::memcpy(&dataBytes, &wav[data + 4], 4);
        if (!std::memcmp(&wav[data], "data", 4)) break;
        data += 8 + dataBytes;
    }
    data += 8;
    if (data >= wav.size()) return 1;
    dataBytes = static_cast<uint32_t>(std::min<size_t>(dataBytes, wav.size() - data));

    UniqueModule module(LoadOutsideLibrary(kLameLibraryName));
    lame::EntryPoints lame;
    if (!module || !lame.Load(module.get())) return 1;
    lame::Config config = lame::MakeConfig(44100, 128);
    DWORD samples = 0, bufferBytes = 0;
    lame::HBE_STREAM stream = nullptr;
    FILE* f = _wfopen(out.c_str(), L"wb+");
    if (!f || lame.beInitStream(&config, &samples, &bufferBytes, &stream) != 0) return 1;
    std::vector<BYTE> block(16384), output(16384);

    const double cpu0 = ProcessCpuSeconds();
    const double wall0 = WallSeconds();
    DWORD bytes = 0;
    for (size_t at = 0; at < dataBytes; at += block.size()) {
        const size_t n = std::min<size_t>(block.size(), dataBytes - at);
        std::memcpy(block.data(), &wav[data + at], n);
        lame.beEncodeChunk(stream, static_cast<DWORD>(n / 2),
                           reinterpret_cast<SHORT*>(block.data()), output.data(), &bytes);
        std::fwrite(output.data(), 1, bytes, f);
    }
    lame.beDeinitStream(stream, output.data(), &bytes);
    std::fwrite(output.data(), 1, bytes, f);
    lame.beCloseStream(stream);
    std::fclose(f);
    lame.beWriteVBRHeader(WideToUtf8(out).c_str());
    std::printf("cpu=%.3f\nwall=%.3f\naudio=%.3f\n", ProcessCpuSeconds() - cpu0,
                WallSeconds() - wall0, dataBytes / 176400.0);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) return 2;
    const std::wstring mode = argv[1];
    if (mode == L"encode" && argc >= 4) return Encode(argv[2], argv[3]);
    test::TestHost host;
    host.recordType = kRecordMp3;
    host.quality = 3;  // 128 kbit/s, 44100 Hz
    const int seconds = _wtoi(argv[2]);
    if (mode == L"record" && argc >= 4) {
        host.outputPath = argv[3];
        CMp3Recorder recorder(host);
        return Record(recorder, host, seconds);
    }
    if (mode == L"capture") {
        test::CaptureOnlyRecorder recorder(host);
        return Record(recorder, host, seconds);
    }
    return 2;
}

// One WMA recording at row 6 (96 kbit/s, 44100 Hz) of a tone played into the sound card,
// stopped by auto-stop after N seconds, or the same capture with the encoding left out
// ("capture"), or WmAudSDK.dll alone encoding N seconds of the same tone in the recorder's
// 16384-byte blocks ("writer"). Prints the CPU time of the process (of the encoding thread for
// "writer"), which the script beside it compares with a native ffmpeg encoding the same audio.
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "common/ProgramFolder.h"
#include "common/win/Handles.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/SoundDevice.h"
#include "recorder/recording/WmaRecorder.h"
#include "tests/support/CaptureOnlyRecorder.h"
#include "tests/support/TestHost.h"
#include "tests/support/Tone.h"
#include "bench/CpuTime.h"

using namespace velto;
using velto::bench::ProcessCpuSeconds;
using velto::bench::ThreadCpuSeconds;

namespace {


// The writer alone, fed as the recorder feeds it; the tone is made before the clock starts.
int EncodeOnly(int seconds, const std::wstring& path)
{
    UniqueModule dll(LoadOutsideLibrary(kWmaWriterDll));
    auto create = dll ? reinterpret_cast<WMAudioCreateWriterFn>(
                            ::GetProcAddress(dll.get(), kCreateWriterExport))
                      : nullptr;
    if (!create) return 1;
    const std::vector<int16_t> pcm = test::MakeSine(44100, 2, 1000.0, 16384.0, seconds);
    const auto* bytes = reinterpret_cast<const BYTE*>(pcm.data());
    const size_t total = pcm.size() * 2;

    const double start = ThreadCpuSeconds();
    ComPtr<IWmaAudioWriter> writer;
    const WAVEFORMATEX input = MakePcmFormat(2, 44100);
    if (FAILED(create(path.c_str(), writer.put())) || FAILED(writer->SetInputFormat(&input)) ||
        FAILED(writer->SetOutputFormat(PresetBitRate(kRecordWma, 6), 44100, 2, 0)))
        return 1;
    for (size_t at = 0; at < total; at += CWaveInDevice::kSliceBytes) {
        const size_t n = std::min<size_t>(CWaveInDevice::kSliceBytes, total - at);
        if (FAILED(writer->AppendPcm(bytes + at, static_cast<DWORD>(n)))) return 1;
    }
    if (FAILED(writer->Finish())) return 1;
    writer.reset();
    std::printf("%.3f\n", ThreadCpuSeconds() - start);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "wma";
    const bool encode = mode != "capture";
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 30;
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring output = std::wstring(temp) + L"wma-encoding-cost.wma";
    ::DeleteFileW(output.c_str());
    if (mode == "writer") {
        const int result = EncodeOnly(seconds, output);
        ::DeleteFileW(output.c_str());
        if (result != 0) std::fprintf(stderr, "the writer failed\n");
        return result;
    }

    test::TonePlayer tone(1000.0, 16384.0, seconds + 10.0);
    if (!tone.ok()) {
        std::fprintf(stderr, "could not play the tone\n");
        return 1;
    }
    test::TestHost host;
    host.recordType = kRecordWma;
    host.quality = 6;
    host.outputPath = output;
    g_autoStop.enabled = 1;
    g_autoStop.seconds = seconds;

    std::unique_ptr<CRecorder> recorder;
    if (encode)
        recorder = std::make_unique<CWmaRecorder>(host);
    else
        recorder = std::make_unique<test::CaptureOnlyRecorder>(host);
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

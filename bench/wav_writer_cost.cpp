// Cost of the WAV writer: 60 s of 48000 Hz stereo (11.52 MB) written through CWaveWriter in
// the WAV recorder's 10584-byte blocks, against the same bytes with one fwrite per block, and
// against copying byte by byte into the multimedia I/O buffer. Median of several rounds, in
// seconds, as "key=value" lines.
#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "recorder/recording/Presets.h"
#include "recorder/recording/WaveWriter.h"
#include "tests/support/FileBytes.h"

using namespace velto;

namespace {

constexpr DWORD kBlock = 10584;

double Now()
{
    LARGE_INTEGER frequency, counter;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&counter);
    return static_cast<double>(counter.QuadPart) / static_cast<double>(frequency.QuadPart);
}

double ThroughWriter(const std::wstring& path, const std::vector<BYTE>& audio)
{
    const double start = Now();
    CWaveWriter writer;
    if (FAILED(writer.Create(path, MakePcmFormat(2, 48000)))) std::exit(1);
    for (size_t done = 0; done < audio.size(); done += kBlock) {
        const DWORD n = static_cast<DWORD>(std::min<size_t>(kBlock, audio.size() - done));
        DWORD written = 0;
        if (FAILED(writer.Write(n, audio.data() + done, &written))) std::exit(1);
    }
    if (FAILED(writer.Finish(0))) std::exit(1);
    return Now() - start;
}

double ThroughFwrite(const std::wstring& path, const std::vector<BYTE>& audio)
{
    const double start = Now();
    FILE* file = _wfopen(path.c_str(), L"wb");
    if (!file) std::exit(1);
    for (size_t done = 0; done < audio.size(); done += kBlock) {
        const size_t n = std::min<size_t>(kBlock, audio.size() - done);
        if (std::fwrite(audio.data() + done, 1, n, file) != n) std::exit(1);
    }
    std::fclose(file);
    return Now() - start;
}

// The same I/O buffer filled one byte at a time, for comparison.
double ByteByByte(const std::wstring& path, const std::vector<BYTE>& audio)
{
    const double start = Now();
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    MMIOINFO open{};
    open.adwInfo[0] = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(handle));
    HMMIO file = ::mmioOpenW(nullptr, &open, MMIO_ALLOCBUF | MMIO_READWRITE | MMIO_CREATE);
    if (!file) std::exit(1);
    MMIOINFO info{};
    ::mmioGetInfo(file, &info, 0);
    for (size_t done = 0; done < audio.size(); done += kBlock) {
        const size_t n = std::min<size_t>(kBlock, audio.size() - done);
        for (size_t i = 0; i < n; ++i) {
            if (info.pchNext >= info.pchEndWrite) {
                info.dwFlags |= MMIO_DIRTY;
                if (::mmioAdvance(file, &info, MMIO_WRITE) != MMSYSERR_NOERROR) std::exit(1);
            }
            *info.pchNext++ = static_cast<char>(audio[done + i]);
        }
    }
    info.dwFlags |= MMIO_DIRTY;
    ::mmioSetInfo(file, &info, 0);
    ::mmioClose(file, 0);
    return Now() - start;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    std::vector<BYTE> audio(60u * 192000u);
    for (size_t i = 0; i < audio.size(); ++i) audio[i] = static_cast<BYTE>(i * 31 + i / 977);
    test::TempFolder folder(L"velto-writer-bench");
    const std::wstring path = folder.File(L"bench.wav");

    std::vector<double> writer, fwrite, bytes;
    for (int r = 0; r < rounds; ++r) {
        writer.push_back(ThroughWriter(path, audio));
        fwrite.push_back(ThroughFwrite(path, audio));
        bytes.push_back(ByteByByte(path, audio));
    }
    const double w = Median(writer), f = Median(fwrite), b = Median(bytes);
    // "key=value" lines, which bench/wav-writer-cost puts side by side for both builds.
    std::printf("megabytes=%.2f\nblock=%u\nrounds=%d\nwriter=%.5f\nfwrite=%.5f\nbytewise=%.5f\n",
                audio.size() / 1e6, static_cast<unsigned>(kBlock), rounds, w, f, b);
    return 0;
}

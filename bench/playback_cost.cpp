// Plays one file through Ravelplay.dll and our plug-ins (the recorder's binding, from the
// program's folder) until the library reports the end, for bench/playback-cost.
//   playback_cost_bench.exe play FILE           plays to the end; prints "cpu=" the process's
//                                               CPU seconds
//   playback_cost_bench.exe trace FILE          prints output and written time every 100 ms
//   playback_cost_bench.exe seek FILE N         N seeks to spread positions; prints latencies
//                                               as "key=value" lines
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "common/Text.h"
#include "bench/CpuTime.h"
#include "recorder/ui/PlayerLibrary.h"

using namespace velto;

namespace {

using IntFn = int(__cdecl*)();

struct Bench {
    HWND window = nullptr;
    PlayerLibrary player;
    IntFn writtenTime = nullptr;

    bool Open()
    {
        window = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
        if (!window || !player.Open(window) || !player.outputModule()) return false;
        writtenTime = reinterpret_cast<IntFn>(::GetProcAddress(player.module(), "GetWrittenTime"));
        return writtenTime != nullptr;
    }

    // Waits up to `ms` for the end-of-play message; true when it came.
    bool WaitEnd(DWORD ms)
    {
        const DWORD start = ::GetTickCount();
        for (;;) {
            MSG m;
            if (::PeekMessageW(&m, window, WM_RAVELPLAY_END, WM_RAVELPLAY_END, PM_REMOVE))
                return true;
            const DWORD spent = ::GetTickCount() - start;
            if (spent >= ms) return false;
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - spent, QS_POSTMESSAGE);
        }
    }
};

double Now()
{
    LARGE_INTEGER f, c;
    ::QueryPerformanceFrequency(&f);
    ::QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

int Play(Bench& b, const std::wstring& file, bool trace)
{
    if (!b.player.Play(file, 255, 0) || b.player.GetCurrentState() != 2) {
        std::fprintf(stderr, "the file did not start\n");
        return 1;
    }
    const int total = b.player.GetCurrentTotalTime();
    const double start = Now();
    for (;;) {
        if (b.WaitEnd(trace ? 100 : 1000)) break;
        if (trace)
            std::printf("%8.0f ms  output %6d  written %6d\n", Now() - start,
                        b.player.GetOutputTime(), b.writtenTime());
        if (Now() - start > total + 30000.0) {
            std::fprintf(stderr, "no end within 30 s of the length\n");
            return 1;
        }
    }
    if (trace) std::printf("end after %.0f ms (length %d ms)\n", Now() - start, total);
    if (!trace) std::printf("cpu=%.3f\n", bench::ProcessCpuSeconds());
    return 0;
}

// From SeekToPosition until the output time shows the new position (the output plug-in has
// been flushed to it) and until it moves on from there (the sound is heard again).
int Seek(Bench& b, const std::wstring& file, int count)
{
    if (!b.player.Play(file, 255, 0)) return 1;
    const int total = b.player.GetCurrentTotalTime();
    std::vector<double> shown, moving;
    ::Sleep(1500);
    for (int i = 0; i < count; ++i) {
        const int target = (total - 10000) * (i * 7 % count + 1) / (count + 1);
        const double t0 = Now();
        b.player.SeekToPosition(target);
        double tShown = -1, tMoving = -1;
        while (Now() - t0 < 5000 && tMoving < 0) {
            const int heard = b.player.GetOutputTime();
            const double t = Now() - t0;
            if (tShown < 0 && heard >= target && heard < target + 1000) tShown = t;
            if (tShown >= 0 && heard > target + 20 && heard < target + 1000) tMoving = t;
            ::Sleep(1);
        }
        if (tShown < 0 || tMoving < 0) {
            std::fprintf(stderr, "seek to %d ms: the output time did not follow\n", target);
            return 1;
        }
        shown.push_back(tShown);
        moving.push_back(tMoving);
        ::Sleep(600);
    }
    b.player.Stop();
    // "WHAT_median=", "WHAT_mean=" and "WHAT_max=" lines in ms.
    auto report = [](const char* what, std::vector<double> v) {
        std::sort(v.begin(), v.end());
        double sum = 0;
        for (double x : v) sum += x;
        std::printf("%s_median=%.1f\n%s_mean=%.1f\n%s_max=%.1f\n", what, v[v.size() / 2], what,
                    sum / static_cast<double>(v.size()), what, v.back());
    };
    report("shown", shown);
    report("moving", moving);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: playback_cost_bench play|trace|seek FILE [N]\n");
        return 2;
    }
    Bench b;
    if (!b.Open()) {
        std::fprintf(stderr, "Ravelplay.dll or its plug-ins are missing\n");
        return 1;
    }
    const std::wstring mode = argv[1];
    int rc = 2;
    if (mode == L"play" || mode == L"trace") rc = Play(b, argv[2], mode == L"trace");
    if (mode == L"seek") rc = Seek(b, argv[2], argc > 3 ? _wtoi(argv[3]) : 10);
    b.player.Unload();
    return rc;
}

// Time from a plain start of the recorder to its window, through Updater.exe and Renovo.dll,
// for update lists given on the command line as key=address pairs. Each run uses a fresh
// copy of the programs, so an update list that names a newer file updates it every time.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "common/Text.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/Programs.h"

using namespace velto;
using namespace velto::test;

namespace {

// Milliseconds until the recorder's window is up; -1 when it did not come.
long TimeOneStart(const std::wstring& listAddress)
{
    TempFolder program{UniqueTempName(L"velto-handover")};
    for (const wchar_t* name : {L"VeltoRecorder.exe", L"Updater.exe", L"Renovo.dll"})
        if (!CopyProgram(name, program.File(name))) return -1;
    WriteFileBytes(program.File(L"Renovo.ini"),
                   WideToUtf8(L"[Renovo]\r\nList=" + listAddress + L"\r\n"));
    const std::wstring recorder = program.File(L"VeltoRecorder.exe");
    const DWORD start = ::GetTickCount();
    Process launcher = StartProgram(recorder, L"");
    HWND window = nullptr;
    while (!window && ::GetTickCount() - start < 60000) {
        HWND candidate = FindProcessWindow(L"VeltoRecorder", 0);
        if (candidate && _wcsicmp(WindowProgram(candidate).c_str(), recorder.c_str()) == 0)
            window = candidate;
        else
            ::Sleep(5);
    }
    const long spent = static_cast<long>(::GetTickCount() - start);
    if (!window) return -1;
    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    Process running;
    running.handle.reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
    DialogWatcher answer(pid);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    WaitForExit(running, 30000);
    KillIfRunning(running);
    WaitForExit(launcher, 30000);
    ::Sleep(300);  // the Updater deletes its library copy
    return spent;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int runs = 5;
    // "KEY_min=", "KEY_median=" and "KEY_max=" lines in ms for each KEY=address argument
    // ("KEY_failed=1" when the recorder did not come up), which bench/startup-handover puts
    // side by side for both builds.
    std::printf("runs=%d\n", runs);
    for (int i = 1; i < argc; ++i) {
        const std::wstring pair = argv[i];
        const size_t eq = pair.find(L'=');
        if (eq == std::wstring::npos) continue;
        const std::string key = WideToUtf8(pair.substr(0, eq));
        std::vector<long> times;
        for (int r = 0; r < runs; ++r) times.push_back(TimeOneStart(pair.substr(eq + 1)));
        std::sort(times.begin(), times.end());
        if (times.front() < 0) {
            std::printf("%s_failed=1\n", key.c_str());
            continue;
        }
        std::printf("%s_min=%ld\n%s_median=%ld\n%s_max=%ld\n", key.c_str(), times.front(),
                    key.c_str(), times[times.size() / 2], key.c_str(), times.back());
        std::fflush(stdout);
    }
    return 0;
}

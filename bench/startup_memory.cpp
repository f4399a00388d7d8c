// Start-up and memory of the recorder against a bare Win32 window, both under the same Wine:
//  - the time from CreateProcess to the main window being visible (median of N starts each,
//    alternating, the recorder started with a command line so that it skips the update);
//  - the private bytes of the recorder while it records an MP3, against those of the bare
//    program with its window up.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/support/DialogWatcher.h"
#include "tests/support/Tone.h"
#include "tests/support/UiDriver.h"

using namespace velto::test;

namespace {

double Now()
{
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency.QuadPart;
}

struct Started {
    PROCESS_INFORMATION pi{};
    HWND window = nullptr;
    double seconds = -1;
};

// Starts the program and polls every millisecond for its visible window.
Started StartAndTime(const std::wstring& exe, const std::wstring& args, const wchar_t* cls)
{
    Started s;
    std::wstring line = L"\"" + exe + L"\" " + args;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\') + 1);
    const double t0 = Now();
    if (!::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &si, &s.pi))
        return s;
    while (Now() - t0 < 60) {
        if ((s.window = FindVisibleWindow(s.pi.dwProcessId, cls)) != nullptr) {
            s.seconds = Now() - t0;
            break;
        }
        ::Sleep(1);
    }
    return s;
}

void Close(Started& s)
{
    if (s.window) ::PostMessageW(s.window, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(s.pi.hProcess, 15000) != WAIT_OBJECT_0)
        ::TerminateProcess(s.pi.hProcess, 1);
    ::CloseHandle(s.pi.hProcess);
    ::CloseHandle(s.pi.hThread);
}

// Private memory of a running program, in MiB. Wine reports no private bytes for another
// process (GetProcessMemoryInfo gives 0), so this reads the anonymous memory Linux counts for
// the process that hosts it ("Anonymous" in /proc/PID/smaps_rollup: heaps, stacks, buffers
// and copied-on-write pages, not the pages mapped from program files) - what Windows counts
// as private bytes; the same measure for both programs.
double PrivateMegabytes(const std::string& commandPattern)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring out = std::wstring(temp) + L"velto-bench-private.txt";
    ::DeleteFileW(out.c_str());
    // "[b]are" matches the program but not this shell's own command line.
    const std::string pattern = "[" + commandPattern.substr(0, 1) + "]" + commandPattern.substr(1);
    RunUnixShell("pid=$(pgrep -n -f '" + pattern +
                     "'); awk '/^Anonymous:/ {s += $2} END {print s}' "
                     "/proc/$pid/smaps_rollup > '" +
                     UnixPath(out) + "'",
                 10000);
    FILE* f = _wfopen(out.c_str(), L"r");
    if (!f) return -1;
    double kib = -1;
    if (std::fscanf(f, "%lf", &kib) != 1) kib = -1;
    std::fclose(f);
    ::DeleteFileW(out.c_str());
    return kib < 0 ? -1 : kib / 1024.0;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? -1 : v[v.size() / 2];
}

std::wstring PrepareSettings()
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"velto-bench\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    DeleteRecorderSettings();
    SetRecorderString(L"SavePath", folder);
    SetRecorderDword(L"AutoStop", 0);
    return folder;
}

}  // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const std::wstring bin = TestBinFolder();
    const std::wstring recorder = bin + L"VeltoRecorder.exe";
    const std::wstring bare = bin + L"bare_window.exe";
    const std::wstring folder = PrepareSettings();

    std::vector<double> bareTimes, recorderTimes, bareMemory, idleMemory;
    for (int i = 0; i < runs; ++i) {
        Started b = StartAndTime(bare, L"", L"VeltoBareWindow");
        if (b.seconds >= 0) bareTimes.push_back(b.seconds);
        ::Sleep(1000);
        bareMemory.push_back(PrivateMegabytes("bare_window.exe"));
        Close(b);
        Started r = StartAndTime(recorder, L"/bench", L"VeltoRecorder");
        if (r.seconds >= 0) recorderTimes.push_back(r.seconds);
        DialogWatcher answers(r.pi.dwProcessId);  // any start-up notice is answered
        ::Sleep(1000);
        idleMemory.push_back(PrivateMegabytes("VeltoRecorder.exe /bench"));
        Close(r);
    }
    // Memory while recording an MP3 of a tone.
    TonePlayer tone(1000.0, 8000.0, 30.0);
    RecorderProcess p;
    if (!p.Start(L"/bench")) {
        std::fprintf(stderr, "the recorder did not start\n");
        return 1;
    }
    DialogWatcher answers(p.pid());
    mouse::LeftClick(p.ToScreen({32, 115}));  // the record button
    const std::wstring file = folder + L"Noname.mp3";
    bool grows = WaitUntil(
        [&] {
            WIN32_FILE_ATTRIBUTE_DATA d{};
            return ::GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &d) &&
                   d.nFileSizeLow > 16384;
        },
        20000);
    // Three looks, half a second apart, once the recording has run for two seconds.
    ::Sleep(2000);
    std::vector<double> recordingMemory;
    for (int i = 0; i < 3; ++i) {
        recordingMemory.push_back(PrivateMegabytes("VeltoRecorder.exe /bench"));
        ::Sleep(500);
    }
    mouse::LeftClick(p.ToScreen({104, 133}));  // the stop button
    ::Sleep(500);
    ::DeleteFileW(file.c_str());
    // "key=value" lines (seconds and MB), which bench/startup-memory puts side by side for
    // both builds.
    std::printf("runs=%d\nbare_start=%.3f\nrecorder_start=%.3f\n", runs, Median(bareTimes),
                Median(recorderTimes));
    std::printf("bare_memory=%.1f\nidle_memory=%.1f\nrecording_memory=%.1f\ngrows=%d\n",
                Median(bareMemory), Median(idleMemory), Median(recordingMemory), grows ? 1 : 0);
    return 0;
}

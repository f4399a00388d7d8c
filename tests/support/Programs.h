// Running our programs from tests: private program folders, starting and waiting for
// processes, finding their windows, and reading what stand-in programs recorded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/Handles.h"
#include "tests/support/TempFolder.h"

namespace velto::test {

// A folder name for TempFolder (tests/support/TempFolder.h) that no other folder of this
// process uses, so a test may hold several at once.
std::wstring UniqueTempName(const std::wstring& stem);

// The folder of the test executable: the build's bin folder, where every program lies.
std::wstring BinFolder();
// Copies bin\<name> (or any path) to `target`; false when it failed.
bool CopyProgram(const std::wstring& name, const std::wstring& target);

// The whole file as bytes in a string; empty when it cannot be read.
std::string ReadFileString(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::vector<std::wstring> ReadUtf8Lines(const std::wstring& path);

struct Process {
    UniqueHandle handle;
    DWORD pid = 0;
    explicit operator bool() const { return static_cast<bool>(handle); }
};
// Starts `program` with `arguments` (may be empty: no command line at all) in `folder`
// (empty: the program's own folder).
Process StartProgram(const std::wstring& program, const std::wstring& arguments,
                     const std::wstring& folder = {});
// True when the process ended within the time.
bool WaitForExit(const Process& p, DWORD timeoutMs);
// Pumps this thread's messages while waiting (for windows of the test that must answer).
bool WaitForExitPumping(const Process& p, DWORD timeoutMs);
// Ends a process that a failed test left running.
void KillIfRunning(const Process& p);

// A visible top-level window of the class (and of the process, when pid is not 0).
HWND FindProcessWindow(const wchar_t* className, DWORD pid);
HWND WaitForProcessWindow(const wchar_t* className, DWORD pid, DWORD timeoutMs);
// The full path of the program that owns a window; empty when unknown.
std::wstring WindowProgram(HWND hwnd);

// What tests/support/LaunchProbe.cpp recorded: one entry per start of the probe.
struct ProbeStart {
    std::wstring arguments;  // the command line after the program name
    std::wstring directory;  // its working directory
};
std::vector<ProbeStart> ReadProbeStarts(const std::wstring& probeProgramPath);
// Waits until the probe has recorded at least `count` starts.
bool WaitForProbeStarts(const std::wstring& probeProgramPath, size_t count, DWORD timeoutMs);

}  // namespace velto::test

// The Updater's work: load a fresh copy of the update library "Renovo.dll", run its update
// entry point as often as it asks (result 3), up to the pass limit from the parameter string,
// and at the limit run its execute entry point instead.
#pragma once

#include <windows.h>

#include <string>

namespace velto {

// Entry points of the update library, looked up by these undecorated names.
using RunUpdaterProc = int(__stdcall*)(const char* arguments);
using RunExecuteProc = int(__stdcall*)(int code, const char* arguments);

inline constexpr int kAskForAnotherPass = 3;
inline constexpr int kExecuteCode = -2222;

class UpdaterApp {
public:
    // `folder` holds "Renovo.dll" and receives "RenovoCopy.dll" (with trailing backslash).
    explicit UpdaterApp(std::wstring folder);

    // Runs the passes for one parameter string; returns the last pass's result.
    int RunPasses(const std::wstring& commandLine);
    // What the application's initialisation does: run the passes, then report failure so
    // the process ends without a message loop.
    BOOL InitInstance(const std::wstring& commandLine);

    int passLimit() const { return passLimit_; }
    int passCounter() const { return passCounter_; }

private:
    // One pass. Sets `again` when the library asked for another.
    int RunOnePass(const std::wstring& commandLine, bool& again);

    std::wstring folder_;
    int passLimit_ = 0;
    int passCounter_ = 0;
};

}  // namespace velto

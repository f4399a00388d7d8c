// The hand-over at start: a recorder started without a command line starts Updater.exe from
// its own folder with the update parameter string, and ends; the update library brings the
// recorder back with a command line.
#pragma once

#include <string>

namespace velto {

class CUpdaterException {
public:
    static constexpr int kUpdaterMissing = 234680;  // no Updater.exe in the program's folder
    static constexpr int kStartFailed = 234681;     // the shell could not start it

    explicit CUpdaterException(int code) : code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

// Where the update library reads the update list.
inline constexpr wchar_t kUpdateListAddress[] =
    L"https://www.dovrane.co.kr/update/veltorecorder.txt";
inline constexpr wchar_t kUpdaterProgram[] = L"Updater.exe";
inline constexpr wchar_t kVersionLibrary[] = L"VRVersion.dll";
inline constexpr int kUpdatePassLimit = 3;

// "<address>@@kestrel Auto Updater##<version library>$$<limit>"
std::wstring UpdaterParameters(const std::wstring& address, const std::wstring& versionLibrary,
                               int passLimit);

// 0 when the command line is not empty (no launch needed); 1 when the Updater was started
// from the program's folder with that folder as its working directory. Throws
// CUpdaterException (by value) when the program is missing or cannot be started.
int LaunchUpdater(const std::wstring& commandLine, const std::wstring& programFile,
                  const std::wstring& address, const std::wstring& versionLibrary, int passLimit);

}  // namespace velto

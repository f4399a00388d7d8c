// The program as a user has it: a private copy of the installation (the layout of bin/, which
// is what users unzip), less whatever a test takes away, and the real VeltoRecorder.exe run
// from it and driven with the mouse.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/DialogWatcher.h"
#include "tests/support/Programs.h"
#include "tests/support/TempFolder.h"

namespace velto::test {

// Generous: two cores shared by several developers.
inline constexpr DWORD kInstallationPatience = 60000;

class InstalledCopy {
public:
    // Copies every installed file except those named in `leaveOut`, which are paths inside
    // the installation: a file ("Bivnote.dll", "Plugins\\out_wave.dll"), a whole folder
    // ("Plugins") or a mask ("Plugins\\in_*.dll").
    explicit InstalledCopy(const std::vector<std::wstring>& leaveOut = {});
    bool ok() const { return ok_; }
    const std::wstring& folder() const { return folder_.path(); }
    std::wstring Program() const { return folder_.File(L"VeltoRecorder.exe"); }
    bool Has(const std::wstring& name) const;

private:
    TempFolder folder_;
    bool ok_ = false;
};

// The recorder running from a copy; every box it shows is read and answered.
class RunningCopy {
public:
    // Starts `program` with `arguments` (empty: no command line) in `workingFolder` (empty:
    // the program's folder).
    RunningCopy(const std::wstring& program, const std::wstring& arguments,
                const std::wstring& workingFolder = {});
    ~RunningCopy();
    RunningCopy(const RunningCopy&) = delete;
    RunningCopy& operator=(const RunningCopy&) = delete;

    bool started() const { return static_cast<bool>(process_); }
    DWORD pid() const { return process_.pid; }
    const Process& process() const { return process_; }
    HWND window() const { return window_; }
    const DialogWatcher& boxes() const { return *boxes_; }

    // Waits for the main window to be shown; false when it did not come up.
    bool WaitForWindow(DWORD timeoutMs = kInstallationPatience);
    // Waits until the start-up has run to its end: the notice popup is on the screen, or the
    // box with `boxText` has been answered. With neither (no player library, so no notice
    // step) there is nothing to wait for: clicks queue behind the rest of the start-up.
    bool WaitForStartToFinish(bool notice, const wchar_t* boxText);
    // The window answers messages within the time.
    bool Responsive(DWORD timeoutMs = 10000) const;
    void Click(POINT client) const;
    // Records with the current settings until the auto-stop ends it; the finished file's path,
    // empty when the status line never said the recording was complete.
    std::wstring RecordUntilAutoStop(const std::wstring& expectedFile);
    // Presses play; true when the time display then shows a second or more.
    bool PlayShowsTime(DWORD timeoutMs);
    // Closes with the skin's close button; true when the process then ended with code 0.
    bool CloseCleanly();

private:
    Process process_;
    std::unique_ptr<DialogWatcher> boxes_;
    HWND window_ = nullptr;
};

// Settings for a recording of `seconds` seconds of `recordType` into `folder`.
void PrepareRecorderSettings(const std::wstring& folder, int recordType, int seconds);

// The first running process whose program is `path`, 0 when none is found within the time.
DWORD WaitForProcessOf(const std::wstring& path, DWORD timeoutMs);

}  // namespace velto::test

// Drives a modal property sheet the way a user would: the sheet runs on a thread of its own
// (its user-interface thread) while the test looks at it, types into it and presses its
// buttons; and the settings key is private to the test process.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "recorder/ui/MainWindowOps.h"

namespace velto::test {

class SheetThread {
public:
    // `run` shows the sheet modally and returns its result.
    explicit SheetThread(std::function<INT_PTR()> run);
    // Closes the sheet with Cancel if it is still up, then waits for the thread.
    ~SheetThread();
    SheetThread(const SheetThread&) = delete;
    SheetThread& operator=(const SheetThread&) = delete;

    // The visible top-level dialog with this caption on the sheet's thread; null on time-out.
    HWND WaitForWindow(const std::wstring& caption, DWORD timeoutMs = 10000) const;
    // True once the sheet's DoModal has returned.
    bool WaitForEnd(DWORD timeoutMs = 10000) const;
    DWORD threadId() const { return threadId_.load(); }
    INT_PTR result() const { return result_.load(); }

private:
    std::atomic<DWORD> threadId_{0};
    std::atomic<bool> ended_{false};
    std::atomic<INT_PTR> result_{0};
    std::thread thread_;
};

// The sheet's tab labels, in order.
std::vector<std::wstring> TabLabels(HWND sheet);
// The page at tab `index` (created when its tab was first shown; null before).
HWND PageWindow(HWND sheet, int index);
// Shows tab `index` as a click on it would, and returns its page.
HWND ShowTab(HWND sheet, int index);
std::wstring ItemText(HWND dialog, int id);
bool WindowRectIn(HWND window, HWND parent, RECT& r);

// Points HKEY_CURRENT_USER of this process at a private, empty key for the lifetime of the
// object, so tests that store settings never see or disturb another test's.
class PrivateUserRegistry {
public:
    PrivateUserRegistry();
    ~PrivateUserRegistry();
    PrivateUserRegistry(const PrivateUserRegistry&) = delete;
    PrivateUserRegistry& operator=(const PrivateUserRegistry&) = delete;
    bool ok() const { return ok_; }

private:
    std::wstring path_;
    HKEY key_ = nullptr;
    bool ok_ = false;
};

// The program's settings key: HKCU\Software\Dovrane\VeltoRecorder.
bool ReadSetting(const wchar_t* name, DWORD& value);
void WriteSetting(const wchar_t* name, DWORD value);
void DeleteSetting(const wchar_t* name);

// A main window that counts what the sheet asked of it.
class CountingMainWindowOps : public MainWindowOps {
public:
    HWND MainWindow() const override { return nullptr; }
    void StopAndReset(int) override { ++stopCalls; }
    std::atomic<int> stopCalls{0};
    void OpenVolumeControl() override { ++volumeControlCalls; }
    void RefreshAutoStopDisplay() override { ++refreshCalls; }
    std::atomic<int> volumeControlCalls{0};
    std::atomic<int> refreshCalls{0};
};

}  // namespace velto::test

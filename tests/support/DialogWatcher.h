// Watches the current process (or another one) for dialog boxes and message boxes, records
// their caption and text and answers them, so tests can check the exact words the user would
// read and no test ever hangs on a box nobody closes.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace velto::test {

struct SeenDialog {
    std::wstring caption;
    std::wstring text;  // the texts of its static and edit controls, joined by '\n'
    std::vector<std::wstring> buttons;  // texts of its visible buttons, in window order
    HWND hwnd = nullptr;
    HWND owner = nullptr;
};

// Collects the caption and the visible control texts of a dialog window.
SeenDialog ReadDialog(HWND dialog);
// Presses the button with the given id (WM_COMMAND with BN_CLICKED, as a click would).
void PressDialogButton(HWND dialog, int id);

class DialogWatcher {
public:
    // Decides which button to press for a dialog; return 0 to leave it open for now.
    using Answer = std::function<int(const SeenDialog&)>;

    // Watches process `pid` (0: this process). By default every dialog is answered with its
    // first button that exists among IDOK, IDYES, IDCANCEL, IDNO.
    explicit DialogWatcher(DWORD pid = 0, Answer answer = nullptr);
    ~DialogWatcher();
    DialogWatcher(const DialogWatcher&) = delete;
    DialogWatcher& operator=(const DialogWatcher&) = delete;

    void SetAnswer(Answer answer);
    std::vector<SeenDialog> Seen() const;
    void Clear();
    // Waits until a dialog whose text contains `needle` has been seen; false on time-out.
    bool WaitFor(const std::wstring& needle, DWORD timeoutMs) const;
    static int DefaultAnswer(const SeenDialog& d);

private:
    void Run();

    DWORD pid_;
    mutable std::mutex mutex_;
    Answer answer_;
    std::vector<SeenDialog> seen_;
    std::vector<HWND> handled_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

}  // namespace velto::test

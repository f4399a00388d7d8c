// A RecorderHost for tests: a fixed output path and free space, a message-only window that
// collects WM_RECORDER_NOTIFY, and a scripted save-as dialog. Like the main window, it shows
// the boxes the recorder posts (NOTIFY_MESSAGE) while draining, and then keeps what was to
// follow them as a notification of its own.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "recorder/recording/Recorder.h"

namespace velto::test {

struct Notification {
    WPARAM what;
    LPARAM value;
};

class TestHost : public RecorderHost {
public:
    TestHost();
    ~TestHost() override;

    std::wstring GetOutputPath() override { return outputPath; }
    int GetFreeMegabytes() override { return freeMegabytes; }
    int ChooseSaveFile(int proposeNew) override;
    int CurrentRecordType() const override { return recordType; }
    int CurrentQuality() const override { return quality; }
    HWND NotifyWindow() const override { return window_; }

    // Moves the posted notifications out of the window's queue (call on the creating thread).
    // A posted box is shown (owner-less; a DialogWatcher answers it) and listed in `messages`;
    // its follow-up, if any, is returned as a notification.
    std::vector<Notification> Drain();
    // True once a notification `what` is among `received`, pumping for it until the time runs
    // out; every drained notification is kept in `received`.
    bool WaitFor(WPARAM what, DWORD timeoutMs);

    std::wstring outputPath;
    int freeMegabytes = 1000;
    int recordType = 1;
    int quality = 3;
    // What the save-as dialog does: empty cancels; otherwise it picks this path.
    std::wstring saveAsChoice;
    int saveAsCalls = 0;
    std::vector<Notification> received;
    // The boxes shown, each as "caption|text", in order.
    std::vector<std::wstring> messages;

private:
    HWND window_ = nullptr;
};

}  // namespace velto::test

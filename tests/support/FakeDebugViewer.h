// A debug viewer in the test's own process: a window of the agreed class and a chosen title
// that collects what the debug channel sends it. It receives only while its thread pumps
// messages (a call in this process, or WaitForExitPumping for another process).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/DebugTrace.h"

namespace velto::test {

class FakeDebugViewer {
public:
    struct Received {
        ULONG_PTR dwData;
        std::string bytes;  // all cbData bytes, the terminating NUL included
    };

    explicit FakeDebugViewer(const wchar_t* title = kDebugViewerTitle);
    ~FakeDebugViewer();
    FakeDebugViewer(const FakeDebugViewer&) = delete;
    FakeDebugViewer& operator=(const FakeDebugViewer&) = delete;

    std::vector<Received> received;
    // The texts received, each without its terminating NUL.
    std::vector<std::string> Lines() const;

private:
    static LRESULT CALLBACK Procedure(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    HWND hwnd_ = nullptr;
};

}  // namespace velto::test

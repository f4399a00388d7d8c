// An OutputFilesHost for tests: the path box is a string, the record type and quality are
// fields, and a window of its own receives what the component posts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "recorder/ui/OutputFiles.h"

namespace velto::test {

class FilesHost : public OutputFilesHost {
public:
    // A hidden top-level window, so it can own the save-as dialog and the question box.
    FilesHost();
    ~FilesHost() override;
    FilesHost(const FilesHost&) = delete;
    FilesHost& operator=(const FilesHost&) = delete;

    std::wstring PathBoxText() const override { return pathBox; }
    void SetPathBoxText(const std::wstring& text) override { pathBox = text; }
    int CurrentRecordType() const override { return recordType; }
    int CurrentQuality() const override { return quality; }
    void RedrawFreeSpace() override { ++freeSpaceRedraws; }
    HWND NotifyWindow() const override { return window_; }

    struct Notification {
        WPARAM what;
        bool dialogOpen;  // a dialog of this thread was running when it arrived
    };
    // Delivers what is queued for the window and returns everything it received so far.
    const std::vector<Notification>& Received();

    std::wstring pathBox;
    int recordType = 1;
    int quality = 3;
    int freeSpaceRedraws = 0;

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    HWND window_ = nullptr;
    std::vector<Notification> received_;
};

}  // namespace velto::test

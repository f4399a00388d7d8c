// What the options sheet and its pages may ask of the main window, and the one entry that
// runs the sheet. The main window implements MainWindowOps and calls RunOptionSheet for its
// options command; the sheet's pages keep the reference for as long as the sheet runs.
#pragma once

#include <windows.h>

namespace velto {

class MainWindowOps {
public:
    virtual ~MainWindowOps() = default;
    // Owner of the sheet and of the pages' message boxes.
    virtual HWND MainWindow() const = 0;
    // Stops a recording or playback and resets the display; complete = 1 shows the finished
    // file's size in the status line, 0 the ready text.
    virtual void StopAndReset(int complete) = 0;
    // The recording-volume page's fall-back: opens the system's recording controls when the
    // main window found no recording line of its own.
    virtual void OpenVolumeControl() = 0;
    // The auto-stop page saved new settings: redraw the auto-stop time (not while recording).
    virtual void RefreshAutoStopDisplay() = 0;
};

// Runs the options sheet modally over the main window (without an Apply button) and returns
// the sheet's result. The main window stops and resets itself afterwards, whatever the result.
INT_PTR RunOptionSheet(MainWindowOps& mainWindow);

}  // namespace velto

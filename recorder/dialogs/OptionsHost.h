// What the options sheet needs from the main window. The main window implements it and hands
// itself to COptionSheet; tests supply their own.
#pragma once

namespace velto {

class OptionsHost {
public:
    virtual ~OptionsHost() = default;
    // The automatic level set-up has started: when the main window found no recording line
    // of its own, it opens the Windows recording control so the user can set the level by
    // hand; otherwise it does nothing.
    virtual void OpenVolumeControl() = 0;
    // The auto-stop settings were saved: redraw the auto-stop time unless a recording runs.
    virtual void RefreshAutoStopDisplay() = 0;
};

}  // namespace velto

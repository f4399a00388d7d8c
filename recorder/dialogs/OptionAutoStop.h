// The auto-stop page of the options sheet: whether a recording stops by itself and after how
// long, as hours, minutes and seconds. Saved (to the shared values and the registry) only when
// the sheet closes with OK and the page was opened.
#pragma once

#include "recorder/ui/MainWindowOps.h"
#include "recorder/dialogs/PropertySheet.h"

namespace velto {

struct StopTimeParts {
    int hours;
    int minutes;
    int seconds;
};

// How the page shows a time: 3725 s is 1 h 2 min 5 s.
StopTimeParts SplitStopTime(int seconds);
// What the page saves; parts out of their spin ranges are taken as they are.
int JoinStopTime(const StopTimeParts& parts);

class COptionAutoStop : public CPropertyPage {
public:
    static constexpr int kMaxHours = 100;
    static constexpr int kMaxMinutes = 59;
    static constexpr int kMaxSeconds = 60;

    // `host` may be null (then nothing is refreshed).
    COptionAutoStop(HINSTANCE instance, MainWindowOps* host);

protected:
    BOOL OnInitDialog() override;
    bool OnApply() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void SetUpSpin(int spinId, int maximum, int position);
    void EnableTimeEdits(bool enable);
    bool AutoStopTicked() const;

    MainWindowOps* host_;
};

}  // namespace velto

// The options sheet "옵션 및 정보": recording volume, auto-stop and about, in that tab order.
// The main window's options command runs it through RunOptionSheet (recorder/ui/
// MainWindowOps.h) and then stops whatever is running.
#pragma once

#include "recorder/dialogs/OptionAboutDlg.h"
#include "recorder/dialogs/OptionAutoStop.h"
#include "recorder/ui/MainWindowOps.h"
#include "recorder/dialogs/PropertySheet.h"
#include "recorder/mixer/OptionMixerDlg.h"

namespace velto {

class COptionSheet : public CPropertySheet {
public:
    // The sheet is laid out for pages this much narrower and lower than their templates.
    static constexpr int kNarrower = 70;
    static constexpr int kLower = 40;

    // `host` (the main window; may be null) is what the pages ask; the sheet has no Apply
    // button. `mixer` is where the
    // recording-volume page finds its line (tests give a scripted one).
    COptionSheet(HINSTANCE instance, MainWindowOps* host, MixerApi& mixer = SystemMixer());

    COptionMixerDlg& mixerPage() noexcept { return mixer_; }
    COptionAutoStop& autoStopPage() noexcept { return autoStop_; }
    COptionAboutDlg& aboutPage() noexcept { return about_; }

protected:
    void OnInitSheet() override;
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void CentreOverOwner();

    COptionAboutDlg about_;
    COptionAutoStop autoStop_;
    COptionMixerDlg mixer_;
};

}  // namespace velto

// The about page of the options sheet: version, maker, the maker's home page (a click on the
// address opens it in the default browser) and the banner.
#pragma once

#include "recorder/dialogs/PropertySheet.h"

namespace velto {

class COptionAboutDlg : public CPropertyPage {
public:
    // The click area over the address line, in page client pixels.
    static constexpr RECT kAddressClickArea{72, 70, 255, 91};

    explicit COptionAboutDlg(HINSTANCE instance);

    // True for a page point that opens the home page.
    bool IsOnAddress(POINT pagePoint) const;

protected:
    BOOL OnInitDialog() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
};

}  // namespace velto

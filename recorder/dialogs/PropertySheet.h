// Property sheets without a framework: a page class whose dialog-procedure thunk turns the
// sheet's notifications into virtual calls, and a sheet that runs PropertySheetW modally and
// gives its subclass the sheet window's own initialisation and messages.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <vector>

namespace velto {

class CPropertyPage {
public:
    CPropertyPage(HINSTANCE instance, int templateId) : instance_(instance), templateId_(templateId)
    {
    }
    virtual ~CPropertyPage() = default;
    CPropertyPage(const CPropertyPage&) = delete;
    CPropertyPage& operator=(const CPropertyPage&) = delete;

    // The page's record for PropertySheetW; it carries this object to the thunk.
    PROPSHEETPAGEW Record();
    // Null until the sheet creates the page (when its tab is first shown) and after the page
    // is destroyed.
    HWND hwnd() const noexcept { return hwnd_; }
    HWND sheet() const noexcept { return hwnd_ ? ::GetParent(hwnd_) : nullptr; }

    static INT_PTR CALLBACK PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

protected:
    // Return TRUE to let the system set the default focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    // The page becomes the visible one. Return false to refuse.
    virtual bool OnSetActive() { return true; }
    // Another page is about to be shown. Return false to keep this one.
    virtual bool OnKillActive() { return true; }
    // The sheet is closing with OK; only pages that were ever created hear it. Return false to
    // keep the sheet open.
    virtual bool OnApply() { return true; }
    // The sheet is closing with Cancel (or its close box).
    virtual void OnReset() {}
    // Cancel was asked for. Return false to refuse it.
    virtual bool OnQueryCancel() { return true; }
    // Every other message. Return TRUE when handled (DWLP_MSGRESULT set where needed).
    virtual INT_PTR HandleMessage(UINT msg, WPARAM wp, LPARAM lp) { return FALSE; }

    HINSTANCE instance() const noexcept { return instance_; }
    HWND item(int id) const noexcept { return ::GetDlgItem(hwnd_, id); }

private:
    INT_PTR Dispatch(UINT msg, WPARAM wp, LPARAM lp);
    bool HandleNotify(const NMHDR& n, LONG_PTR& result);

    HINSTANCE instance_;
    int templateId_;
    HWND hwnd_ = nullptr;
};

class CPropertySheet {
public:
    // The caption is a string resource of `instance`.
    CPropertySheet(HINSTANCE instance, int captionId, UINT startPage = 0);
    virtual ~CPropertySheet() = default;
    CPropertySheet(const CPropertySheet&) = delete;
    CPropertySheet& operator=(const CPropertySheet&) = delete;

    // Pages are shown as tabs in the order they are added; they must outlive DoModal.
    void AddPage(CPropertyPage& page) { pages_.push_back(&page); }
    // The header PropertySheetW gets; callers may add flags (PSH_NOAPPLYNOW...).
    PROPSHEETHEADERW& header() noexcept { return header_; }
    // Runs the sheet modally over `owner` (may be null). Returns what PropertySheetW returned
    // (-1 when it could not be shown).
    INT_PTR DoModal(HWND owner);
    // Null unless the sheet is up.
    HWND hwnd() const noexcept { return hwnd_; }

protected:
    // Once the sheet window, its buttons, its tab control and its first page exist, before
    // the sheet takes any input.
    virtual void OnInitSheet() {}
    // Messages of the sheet window itself. Unhandled ones go to CallDefault.
    virtual LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);
    LRESULT CallDefault(UINT msg, WPARAM wp, LPARAM lp);
    // Moves and resizes a child of the sheet by deltas, in the sheet's client coordinates.
    void Nudge(HWND child, int dx, int dy, int dWidth, int dHeight);

private:
    static int CALLBACK SheetCallback(HWND hwnd, UINT msg, LPARAM lp);
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR self);

    PROPSHEETHEADERW header_{};
    std::vector<CPropertyPage*> pages_;
    HWND hwnd_ = nullptr;
    bool initialised_ = false;
};

}  // namespace velto

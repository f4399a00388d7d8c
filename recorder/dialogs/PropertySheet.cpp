#include "recorder/dialogs/PropertySheet.h"

namespace velto {

namespace {

// Sent to the sheet once PropertySheetW has finished building it (see SheetCallback).
constexpr UINT WM_SHEET_READY = WM_APP + 0x310;
constexpr UINT_PTR kSubclassId = 1;

// The sheet callback carries no pointer of ours: the sheet being built on this thread is
// handed over here. PropertySheetW calls back on the calling thread before it returns.
thread_local CPropertySheet* t_sheetBeingBuilt = nullptr;

}  // namespace

// ---- pages ----

PROPSHEETPAGEW CPropertyPage::Record()
{
    PROPSHEETPAGEW p{};
    p.dwSize = sizeof p;
    p.dwFlags = PSP_DEFAULT;
    p.hInstance = instance_;
    p.pszTemplate = MAKEINTRESOURCEW(templateId_);
    p.pfnDlgProc = &CPropertyPage::PageProc;
    p.lParam = reinterpret_cast<LPARAM>(this);
    return p;
}

INT_PTR CALLBACK CPropertyPage::PageProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    CPropertyPage* self = nullptr;
    if (msg == WM_INITDIALOG) {
        // lParam is the sheet's copy of our record; its lParam is the page object.
        const auto* record = reinterpret_cast<const PROPSHEETPAGEW*>(lp);
        self = record ? reinterpret_cast<CPropertyPage*>(record->lParam) : nullptr;
        if (self) {
            self->hwnd_ = hwnd;
            ::SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<CPropertyPage*>(::GetWindowLongPtrW(hwnd, DWLP_USER));
    }
    if (!self) return FALSE;

    INT_PTR result = FALSE;
    try {
        result = self->Dispatch(msg, wp, lp);
    } catch (...) {
        // Nothing may unwind into the dialog manager.
        result = FALSE;
    }
    if (msg == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        self->hwnd_ = nullptr;
    }
    return result;
}

INT_PTR CPropertyPage::Dispatch(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_INITDIALOG) return OnInitDialog();
    if (msg == WM_NOTIFY && lp) {
        LONG_PTR result = 0;
        if (HandleNotify(*reinterpret_cast<const NMHDR*>(lp), result)) {
            ::SetWindowLongPtrW(hwnd_, DWLP_MSGRESULT, result);
            return TRUE;
        }
    }
    return HandleMessage(msg, wp, lp);
}

bool CPropertyPage::HandleNotify(const NMHDR& n, LONG_PTR& result)
{
    switch (n.code) {
        case PSN_SETACTIVE: result = OnSetActive() ? 0 : -1; return true;
        case PSN_KILLACTIVE: result = OnKillActive() ? FALSE : TRUE; return true;
        case PSN_APPLY:
            result = OnApply() ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE;
            return true;
        case PSN_RESET:
            OnReset();
            result = 0;
            return true;
        case PSN_QUERYCANCEL: result = OnQueryCancel() ? FALSE : TRUE; return true;
        default: return false;
    }
}

// ---- the sheet ----

CPropertySheet::CPropertySheet(HINSTANCE instance, int captionId, UINT startPage)
{
    header_.dwSize = sizeof header_;
    header_.dwFlags = PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    header_.hInstance = instance;
    header_.pszCaption = MAKEINTRESOURCEW(captionId);
    header_.nStartPage = startPage;
}

INT_PTR CPropertySheet::DoModal(HWND owner)
{
    std::vector<PROPSHEETPAGEW> records;
    records.reserve(pages_.size());
    for (CPropertyPage* page : pages_) records.push_back(page->Record());
    if (records.empty()) return -1;
    // Pages may hold trackbars, spins and the like; the tab control is the sheet's own.
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    ::InitCommonControlsEx(&icc);

    PROPSHEETHEADERW h = header_;
    h.dwFlags |= PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    h.dwFlags &= ~static_cast<DWORD>(PSH_MODELESS);
    h.hwndParent = owner;
    h.nPages = static_cast<UINT>(records.size());
    h.ppsp = records.data();
    h.pfnCallback = &CPropertySheet::SheetCallback;

    CPropertySheet* outer = t_sheetBeingBuilt;
    t_sheetBeingBuilt = this;
    initialised_ = false;
    const INT_PTR result = ::PropertySheetW(&h);
    t_sheetBeingBuilt = outer;
    hwnd_ = nullptr;
    return result;
}

int CALLBACK CPropertySheet::SheetCallback(HWND hwnd, UINT msg, LPARAM)
{
    if (msg != PSCB_INITIALIZED) return 0;
    CPropertySheet* self = t_sheetBeingBuilt;
    if (!self || self->hwnd_) return 0;
    self->hwnd_ = hwnd;
    ::SetWindowSubclass(hwnd, &CPropertySheet::SubclassProc, kSubclassId,
                        reinterpret_cast<DWORD_PTR>(self));
    // The sheet is still inside its own initialisation here: its first page does not exist
    // yet. It is shown right after that initialisation, before it takes any input; should
    // it not be, the posted message comes before the first paint.
    ::PostMessageW(hwnd, WM_SHEET_READY, 0, 0);
    return 0;
}

LRESULT CALLBACK CPropertySheet::SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                              DWORD_PTR data)
{
    auto* self = reinterpret_cast<CPropertySheet*>(data);
    LRESULT result = 0;
    try {
        const bool ready = msg == WM_SHEET_READY || (msg == WM_SHOWWINDOW && wp);
        if (ready && !self->initialised_) {
            self->initialised_ = true;
            self->OnInitSheet();
        }
        if (msg != WM_SHEET_READY) result = self->HandleMessage(msg, wp, lp);
    } catch (...) {
        result = ::DefSubclassProc(hwnd, msg, wp, lp);
    }
    if (msg == WM_NCDESTROY) {
        ::RemoveWindowSubclass(hwnd, &CPropertySheet::SubclassProc, kSubclassId);
        self->hwnd_ = nullptr;
    }
    return result;
}

LRESULT CPropertySheet::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    return CallDefault(msg, wp, lp);
}

LRESULT CPropertySheet::CallDefault(UINT msg, WPARAM wp, LPARAM lp)
{
    return ::DefSubclassProc(hwnd_, msg, wp, lp);
}

void CPropertySheet::Nudge(HWND child, int dx, int dy, int dWidth, int dHeight)
{
    if (!child || !hwnd_) return;
    RECT r{};
    ::GetWindowRect(child, &r);
    ::MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
    ::MoveWindow(child, r.left + dx, r.top + dy, r.right - r.left + dWidth,
                 r.bottom - r.top + dHeight, TRUE);
}

}  // namespace velto

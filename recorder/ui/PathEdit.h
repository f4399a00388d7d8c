// The path box: a plain edit control that shows the current file over the skin's grey field.
// It owns the brush its parent hands back for it in WM_CTLCOLOR*.
#pragma once

#include <windows.h>

#include <string>

#include "common/win/Handles.h"

namespace velto {

class CPathEdit {
public:
    CPathEdit() = default;
    ~CPathEdit();
    CPathEdit(const CPathEdit&) = delete;
    CPathEdit& operator=(const CPathEdit&) = delete;

    bool Create(HWND parent, const RECT& rect, int id);
    void Destroy();

    HWND hwnd() const noexcept { return hwnd_; }
    HBRUSH brush() const noexcept { return brush_.get(); }

    std::wstring Text() const;
    void SetText(const std::wstring& text);

private:
    HWND hwnd_ = nullptr;
    UniqueBrush brush_;
};

}  // namespace velto

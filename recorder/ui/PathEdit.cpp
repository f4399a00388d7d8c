#include "recorder/ui/PathEdit.h"

#include "recorder/ui/SkinLayout.h"

namespace velto {

CPathEdit::~CPathEdit()
{
    Destroy();
}

bool CPathEdit::Create(HWND parent, const RECT& rect, int id)
{
    // The box only shows the path; the program alone changes it, so it never takes input.
    hwnd_ = ::CreateWindowExW(
        0, L"EDIT", L"", WS_CHILD | ES_AUTOHSCROLL | WS_DISABLED, rect.left, rect.top,
        rect.right - rect.left, rect.bottom - rect.top, parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
        reinterpret_cast<HINSTANCE>(::GetWindowLongPtrW(parent, GWLP_HINSTANCE)), nullptr);
    if (!hwnd_) return false;
    brush_.reset(::CreateSolidBrush(skin::kPathBoxBackground));
    ::ShowWindow(hwnd_, SW_SHOW);
    return true;
}

void CPathEdit::Destroy()
{
    if (hwnd_ && ::IsWindow(hwnd_)) ::DestroyWindow(hwnd_);
    hwnd_ = nullptr;
    brush_.reset();
}

std::wstring CPathEdit::Text() const
{
    if (!hwnd_) return {};
    int n = ::GetWindowTextLengthW(hwnd_);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    n = ::GetWindowTextW(hwnd_, s.data(), n + 1);
    s.resize(static_cast<size_t>(n > 0 ? n : 0));
    return s;
}

void CPathEdit::SetText(const std::wstring& text)
{
    if (hwnd_) ::SetWindowTextW(hwnd_, text.c_str());
}

}  // namespace velto

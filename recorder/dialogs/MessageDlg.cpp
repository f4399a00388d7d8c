#include "recorder/dialogs/MessageDlg.h"

#include "common/AppMessageBox.h"
#include "recorder/res/resource.h"

namespace velto {

CMessageDlg::CMessageDlg(const wchar_t* text, const wchar_t* caption, HWND parent)
    : Dialog(::GetModuleHandleW(nullptr), IDD_MESSAGE),
      caption_(caption ? caption : kAppName),
      text_(text ? text : L""),
      parent_(parent)
{
}

int CMessageDlg::Run()
{
    const INT_PTR result = DoModal(parent_);
    if (result == IDOK) return kYes;
    if (result != -1 && result != 0) return kNo;
    // The template could not be loaded: the question must still reach the user.
    const UINT type = question_ ? (MB_YESNO | MB_ICONQUESTION) : (MB_OK | MB_ICONEXCLAMATION);
    const int answer = ::MessageBoxW(parent_, text_.c_str(), caption_.c_str(), type);
    return (answer == IDYES || answer == IDOK) ? kYes : kNo;
}

int CMessageDlg::Show(const wchar_t* text, const wchar_t* caption, int questionFlag, HWND parent)
{
    CMessageDlg dlg(text, caption, parent);
    dlg.SetQuestion(questionFlag);
    return dlg.Run();
}

BOOL CMessageDlg::OnInitDialog()
{
    ::SetWindowTextW(hwnd(), caption_.c_str());
    ::SetDlgItemTextW(hwnd(), IDC_MESSAGE_TEXT, text_.c_str());
    if (!question_) ShowSingleButton();
    return TRUE;
}

void CMessageDlg::ShowSingleButton()
{
    ::ShowWindow(::GetDlgItem(hwnd(), IDCANCEL), SW_HIDE);
    HWND ok = ::GetDlgItem(hwnd(), IDOK);
    ::MoveWindow(ok, 95, 80, 70, 25, TRUE);
    ::SetWindowTextW(ok, L"확인");
}

}  // namespace velto

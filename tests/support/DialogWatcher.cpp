#include "tests/support/DialogWatcher.h"

#include <algorithm>

namespace velto::test {
namespace {

std::wstring WindowText(HWND hwnd)
{
    int n = ::GetWindowTextLengthW(hwnd);
    std::wstring s(static_cast<size_t>(n) + 1, L'\0');
    n = ::GetWindowTextW(hwnd, s.data(), n + 1);
    s.resize(static_cast<size_t>(n > 0 ? n : 0));
    return s;
}

// GetWindowText does not ask a window of another process for its text (it returns the text
// the system keeps, which an edit control never updates); WM_GETTEXT is marshalled and does.
std::wstring ControlText(HWND hwnd)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == ::GetCurrentProcessId()) return WindowText(hwnd);
    wchar_t buf[4096] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf),
                               SMTO_ABORTIFHUNG, 2000, &copied))
        return {};
    return std::wstring(buf, copied < 4096 ? copied : 4095);
}

std::wstring ClassName(HWND hwnd)
{
    wchar_t buf[128] = {};
    ::GetClassNameW(hwnd, buf, 128);
    return buf;
}

struct Enumeration {
    DWORD pid;
    std::vector<HWND> dialogs;
};

BOOL CALLBACK CollectDialogs(HWND hwnd, LPARAM lp)
{
    auto* e = reinterpret_cast<Enumeration*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == e->pid && ::IsWindowVisible(hwnd) && ClassName(hwnd) == L"#32770")
        e->dialogs.push_back(hwnd);
    return TRUE;
}

}  // namespace

SeenDialog ReadDialog(HWND dialog)
{
    SeenDialog d;
    d.hwnd = dialog;
    d.caption = WindowText(dialog);
    d.owner = ::GetWindow(dialog, GW_OWNER);
    for (HWND child = ::GetWindow(dialog, GW_CHILD); child;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
        std::wstring cls = ClassName(child);
        for (auto& c : cls) c = static_cast<wchar_t>(::towlower(c));
        if (cls == L"button" && ::IsWindowVisible(child)) d.buttons.push_back(WindowText(child));
        if (cls != L"static" && cls != L"edit") continue;
        std::wstring t = ControlText(child);
        if (t.empty()) continue;
        if (!d.text.empty()) d.text += L'\n';
        d.text += t;
    }
    return d;
}

void PressDialogButton(HWND dialog, int id)
{
    HWND button = ::GetDlgItem(dialog, id);
    ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                   reinterpret_cast<LPARAM>(button));
}

int DialogWatcher::DefaultAnswer(const SeenDialog& d)
{
    for (int id : {IDOK, IDYES, IDCANCEL, IDNO}) {
        HWND b = ::GetDlgItem(d.hwnd, id);
        if (b && ::IsWindowVisible(b) && ::IsWindowEnabled(b)) return id;
    }
    return 0;
}

DialogWatcher::DialogWatcher(DWORD pid, Answer answer)
    : pid_(pid ? pid : ::GetCurrentProcessId()), answer_(std::move(answer))
{
    if (!answer_) answer_ = &DialogWatcher::DefaultAnswer;
    thread_ = std::thread([this] { Run(); });
}

DialogWatcher::~DialogWatcher()
{
    stop_ = true;
    thread_.join();
}

void DialogWatcher::SetAnswer(Answer answer)
{
    std::lock_guard<std::mutex> lock(mutex_);
    answer_ = answer ? std::move(answer) : Answer(&DialogWatcher::DefaultAnswer);
}

std::vector<SeenDialog> DialogWatcher::Seen() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return seen_;
}

void DialogWatcher::Clear()
{
    std::lock_guard<std::mutex> lock(mutex_);
    seen_.clear();
}

bool DialogWatcher::WaitFor(const std::wstring& needle, DWORD timeoutMs) const
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            for (const auto& d : seen_)
                if (d.text.find(needle) != std::wstring::npos) return true;
        }
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(20);
    }
}

void DialogWatcher::Run()
{
    while (!stop_) {
        Enumeration e{pid_, {}};
        ::EnumWindows(&CollectDialogs, reinterpret_cast<LPARAM>(&e));
        for (HWND dlg : e.dialogs) {
            SeenDialog d = ReadDialog(dlg);
            Answer answer;
            {
                std::lock_guard<std::mutex> lock(mutex_);
                bool known = std::find(handled_.begin(), handled_.end(), dlg) != handled_.end();
                if (!known) {
                    seen_.push_back(d);
                    handled_.push_back(dlg);
                }
                answer = answer_;
            }
            int id = answer(d);
            if (id != 0) PressDialogButton(dlg, id);
        }
        // Forget handles of dialogs that are gone, so a reused handle counts as new.
        {
            std::lock_guard<std::mutex> lock(mutex_);
            handled_.erase(std::remove_if(handled_.begin(), handled_.end(),
                                          [](HWND h) { return !::IsWindow(h); }),
                           handled_.end());
        }
        ::Sleep(30);
    }
}

}  // namespace velto::test

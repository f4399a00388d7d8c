#include "tests/options/SheetDriver.h"

namespace velto::test {

namespace {

constexpr wchar_t kSettingsKey[] = L"Software\\Dovrane\\VeltoRecorder";

struct Search {
    std::wstring caption;
    HWND found = nullptr;
};

BOOL CALLBACK FindCaption(HWND hwnd, LPARAM lp)
{
    auto* s = reinterpret_cast<Search*>(lp);
    wchar_t cls[64] = {}, text[256] = {};
    ::GetClassNameW(hwnd, cls, 64);
    ::GetWindowTextW(hwnd, text, 256);
    if (::IsWindowVisible(hwnd) && std::wstring(cls) == L"#32770" && s->caption == text) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CancelVisible(HWND hwnd, LPARAM)
{
    if (::IsWindowVisible(hwnd)) ::PostMessageW(hwnd, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

}  // namespace

SheetThread::SheetThread(std::function<INT_PTR()> run)
{
    thread_ = std::thread([this, run] {
        threadId_ = ::GetCurrentThreadId();
        result_ = run();
        ended_ = true;
    });
    while (threadId_.load() == 0) ::Sleep(1);
}

SheetThread::~SheetThread()
{
    // A failed check may leave the sheet up: cancel it, and answer anything it shows.
    while (!ended_) {
        ::EnumThreadWindows(threadId_, &CancelVisible, 0);
        ::Sleep(50);
    }
    thread_.join();
}

HWND SheetThread::WaitForWindow(const std::wstring& caption, DWORD timeoutMs) const
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        Search s{caption};
        ::EnumThreadWindows(threadId_, &FindCaption, reinterpret_cast<LPARAM>(&s));
        if (s.found) {
            // Let the sheet finish its own start-up (it lays itself out from a posted message).
            ::SendMessageW(s.found, WM_NULL, 0, 0);
            return s.found;
        }
        if (ended_ || ::GetTickCount() - start > timeoutMs) return nullptr;
        ::Sleep(20);
    }
}

bool SheetThread::WaitForEnd(DWORD timeoutMs) const
{
    const DWORD start = ::GetTickCount();
    while (!ended_) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(20);
    }
    return true;
}

std::vector<std::wstring> TabLabels(HWND sheet)
{
    HWND tab = reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0));
    std::vector<std::wstring> labels;
    const int n = static_cast<int>(::SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t text[128] = {};
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text;
        item.cchTextMax = 128;
        ::SendMessageW(tab, TCM_GETITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
        labels.emplace_back(text);
    }
    return labels;
}

HWND PageWindow(HWND sheet, int index)
{
    return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_INDEXTOHWND, index, 0));
}

HWND ShowTab(HWND sheet, int index)
{
    ::SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    return reinterpret_cast<HWND>(::SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

std::wstring ItemText(HWND dialog, int id)
{
    wchar_t text[256] = {};
    ::GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

bool WindowRectIn(HWND window, HWND parent, RECT& r)
{
    if (!window || !::GetWindowRect(window, &r)) return false;
    ::MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return true;
}

PrivateUserRegistry::PrivateUserRegistry()
{
    path_ = L"Software\\VeltoTests\\user-" + std::to_wstring(::GetCurrentProcessId());
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key_, nullptr) != ERROR_SUCCESS)
        return;
    ok_ = ::RegOverridePredefKey(HKEY_CURRENT_USER, key_) == ERROR_SUCCESS;
}

PrivateUserRegistry::~PrivateUserRegistry()
{
    if (ok_) ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    if (key_) ::RegCloseKey(key_);
    ::RegDeleteTreeW(HKEY_CURRENT_USER, path_.c_str());
}

bool ReadSetting(const wchar_t* name, DWORD& value)
{
    DWORD size = sizeof value;
    return ::RegGetValueW(HKEY_CURRENT_USER, kSettingsKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                          &size) == ERROR_SUCCESS;
}

void WriteSetting(const wchar_t* name, DWORD value)
{
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name, REG_DWORD, &value, sizeof value);
}

void DeleteSetting(const wchar_t* name)
{
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kSettingsKey, name);
}

}  // namespace velto::test

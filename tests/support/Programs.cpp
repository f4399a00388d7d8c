#include "tests/support/Programs.h"

#include "common/ProgramFolder.h"
#include "common/Text.h"

namespace velto::test {

std::wstring UniqueTempName(const std::wstring& stem)
{
    static LONG counter = 0;
    return stem + L"-" + std::to_wstring(::InterlockedIncrement(&counter));
}

std::wstring BinFolder()
{
    return ProgramFolder();
}

bool CopyProgram(const std::wstring& name, const std::wstring& target)
{
    const std::wstring source = name.find(L'\\') == std::wstring::npos ? BinFolder() + name : name;
    return ::CopyFileW(source.c_str(), target.c_str(), FALSE) != 0;
}

std::string ReadFileString(const std::wstring& path)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    if (!file) return {};
    std::string out;
    char buf[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    return out;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    UniqueFile file(
        ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                       nullptr) &&
           written == bytes.size();
}

std::vector<std::wstring> ReadUtf8Lines(const std::wstring& path)
{
    std::vector<std::wstring> lines;
    const std::wstring text = Utf8ToWide(ReadFileString(path));
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L'\n', start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

Process StartProgram(const std::wstring& program, const std::wstring& arguments,
                     const std::wstring& folder)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    if (!arguments.empty()) commandLine += L" " + arguments;
    std::wstring directory = folder;
    if (directory.empty()) {
        const size_t slash = program.find_last_of(L'\\');
        if (slash != std::wstring::npos) directory = program.substr(0, slash + 1);
    }
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    Process p;
    if (!::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          directory.empty() ? nullptr : directory.c_str(), &si, &pi))
        return p;
    ::CloseHandle(pi.hThread);
    p.handle.reset(pi.hProcess);
    p.pid = pi.dwProcessId;
    return p;
}

bool WaitForExit(const Process& p, DWORD timeoutMs)
{
    return p && ::WaitForSingleObject(p.handle.get(), timeoutMs) == WAIT_OBJECT_0;
}

bool WaitForExitPumping(const Process& p, DWORD timeoutMs)
{
    if (!p) return false;
    const DWORD start = ::GetTickCount();
    for (;;) {
        const DWORD spent = ::GetTickCount() - start;
        if (spent >= timeoutMs) return false;
        HANDLE h = p.handle.get();
        const DWORD r = ::MsgWaitForMultipleObjects(1, &h, FALSE, timeoutMs - spent, QS_ALLINPUT);
        if (r == WAIT_OBJECT_0) return true;
        if (r != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
}

void KillIfRunning(const Process& p)
{
    if (p && ::WaitForSingleObject(p.handle.get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(p.handle.get(), 1);
        ::WaitForSingleObject(p.handle.get(), 10000);
    }
}

namespace {
struct WindowSearch {
    const wchar_t* className;
    DWORD pid;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM lp)
{
    auto* s = reinterpret_cast<WindowSearch*>(lp);
    wchar_t cls[256] = {};
    ::GetClassNameW(hwnd, cls, 256);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (wcscmp(cls, s->className) == 0 && (s->pid == 0 || s->pid == pid) &&
        ::IsWindowVisible(hwnd)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND FindProcessWindow(const wchar_t* className, DWORD pid)
{
    WindowSearch s{className, pid, nullptr};
    ::EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

HWND WaitForProcessWindow(const wchar_t* className, DWORD pid, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (HWND h = FindProcessWindow(className, pid)) return h;
        if (::GetTickCount() - start > timeoutMs) return nullptr;
        ::Sleep(50);
    }
}

std::wstring WindowProgram(HWND hwnd)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    if (!process) return {};
    wchar_t path[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    if (!::QueryFullProcessImageNameW(process.get(), 0, path, &size)) return {};
    return std::wstring(path, size);
}

std::vector<ProbeStart> ReadProbeStarts(const std::wstring& probeProgramPath)
{
    std::vector<ProbeStart> starts;
    for (const auto& line : ReadUtf8Lines(probeProgramPath + L".log")) {
        const size_t bar = line.find(L'|');
        if (bar == std::wstring::npos) continue;
        starts.push_back({line.substr(0, bar), line.substr(bar + 1)});
    }
    return starts;
}

bool WaitForProbeStarts(const std::wstring& probeProgramPath, size_t count, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (ReadProbeStarts(probeProgramPath).size() >= count) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(50);
    }
}

}  // namespace velto::test

// Renovo.dll: the update library the Updater runs. It keeps the program folder it lives in
// up to date from an update list, and brings the recorder back when it is done.
//
// Entry points (stdcall, exported undecorated):
//   int RunUpdater(const char* arguments)   3: files were replaced, run another pass
//                                           0: the recorder has been started (or is missing)
//   int RunExecute(int code, const char* arguments)   code -2222: start the recorder
// arguments (UTF-8): "<update list address>@@<title>##<version library>"
#include <windows.h>

#include <string>

#include "common/DebugTrace.h"
#include "common/ProgramFolder.h"
#include "common/SingleInstance.h"
#include "common/Text.h"
#include "outside/renovo/Installer.h"
#include "outside/renovo/UpdateKey.h"

namespace {

constexpr int kAnotherPass = 3;
constexpr int kExecuteCode = -2222;
// How long a recorder that is still ending may hold the single-instance name.
constexpr DWORD kLauncherWaitMs = 10000;
constexpr wchar_t kRecorder[] = L"VeltoRecorder.exe";
constexpr wchar_t kRecorderArguments[] = L"/run";

struct Arguments {
    std::wstring listAddress;
    std::wstring title;
    std::wstring versionLibrary;
};

Arguments SplitArguments(const char* text)
{
    const std::wstring all = velto::Utf8ToWide(text ? text : "");
    Arguments a;
    const size_t at = all.find(L"@@");
    a.listAddress = all.substr(0, at);
    if (at == std::wstring::npos) return a;
    const std::wstring rest = all.substr(at + 2);
    const size_t hash = rest.find(L"##");
    a.title = rest.substr(0, hash);
    if (hash != std::wstring::npos) a.versionLibrary = rest.substr(hash + 2);
    return a;
}

// The folder this library was loaded from: the Updater's, which is the program's.
std::wstring OwnFolder()
{
    HMODULE self = nullptr;
    if (!::GetModuleHandleExW(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCWSTR>(&OwnFolder), &self))
        return {};
    wchar_t path[MAX_PATH * 2] = {};
    const DWORD n = ::GetModuleFileNameW(self, path, MAX_PATH * 2);
    if (n == 0 || n >= MAX_PATH * 2) return {};
    std::wstring folder(path, n);
    const size_t slash = folder.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : folder.substr(0, slash + 1);
}

// "Renovo.ini" beside the library may name another list ([Renovo] List=...), so a
// publication can be tried from a test server before it goes live.
std::wstring ListAddress(const std::wstring& folder, const std::wstring& given)
{
    const std::wstring ini = folder + L"Renovo.ini";
    if (!velto::FileExists(ini)) return given;
    wchar_t value[2048] = {};
    ::GetPrivateProfileStringW(L"Renovo", L"List", L"", value, 2048, ini.c_str());
    return value[0] ? std::wstring(value) : given;
}

// The recorder that started the Updater still holds the single-instance name for a moment;
// a new recorder started before it is gone would refuse to run.
void WaitForLauncherToEnd()
{
    const DWORD start = ::GetTickCount();
    while (::GetTickCount() - start < kLauncherWaitMs) {
        HANDLE held = ::OpenMutexW(SYNCHRONIZE, FALSE, velto::kInstanceMutexName);
        if (!held) return;
        // Our own handle would keep the name alive: look, let go, look again.
        ::CloseHandle(held);
        ::Sleep(100);
    }
}

void StartRecorder(const std::wstring& folder, const std::wstring& title)
{
    const std::wstring program = folder + kRecorder;
    if (folder.empty() || !velto::FileExists(program)) {
        velto::DebugTrace(L"%s: %s is missing\r\n", title.c_str(), program.c_str());
        return;
    }
    WaitForLauncherToEnd();
    std::wstring commandLine = L"\"" + program + L"\" " + kRecorderArguments;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         folder.c_str(), &si, &pi)) {
        ::CloseHandle(pi.hThread);
        ::CloseHandle(pi.hProcess);
        velto::DebugTrace(L"%s: started %s\r\n", title.c_str(), program.c_str());
    } else {
        velto::DebugTrace(L"%s: cannot start %s (%lu)\r\n", title.c_str(), program.c_str(),
                          ::GetLastError());
    }
}

int Update(const char* text)
{
    const Arguments args = SplitArguments(text);
    const std::wstring folder = OwnFolder();
    if (folder.empty()) return 0;
    renovo::UpdateRequest request;
    request.programFolder = folder;
    request.listAddress = ListAddress(folder, args.listAddress);
    request.userAgent = args.title.empty() ? L"Renovo" : args.title;
    request.versionLibrary = args.versionLibrary;
    request.trustedKey = renovo::kTrustedUpdateKey;
    std::wstring detail;
    const renovo::UpdateOutcome outcome = renovo::RunUpdate(request, detail);
    velto::DebugTrace(L"%s: %s: %s\r\n", request.userAgent.c_str(), request.listAddress.c_str(),
                      detail.c_str());
    if (outcome == renovo::UpdateOutcome::Replaced) return kAnotherPass;
    StartRecorder(folder, request.userAgent);
    return 0;
}

}  // namespace

extern "C" __declspec(dllexport) int __stdcall RunUpdater(const char* arguments)
{
    try {
        return Update(arguments);
    } catch (...) {
        // Whatever went wrong, the user still gets the recorder.
        try {
            StartRecorder(OwnFolder(), L"Renovo");
        } catch (...) {
        }
        return 0;
    }
}

extern "C" __declspec(dllexport) int __stdcall RunExecute(int code, const char* arguments)
{
    if (code != kExecuteCode) return 0;
    try {
        const Arguments args = SplitArguments(arguments);
        StartRecorder(OwnFolder(), args.title.empty() ? L"Renovo" : args.title);
    } catch (...) {
    }
    return 0;
}

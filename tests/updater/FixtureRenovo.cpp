// An update library for tests of the Updater: it records every load, call and unload in
// "calls.log" beside itself, and answers RunUpdater from "results.txt" there (one number per
// call, the last one repeated; 0 without the file). Built a second time without entry points.
#include <windows.h>

#include <string>

namespace {

HMODULE g_self = nullptr;

std::string Folder()
{
    char path[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(g_self, path, sizeof path);
    std::string folder(path);
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

std::string FileName()
{
    char path[MAX_PATH * 2] = {};
    ::GetModuleFileNameA(g_self, path, sizeof path);
    std::string file(path);
    return file.substr(file.find_last_of('\\') + 1);
}

void Record(const std::string& line)
{
    HANDLE file = ::CreateFileA((Folder() + "calls.log").c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\n";
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    ::CloseHandle(file);
}

#ifndef FIXTURE_WITHOUT_ENTRY_POINTS
std::string ReadAll(const std::string& path)
{
    HANDLE file = ::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return {};
    std::string out;
    char buf[4096];
    DWORD got = 0;
    while (::ReadFile(file, buf, sizeof buf, &got, nullptr) && got > 0) out.append(buf, got);
    ::CloseHandle(file);
    return out;
}

int CallsSoFar()
{
    const std::string log = ReadAll(Folder() + "calls.log");
    int n = 0;
    for (size_t at = log.find("RunUpdater "); at != std::string::npos;
         at = log.find("RunUpdater ", at + 1))
        ++n;
    return n;
}

int ResultFor(int call)
{
    const std::string text = ReadAll(Folder() + "results.txt");
    int result = 0, index = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        char* end = nullptr;
        const long value = strtol(text.c_str() + pos, &end, 10);
        if (end == text.c_str() + pos) break;
        result = static_cast<int>(value);
        if (index++ == call) break;
        pos = static_cast<size_t>(end - text.c_str());
    }
    return result;
}
#endif

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH) {
        g_self = instance;
        Record("load " + FileName());
    } else if (reason == DLL_PROCESS_DETACH) {
        Record("unload");
    }
    return TRUE;
}

#ifndef FIXTURE_WITHOUT_ENTRY_POINTS
extern "C" __declspec(dllexport) int __stdcall RunUpdater(const char* arguments)
{
    const int call = CallsSoFar();
    Record(std::string("RunUpdater ") + (arguments ? arguments : "(null)"));
    return ResultFor(call);
}

extern "C" __declspec(dllexport) int __stdcall RunExecute(int code, const char* arguments)
{
    Record("RunExecute " + std::to_string(code) + " " + (arguments ? arguments : "(null)"));
    return 0;
}
#else
extern "C" __declspec(dllexport) int __stdcall SomethingElse(void)
{
    return 0;
}
#endif

// A stand-in for a program that another program starts (the Updater for the recorder, the
// recorder for the update library): it records how it was started and ends at once. Each start
// appends "<arguments>|<working directory>" to "<its own path>.log" (UTF-8).
#include <windows.h>

#include <string>

#include "common/Text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR arguments, int)
{
    wchar_t self[MAX_PATH * 2] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    wchar_t directory[MAX_PATH * 2] = {};
    ::GetCurrentDirectoryW(MAX_PATH * 2, directory);
    const std::string line =
        velto::WideToUtf8(std::wstring(arguments ? arguments : L"") + L"|" + directory) + "\n";
    const std::wstring log = std::wstring(self) + L".log";
    // Several starts may race: open for appending, retrying while another start writes.
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE file = ::CreateFileW(log.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                    OPEN_ALWAYS, 0, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ::WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            ::CloseHandle(file);
            return 0;
        }
        ::Sleep(10);
    }
    return 1;
}

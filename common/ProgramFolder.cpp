#include "common/ProgramFolder.h"

#include <vector>

namespace velto {

std::wstring ProgramFolder()
{
    std::vector<wchar_t> buf(MAX_PATH);
    for (;;) {
        DWORD n = ::GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) return {};
        if (n < buf.size()) break;
        buf.resize(buf.size() * 2);
    }
    std::wstring path(buf.data());
    size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos) return {};
    return path.substr(0, slash + 1);
}

HMODULE LoadLibraryFromFolder(const std::wstring& folder, const wchar_t* name)
{
    if (!folder.empty()) {
        // Altered search path: the DLL's own dependencies are looked for beside it.
        std::wstring full = folder + name;
        if (HMODULE h = ::LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH))
            return h;
    }
    wchar_t system[MAX_PATH];
    UINT n = ::GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::wstring full = std::wstring(system) + L"\\" + name;
    return ::LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadOutsideLibrary(const wchar_t* name)
{
    return LoadLibraryFromFolder(ProgramFolder(), name);
}

void HardenDllSearchOrder()
{
    ::SetDllDirectoryW(L"");
}

bool FileExists(const std::wstring& path)
{
    DWORD attr = ::GetFileAttributesW(path.c_str());
    return attr != INVALID_FILE_ATTRIBUTES && !(attr & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace velto

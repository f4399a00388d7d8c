#include "tests/support/TempFolder.h"

#include <windows.h>

#include <vector>

#include "recorder/ui/OutputFiles.h"

namespace velto::test {

TempFolder::TempFolder(const std::wstring& name)
{
    wchar_t temp[MAX_PATH + 1] = {};
    ::GetTempPathW(MAX_PATH + 1, temp);
    path_ = std::wstring(temp) + name + L" " + std::to_wstring(::GetCurrentProcessId()) + L"\\";
    RemoveTree(path_);
    MakeFolders(path_);
}

TempFolder::~TempFolder()
{
    RemoveTree(path_);
}

bool MakeFolders(const std::wstring& path)
{
    for (size_t i = 3; i <= path.size(); ++i) {
        if (i < path.size() && path[i] != L'\\') continue;
        const std::wstring part = ExtendedLengthPath(path.substr(0, i));
        if (!::CreateDirectoryW(part.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

bool WriteFileOfSize(const std::wstring& path, size_t size)
{
    MakeFolders(path.substr(0, path.rfind(L'\\') + 1));
    HANDLE f = ::CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    std::vector<char> bytes(size, 'x');
    DWORD written = 0;
    const BOOL ok = ::WriteFile(f, bytes.data(), static_cast<DWORD>(size), &written, nullptr);
    ::CloseHandle(f);
    return ok && written == size;
}

void RemoveTree(const std::wstring& path)
{
    std::wstring folder = path;
    if (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    WIN32_FIND_DATAW found;
    HANDLE h = ::FindFirstFileW(ExtendedLengthPath(folder + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring child = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(child);
            else
                ::DeleteFileW(ExtendedLengthPath(child).c_str());
        } while (::FindNextFileW(h, &found));
        ::FindClose(h);
    }
    ::RemoveDirectoryW(ExtendedLengthPath(folder).c_str());
}

}  // namespace velto::test

#include "recorder/ui/NoticeLibrary.h"

#include <vector>

#include "common/ProgramFolder.h"

namespace velto {

namespace {

using BivnoteEntry = int(WINAPI*)(HWND window, const char* text, const char* picturePath);

// The path in the ANSI code page; false when some character had no spelling there.
bool ToAnsiExactly(const std::wstring& path, std::string* out)
{
    out->clear();
    if (path.empty()) return true;
    BOOL lossy = FALSE;
    int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(),
                                  static_cast<int>(path.size()), nullptr, 0, nullptr, &lossy);
    if (n <= 0) return false;
    out->resize(static_cast<size_t>(n));
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path.c_str(), static_cast<int>(path.size()),
                          out->data(), n, nullptr, &lossy);
    return !lossy;
}

std::wstring ShortPath(const std::wstring& path)
{
    DWORD n = ::GetShortPathNameW(path.c_str(), nullptr, 0);
    if (n == 0) return {};
    std::vector<wchar_t> buf(n);
    DWORD got = ::GetShortPathNameW(path.c_str(), buf.data(), n);
    if (got == 0 || got >= n) return {};
    return std::wstring(buf.data(), got);
}

}  // namespace

std::string NoticePicturePath(const std::wstring& path)
{
    std::string ansi;
    if (ToAnsiExactly(path, &ansi)) return ansi;
    std::string shortAnsi;
    std::wstring shortPath = ShortPath(path);
    if (!shortPath.empty() && ToAnsiExactly(shortPath, &shortAnsi)) return shortAnsi;
    return ansi;
}

bool NoticeLibrary::Show(HWND owner, const std::wstring& folder)
{
    module_.reset();
    module_.reset(LoadLibraryFromFolder(folder, L"Bivnote.dll"));
    if (!module_) return false;
    auto entry = reinterpret_cast<BivnoteEntry>(::GetProcAddress(module_.get(), "Bivnote"));
    if (entry && !folder.empty()) {
        std::string picture = NoticePicturePath(folder + L"aboutvelto.bmp");
        entry(owner, "", picture.c_str());
    }
    return true;
}

}  // namespace velto

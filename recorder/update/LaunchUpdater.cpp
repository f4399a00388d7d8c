#include "recorder/update/LaunchUpdater.h"

#include <windows.h>
#include <shellapi.h>

#include "common/ProgramFolder.h"
#include "common/Text.h"

namespace velto {

std::wstring UpdaterParameters(const std::wstring& address, const std::wstring& versionLibrary,
                               int passLimit)
{
    return address + L"@@" + L"kestrel Auto Updater" + L"##" + versionLibrary +
           FormatW(L"$$%d", passLimit);
}

int LaunchUpdater(const std::wstring& commandLine, const std::wstring& programFile,
                  const std::wstring& address, const std::wstring& versionLibrary, int passLimit)
{
    if (!commandLine.empty()) return 0;
    const std::wstring folder = ProgramFolder();
    const std::wstring path = folder + programFile;
    if (folder.empty() || !FileExists(path))
        throw CUpdaterException(CUpdaterException::kUpdaterMissing);
    const std::wstring parameters = UpdaterParameters(address, versionLibrary, passLimit);
    // The full path, not the bare name: the shell would otherwise search for "Updater.exe"
    // in places we do not control.
    HINSTANCE result = ::ShellExecuteW(nullptr, L"open", path.c_str(), parameters.c_str(),
                                       folder.c_str(), SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(result) > 32) return 1;
    throw CUpdaterException(CUpdaterException::kStartFailed);
}

}  // namespace velto

#include "tests/hardening/Installation.h"

#include <tlhelp32.h>

#include <cwctype>

#include "tests/support/UiDriver.h"

namespace velto::test {
namespace {

// What the installation holds beside the plug-ins (the install() rules of the build).
const wchar_t* const kInstalledFiles[] = {
    L"VeltoRecorder.exe", L"Updater.exe",  L"Ravelplay.dll",  L"lame_enc.dll",      L"WmAudSDK.dll",
    L"Bivnote.dll",       L"Renovo.dll",   L"aboutvelto.bmp", L"velto_banner2.bmp",
};
constexpr wchar_t kPluginFolder[] = L"Plugins";
constexpr POINT kCloseButton{291, 10};

std::wstring Lower(std::wstring s)
{
    for (auto& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

// `name` (a path inside the installation) is `pattern`, lies inside it, or matches it as a
// mask with one '*'.
bool Matches(const std::wstring& name, const std::wstring& pattern)
{
    const std::wstring n = Lower(name), p = Lower(pattern);
    if (n == p || n.compare(0, p.size() + 1, p + L"\\") == 0) return true;
    const size_t star = p.find(L'*');
    if (star == std::wstring::npos) return false;
    const std::wstring head = p.substr(0, star), tail = p.substr(star + 1);
    return n.size() >= head.size() + tail.size() && n.compare(0, head.size(), head) == 0 &&
           n.compare(n.size() - tail.size(), tail.size(), tail) == 0;
}

bool LeftOut(const std::wstring& name, const std::vector<std::wstring>& leaveOut)
{
    for (const auto& pattern : leaveOut)
        if (Matches(name, pattern)) return true;
    return false;
}

std::vector<std::wstring> InstalledPlugins()
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    const std::wstring mask = BinFolder() + kPluginFolder + L"\\*.dll";
    HANDLE search = ::FindFirstFileW(mask.c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(std::wstring(kPluginFolder) + L"\\" + found.cFileName);
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return names;
}

std::wstring LongPath(const std::wstring& path)
{
    wchar_t buf[MAX_PATH * 2] = {};
    const DWORD n = ::GetLongPathNameW(path.c_str(), buf, MAX_PATH * 2);
    return Lower(n > 0 && n < MAX_PATH * 2 ? std::wstring(buf, n) : path);
}

}  // namespace

InstalledCopy::InstalledCopy(const std::vector<std::wstring>& leaveOut)
    : folder_(UniqueTempName(L"velto-installation"))
{
    std::vector<std::wstring> names(std::begin(kInstalledFiles), std::end(kInstalledFiles));
    const std::vector<std::wstring> plugins = InstalledPlugins();
    if (plugins.empty()) return;  // a build without its plug-ins is no installation
    names.insert(names.end(), plugins.begin(), plugins.end());
    for (const auto& name : names) {
        if (LeftOut(name, leaveOut)) continue;
        if (name.find(L'\\') != std::wstring::npos && !MakeFolders(folder_.File(kPluginFolder)))
            return;
        if (!CopyProgram(BinFolder() + name, folder_.File(name))) return;
    }
    ok_ = true;
}

bool InstalledCopy::Has(const std::wstring& name) const
{
    return ::GetFileAttributesW(folder_.File(name).c_str()) != INVALID_FILE_ATTRIBUTES;
}

RunningCopy::RunningCopy(const std::wstring& program, const std::wstring& arguments,
                         const std::wstring& workingFolder)
    : process_(StartProgram(program, arguments, workingFolder)),
      boxes_(std::make_unique<DialogWatcher>(process_.pid))
{
}

RunningCopy::~RunningCopy()
{
    if (process_ && window_ && ::IsWindow(window_)) ::PostMessageW(window_, WM_CLOSE, 0, 0);
    if (!WaitForExit(process_, 10000)) KillIfRunning(process_);
    boxes_.reset();
}

bool RunningCopy::WaitForWindow(DWORD timeoutMs)
{
    if (!process_) return false;
    window_ = WaitForProcessWindow(L"VeltoRecorder", process_.pid, timeoutMs);
    return window_ != nullptr;
}

bool RunningCopy::WaitForStartToFinish(bool notice, const wchar_t* boxText)
{
    if (boxText && !boxes_->WaitFor(boxText, kInstallationPatience)) return false;
    if (notice &&
        !WaitForVisibleWindow(process_.pid, L"VeltoRecorderNotice", kInstallationPatience))
        return false;
    // An answered box gives the window back.
    return WaitUntil([&] { return ::IsWindowEnabled(window_) != FALSE; }, kInstallationPatience);
}

bool RunningCopy::Responsive(DWORD timeoutMs) const
{
    DWORD_PTR result = 0;
    return ::SendMessageTimeoutW(window_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result) !=
           0;
}

void RunningCopy::Click(POINT client) const
{
    ::ClientToScreen(window_, &client);
    mouse::LeftClick(client);
}

std::wstring RunningCopy::RecordUntilAutoStop(const std::wstring& expectedFile)
{
    const std::wstring complete = L"Recording Complete " + expectedFile;
    Click(face::kRecordButton);
    const bool done = WaitUntil(
        [&] { return StatusText(window_).compare(0, complete.size(), complete) == 0; },
        kInstallationPatience);
    return done ? expectedFile : std::wstring();
}

bool RunningCopy::PlayShowsTime(DWORD timeoutMs)
{
    TimeDisplayReader time;
    Click(face::kPlayButton);
    return WaitUntil([&] { return time.ReadSeconds(window_) >= 1; }, timeoutMs);
}

bool RunningCopy::CloseCleanly()
{
    if (!window_) return false;
    Click(kCloseButton);
    if (!WaitForExit(process_, kInstallationPatience)) return false;
    DWORD code = 1;
    ::GetExitCodeProcess(process_.handle.get(), &code);
    return code == 0;
}

void PrepareRecorderSettings(const std::wstring& folder, int recordType, int seconds)
{
    DeleteRecorderSettings();
    SetRecorderString(L"SavePath", folder);
    SetRecorderDword(L"RecordType", static_cast<DWORD>(recordType));
    SetRecorderDword(L"SelQuality", 6);
    SetRecorderDword(L"AutoStop", 1);
    SetRecorderDword(L"RecStopTime", static_cast<DWORD>(seconds));
}

DWORD WaitForProcessOf(const std::wstring& path, DWORD timeoutMs)
{
    const std::wstring wanted = LongPath(path);
    const std::wstring file = Lower(path.substr(path.find_last_of(L'\\') + 1));
    DWORD pid = 0;
    WaitUntil(
        [&] {
            HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
            if (snapshot == INVALID_HANDLE_VALUE) return false;
            PROCESSENTRY32W entry{};
            entry.dwSize = sizeof entry;
            for (BOOL more = ::Process32FirstW(snapshot, &entry); more && !pid;
                 more = ::Process32NextW(snapshot, &entry)) {
                if (Lower(entry.szExeFile) != file) continue;
                UniqueHandle process(
                    ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID));
                wchar_t image[MAX_PATH * 2] = {};
                DWORD size = MAX_PATH * 2;
                if (process && ::QueryFullProcessImageNameW(process.get(), 0, image, &size) &&
                    LongPath(std::wstring(image, size)) == wanted)
                    pid = entry.th32ProcessID;
            }
            ::CloseHandle(snapshot);
            return pid != 0;
        },
        timeoutMs);
    return pid;
}

}  // namespace velto::test

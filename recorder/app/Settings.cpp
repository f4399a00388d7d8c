#include "recorder/app/Settings.h"

#include <cstring>
#include <cwchar>
#include <vector>

#include "common/win/Handles.h"
#include "recorder/recording/Recorder.h"

namespace velto {
namespace {

constexpr wchar_t kInstall[] = L"install";
constexpr wchar_t kSavePath[] = L"SavePath";
constexpr wchar_t kNoName[] = L"NoName";
constexpr wchar_t kRecordType[] = L"RecordType";
constexpr wchar_t kSelQuality[] = L"SelQuality";
constexpr wchar_t kRecStopTime[] = L"RecStopTime";
constexpr wchar_t kAutoStop[] = L"AutoStop";
constexpr wchar_t kPlacement[] = L"VeltoRecorder";

// The stored placement is the platform record itself, the same size on both architectures.
static_assert(sizeof(WINDOWPLACEMENT) == 44, "placement record size");

constexpr int kDefaultStopSeconds = 300;
constexpr int kDefaultAutoStop = 1;
// Longer than this no file function takes it, or no file name can hold it.
constexpr size_t kLongestFolder = 32000;
constexpr size_t kLongestBaseName = 200;
// Window coordinates travel in 16 bits in several of the window manager's messages.
constexpr LONG kLargestCoordinate = 32767;

UniqueRegKey OpenForReading()
{
    UniqueRegKey key;
    ::RegOpenKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_QUERY_VALUE, key.put());
    return key;
}

UniqueRegKey OpenForWriting()
{
    UniqueRegKey key;
    ::RegCreateKeyExW(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_SET_VALUE, nullptr, key.put(), nullptr);
    return key;
}

// The stored bytes of a value of the given kind; false when absent or of another kind.
bool ReadRaw(HKEY key, const wchar_t* name, DWORD wantedType, std::vector<BYTE>& out)
{
    if (!key) return false;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != wantedType)
        return false;
    out.assign(size, 0);
    if (::RegQueryValueExW(key, name, nullptr, &type, out.data(), &size) != ERROR_SUCCESS ||
        type != wantedType)
        return false;
    out.resize(size);
    return true;
}

int ReadInt(HKEY key, const wchar_t* name, int fallback)
{
    std::vector<BYTE> raw;
    if (!ReadRaw(key, name, REG_DWORD, raw) || raw.size() != sizeof(DWORD)) return fallback;
    DWORD value = 0;
    memcpy(&value, raw.data(), sizeof value);
    return static_cast<int>(value);
}

std::wstring ReadString(HKEY key, const wchar_t* name, const std::wstring& fallback)
{
    std::vector<BYTE> raw;
    if (!ReadRaw(key, name, REG_SZ, raw)) return fallback;
    // The stored text need not end with a NUL; stop at the first one if it does.
    std::wstring text(reinterpret_cast<const wchar_t*>(raw.data()), raw.size() / sizeof(wchar_t));
    size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

void WriteInt(HKEY key, const wchar_t* name, int value)
{
    if (!key) return;
    DWORD v = static_cast<DWORD>(value);
    ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
}

void WriteString(HKEY key, const wchar_t* name, const std::wstring& value)
{
    if (!key) return;
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// A stored time of 0 means "not set"; a negative one cannot be meant either.
int StopSecondsFromStored(int stored)
{
    return stored <= 0 ? kDefaultStopSeconds : stored;
}

// A damaged value or one changed by hand must not leave the program without a place to record:
// text that no Windows path can hold gives the default folder.
bool UsableFolder(const std::wstring& folder)
{
    if (folder.empty() || folder.size() > kLongestFolder) return false;
    for (wchar_t c : folder)
        if (c < 0x20 || wcschr(L"<>\"|?*", c)) return false;
    return true;
}

// The base name becomes part of a file name in the save folder, so it must be one name: no
// folder separators (which could lead out of the folder), no drive colon, nothing a file name
// cannot hold.
bool UsableBaseName(const std::wstring& name)
{
    if (name.empty() || name.size() > kLongestBaseName) return false;
    for (wchar_t c : name)
        if (c < 0x20 || wcschr(L"<>:\"/\\|?*", c)) return false;
    return true;
}

// Only what GetWindowPlacement of a shown window can have written, on a screen that still
// exists; anything else would start the program hidden, without a size or out of sight.
bool PlausiblePlacement(WINDOWPLACEMENT& placement)
{
    if (placement.flags & ~static_cast<UINT>(WPF_SETMINPOSITION | WPF_RESTORETOMAXIMIZED))
        return false;
    // A program closed while minimised comes back where the user can see it.
    if (placement.showCmd == SW_SHOWMINIMIZED) placement.showCmd = SW_SHOWNORMAL;
    if (placement.showCmd != SW_SHOWNORMAL && placement.showCmd != SW_SHOWMAXIMIZED) return false;
    const RECT& r = placement.rcNormalPosition;
    for (LONG v : {r.left, r.top, r.right, r.bottom})
        if (v < -kLargestCoordinate || v > kLargestCoordinate) return false;
    if (r.right <= r.left || r.bottom <= r.top) return false;
    // A monitor that has gone (a second screen unplugged) took the window with it.
    return ::MonitorFromRect(&r, MONITOR_DEFAULTTONULL) != nullptr;
}

// A corrupt type or row is repaired the way a type change resets the quality.
void RepairRecordChoice(MainWindowSettings& s)
{
    if (NormaliseRecordType(s.recordType) != s.recordType ||
        !IsValidQuality(s.recordType, s.quality)) {
        s.recordType = kRecordWav;
        s.quality = DefaultQuality(kRecordWav);
    }
}

void WriteAutoStop(HKEY key)
{
    WriteInt(key, kRecStopTime, g_autoStop.seconds.load());
    WriteInt(key, kAutoStop, g_autoStop.enabled.load());
}

}  // namespace

MainWindowSettings LoadSettings()
{
    MainWindowSettings s;
    UniqueRegKey key = OpenForReading();
    const MainWindowSettings defaults;
    s.savePath = ReadString(key.get(), kSavePath, s.savePath);
    if (!UsableFolder(s.savePath)) s.savePath = defaults.savePath;
    s.baseName = ReadString(key.get(), kNoName, s.baseName);
    if (!UsableBaseName(s.baseName)) s.baseName = defaults.baseName;
    s.recordType = ReadInt(key.get(), kRecordType, s.recordType);
    s.quality = ReadInt(key.get(), kSelQuality, s.quality);
    RepairRecordChoice(s);
    g_autoStop.seconds =
        StopSecondsFromStored(ReadInt(key.get(), kRecStopTime, kDefaultStopSeconds));
    // On or off; whatever else is stored counts as on, as it always did.
    g_autoStop.enabled = ReadInt(key.get(), kAutoStop, kDefaultAutoStop) != 0 ? 1 : 0;
    return s;
}

void SaveSettings(const MainWindowSettings& settings)
{
    UniqueRegKey key = OpenForWriting();
    WriteString(key.get(), kSavePath, settings.savePath);
    WriteInt(key.get(), kRecordType, settings.recordType);
    WriteInt(key.get(), kSelQuality, settings.quality);
    WriteAutoStop(key.get());
    WriteString(key.get(), kNoName, settings.baseName);
}

void SaveAutoStopSettings()
{
    UniqueRegKey key = OpenForWriting();
    WriteAutoStop(key.get());
}

bool LoadWindowPlacement(WINDOWPLACEMENT& placement)
{
    UniqueRegKey key = OpenForReading();
    std::vector<BYTE> raw;
    // Anything but exactly one record would hand SetWindowPlacement garbage.
    if (!ReadRaw(key.get(), kPlacement, REG_BINARY, raw) || raw.size() != sizeof placement)
        return false;
    WINDOWPLACEMENT stored;
    memcpy(&stored, raw.data(), sizeof stored);
    stored.length = sizeof stored;
    if (!PlausiblePlacement(stored)) return false;
    placement = stored;
    return true;
}

void SaveWindowPlacement(const WINDOWPLACEMENT& placement)
{
    UniqueRegKey key = OpenForWriting();
    if (!key) return;
    ::RegSetValueExW(key.get(), kPlacement, 0, REG_BINARY,
                     reinterpret_cast<const BYTE*>(&placement), sizeof placement);
}

void ResetSettingsOnFirstRun()
{
    {
        UniqueRegKey key = OpenForReading();
        if (ReadInt(key.get(), kInstall, 0) != 0) return;
    }
    // Whatever a previous installation left, sub-keys included, goes; failure is harmless.
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kSettingsKey);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kSettingsKey);
    UniqueRegKey key = OpenForWriting();
    WriteInt(key.get(), kInstall, 1);
}

}  // namespace velto

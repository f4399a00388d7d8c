#include "recorder/app/Settings.h"

#include <cstring>
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
    s.savePath = ReadString(key.get(), kSavePath, s.savePath);
    s.baseName = ReadString(key.get(), kNoName, s.baseName);
    s.recordType = ReadInt(key.get(), kRecordType, s.recordType);
    s.quality = ReadInt(key.get(), kSelQuality, s.quality);
    RepairRecordChoice(s);
    g_autoStop.seconds =
        StopSecondsFromStored(ReadInt(key.get(), kRecStopTime, kDefaultStopSeconds));
    g_autoStop.enabled = ReadInt(key.get(), kAutoStop, kDefaultAutoStop);
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
    memcpy(&placement, raw.data(), sizeof placement);
    placement.length = sizeof placement;
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

#include "recorder/dialogs/OptionSettings.h"

#include "recorder/recording/Recorder.h"

namespace velto {

namespace {

constexpr wchar_t kKey[] = L"Software\\Dovrane\\VeltoRecorder";

bool ReadInt(const wchar_t* name, int& value)
{
    DWORD v = 0, size = sizeof v;
    if (::RegGetValueW(HKEY_CURRENT_USER, kKey, name, RRF_RT_REG_DWORD, nullptr, &v, &size) !=
        ERROR_SUCCESS)
        return false;
    value = static_cast<int>(v);
    return true;
}

void WriteInt(const wchar_t* name, int value)
{
    const DWORD v = static_cast<DWORD>(value);
    ::RegSetKeyValueW(HKEY_CURRENT_USER, kKey, name, REG_DWORD, &v, sizeof v);
}

}  // namespace

void LoadAutoStopSettings()
{
    int v = 0;
    if (ReadInt(L"AutoStop", v)) g_autoStop.enabled = v;
    int seconds = 0;
    ReadInt(L"RecStopTime", seconds);
    g_autoStop.seconds = seconds == 0 ? 300 : seconds;
}

void SaveAutoStopSettings()
{
    WriteInt(L"RecStopTime", g_autoStop.seconds.load());
    WriteInt(L"AutoStop", g_autoStop.enabled.load());
}

void ShowBanner(HWND) {}

}  // namespace velto

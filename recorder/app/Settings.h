// The recorder's persistent settings: the values under the key
// HKEY_CURRENT_USER\Software\Dovrane\VeltoRecorder, their defaults, and the repairs applied
// to values that cannot be right. Everything runs on the user-interface thread. Registry
// failures are not reported: a value that cannot be read gives its default, a value that
// cannot be written is lost.
#pragma once

#include <windows.h>

#include <string>

#include "recorder/recording/Presets.h"

namespace velto {

// Under HKEY_CURRENT_USER. Every value sits directly in this key.
inline constexpr wchar_t kSettingsKey[] = L"Software\\Dovrane\\VeltoRecorder";

// What the main window keeps in memory. The auto-stop values live in g_autoStop instead,
// because the auto-stop page and the recording workers share them.
struct MainWindowSettings {
    std::wstring savePath = L"c:\\";             // "SavePath", with its trailing backslash
    std::wstring baseName = L"Noname";           // "NoName"
    int recordType = kDefaultRecordTypeSetting;  // "RecordType"
    int quality = kDefaultQualitySetting;        // "SelQuality"
};

// Reads the four values above and loads "RecStopTime" and "AutoStop" into g_autoStop.
// A record type or quality row that does not exist becomes WAV with its default row; an
// auto-stop time of 0 or less becomes 300 seconds; "AutoStop" is 0 or 1 (anything but 0 is
// on). A save folder that no path can be (empty, too long, control characters or wildcards)
// and a base name that is not one file name (empty, too long, a folder separator, a colon...)
// give their defaults.
MainWindowSettings LoadSettings();
// Writes the four values and g_autoStop's two (at the main window's destruction).
void SaveSettings(const MainWindowSettings& settings);
// Writes only "RecStopTime" and "AutoStop" from g_autoStop (the auto-stop page).
void SaveAutoStopSettings();

// The main window's placement ("VeltoRecorder", REG_BINARY). False when there is none, when
// the stored value is not exactly one WINDOWPLACEMENT (44 bytes), or when it is not one a shown
// window can have left (hidden, unknown flags, no size, off every monitor). A minimised
// placement comes back as the normal one.
bool LoadWindowPlacement(WINDOWPLACEMENT& placement);
void SaveWindowPlacement(const WINDOWPLACEMENT& placement);

// When "install" is absent or 0, deletes the whole settings key and writes "install" = 1,
// so the run starts from the defaults of every other value.
void ResetSettingsOnFirstRun();

}  // namespace velto

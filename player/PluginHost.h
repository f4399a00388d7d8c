// The window the library hands its plug-ins as hMainWindow, in place of the caller's.
//
// Winamp 2 era plug-ins treat hMainWindow as the player's own: they SendMessage it WM_WA_IPC
// queries (the player's version, where to keep their settings) and post it the end of their
// file. The caller's window cannot answer those, and subclassing it cannot be undone safely
// while a plug-in may still hold the handle, so the library gives them a hidden window of its
// own. That window lives on a thread of its own that does nothing but answer: a plug-in may ask
// from its decoding thread while the caller's thread waits in Stop for that very thread, and
// the answer must not depend on the caller's thread pumping messages.
//
// The thread keeps the library loaded while it runs (its code is the library's); Close, called
// from the release exports and never under the loader lock, ends it.
#pragma once

#include <windows.h>

#include <atomic>
#include <string>

#include "common/win/Handles.h"

namespace velto {

// The Winamp messages and queries the host window knows.
inline constexpr UINT WM_WA_IPC = WM_USER;
inline constexpr LPARAM IPC_GETVERSION = 0;
inline constexpr LPARAM IPC_GETINIFILE = 334;
inline constexpr LPARAM IPC_GETINIDIRECTORY = 335;
inline constexpr LPARAM IPC_GETINIFILEW = 1334;
inline constexpr LPARAM IPC_GETINIDIRECTORYW = 1335;
inline constexpr LPARAM IPC_GET_API_SERVICE = 3025;

// Winamp 2.95, the last 2.x: it answers the ini file and directory queries (2.9 and later),
// and it is below 5.0, from which plug-ins expect the API service and the rest of Winamp 5.
inline constexpr LRESULT kHostVersion = 0x2095;

// Where plug-ins keep their settings: "plugins.ini" in "VeltoRecorder" of the user's roaming
// application data. The `char` forms are what the ANSI queries hand out.
struct PluginSettingsPaths {
    std::wstring folder;
    std::wstring file;
    std::string ansiFolder;
    std::string ansiFile;
};

// Finds (and creates) the folder. A path the ANSI code page cannot carry goes in its 8.3 form;
// where even that does not fit, the machine-wide application data is used instead.
PluginSettingsPaths FindPluginSettings();

// The answer to WM_WA_IPC `query`: a number, or a pointer into `paths`; 0 for what is not
// offered (the API service among them).
LRESULT AnswerIpc(const PluginSettingsPaths& paths, LPARAM query);

class PluginHostWindow {
public:
    PluginHostWindow() = default;
    ~PluginHostWindow() { Close(); }
    PluginHostWindow(const PluginHostWindow&) = delete;
    PluginHostWindow& operator=(const PluginHostWindow&) = delete;

    // The window, started on first use; null when it cannot be made (the caller's window
    // then serves as before).
    HWND Open();
    // Destroys the window and ends its thread. A plug-in that still posts to it posts nowhere.
    void Close();
    // For the library's unload under the loader lock: no wait, nothing ended.
    void Abandon();
    // WM_WA_MPEG_EOF of a plug-in goes on to this window, as it did when plug-ins were given
    // the caller's window.
    void ForwardEndsTo(HWND window) { endWindow_.store(window); }

    HWND hwnd() const { return window_.load(); }
    const PluginSettingsPaths& settings() const { return settings_; }

private:
    static DWORD WINAPI ThreadMain(void* self);
    void Run();

    PluginSettingsPaths settings_;  // written before the thread starts, read-only while it runs
    UniqueHandle thread_;
    UniqueHandle ready_;
    std::atomic<HWND> window_{nullptr};
    std::atomic<HWND> endWindow_{nullptr};
    HMODULE keepLoaded_ = nullptr;  // the library's own reference, released by the thread
};

}  // namespace velto

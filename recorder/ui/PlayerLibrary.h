// The recorder's binding to the player library Ravelplay.dll. The main window owns one: Open
// at window creation, then Play / Stop / the time and state queries / SeekToPosition, and
// Unload (or the destructor) at the end. Each export is looked up by name at every call; when
// the library or an export is missing every operation returns its fallback and nothing is
// shown, so the recorder runs on without playback.
//
// All calls come from the user-interface thread. The library posts no message to the
// recorder that it must handle: the main window polls the state and the times.
#pragma once

#include <windows.h>

#include <string>

#include "player/PluginRecord.h"
#include "recorder/ui/DynamicLibrary.h"

namespace velto {

class PlayerLibrary : public DynamicLibrary {
public:
    static constexpr const wchar_t* kLibraryName = L"Ravelplay.dll";
    static constexpr const wchar_t* kPluginFolder = L"Plugins";  // beside the program
    static constexpr const char* kOutputPlugin = "out_wave.dll";

    PlayerLibrary() = default;
    ~PlayerLibrary() override;

    // Window creation: loads Ravelplay.dll from the program's folder and initialises the
    // input and output plug-ins of "<program folder>Plugins" with out_wave.dll as the output.
    // false when the library is not there (the wrappers then fall back).
    bool Open(HWND window);
    // Stops a play that is not stopped, has the library quit and unload every plug-in, then
    // unloads the library.
    int Unload() override;

    // -1 when the library or the export is missing.
    int InitInputPlugins(HWND window, const std::wstring& folder);
    // Then selects `outputName` and caches its Out_Module (nothing cached when it is absent).
    int InitOutputPlugins(HWND window, const std::wstring& folder, const char* outputName);
    void SetCurrentOutPlugin(const char* name);
    // The library's record of the current output plug-in (all zero when none); null without
    // the library. Owned by the library.
    const PluginRecord* CurrentOutPluginProp() const;

    // true when the library was asked to play (its own answer is not used), false without it.
    bool Play(const std::wstring& path, int volume, int pan);
    bool Stop();
    int GetOutputTime() const;        // ms, -1 without the library or a play
    int GetCurrentTotalTime() const;  // ms, -1 likewise
    void SeekToPosition(int ms);
    int GetCurrentState() const;  // PlayState, -1 without the library

    Out_Module* outputModule() const { return outputModule_; }

    // The path in the library's `char` world: the ANSI text when it says the same, else the
    // short 8.3 form, which is plain ASCII (a Korean name on a machine whose ANSI code page
    // has no Hangul still plays).
    static std::string LibraryPath(const std::wstring& path);

private:
    template <typename F>
    F Find(const char* name) const
    {
        return reinterpret_cast<F>(Export(name));
    }

    Out_Module* outputModule_ = nullptr;
};

}  // namespace velto

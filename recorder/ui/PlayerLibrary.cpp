#include "recorder/ui/PlayerLibrary.h"

#include <cstdint>

#include "common/ProgramFolder.h"
#include "common/Text.h"

namespace velto {

namespace {

// The exports' shapes (the C calling convention; handles as pointer-sized integers).
using InitPluginsFn = int(__cdecl*)(intptr_t, const char*);
using SetCurrentOutPluginFn = int(__cdecl*)(const char*);
using GetRecordFn = PluginRecord*(__cdecl*)();
using PlayFn = char(__cdecl*)(const char*, int, int);
using StopFn = char(__cdecl*)();
using IntFn = int(__cdecl*)();
using SeekFn = int(__cdecl*)(int);
using ReleaseFn = int(__cdecl*)();

}  // namespace

PlayerLibrary::~PlayerLibrary()
{
    PlayerLibrary::Unload();
}

std::string PlayerLibrary::LibraryPath(const std::wstring& path)
{
    std::string ansi = AnsiPath(path);
    if (ansi.empty() && !path.empty())
        ansi = WideToAnsi(path);  // the best there is; the library will not find it
    return ansi;
}

bool PlayerLibrary::Open(HWND window)
{
    const std::wstring folder = ProgramFolder();
    if (folder.empty()) return false;
    if (!Load(kLibraryName)) return false;
    const std::wstring plugins = folder + kPluginFolder;
    InitInputPlugins(window, plugins);
    InitOutputPlugins(window, plugins, kOutputPlugin);
    return true;
}

int PlayerLibrary::Unload()
{
    if (!IsLoaded()) return 0;
    if (GetCurrentState() != static_cast<int>(PlayState::Stopped)) Stop();
    // Every plug-in quits and is unloaded here, on this thread, through the library (which
    // calls them inside its fence, the cached output among them, once). The library's own
    // unload runs under the loader lock, where a plug-in whose Quit waits for a thread of its
    // own would wait for ever: that thread cannot end while the lock is held.
    outputModule_ = nullptr;
    if (auto release = Find<ReleaseFn>("ReleaseOutputPlugins")) release();
    if (auto release = Find<ReleaseFn>("ReleaseInputPlugins")) release();
    return DynamicLibrary::Unload();
}

int PlayerLibrary::InitInputPlugins(HWND window, const std::wstring& folder)
{
    auto init = Find<InitPluginsFn>("InitInputPlugins");
    if (!init) return -1;
    return init(reinterpret_cast<intptr_t>(window), LibraryPath(folder).c_str());
}

int PlayerLibrary::InitOutputPlugins(HWND window, const std::wstring& folder,
                                     const char* outputName)
{
    auto init = Find<InitPluginsFn>("InitOutputPlugins");
    if (!init) return -1;
    const int count = init(reinterpret_cast<intptr_t>(window), LibraryPath(folder).c_str());
    SetCurrentOutPlugin(outputName);
    const PluginRecord* record = CurrentOutPluginProp();
    outputModule_ = record ? record->out : nullptr;
    return count;
}

void PlayerLibrary::SetCurrentOutPlugin(const char* name)
{
    if (auto select = Find<SetCurrentOutPluginFn>("SetCurrentOutPlugin")) select(name);
}

const PluginRecord* PlayerLibrary::CurrentOutPluginProp() const
{
    auto get = Find<GetRecordFn>("GetCurrentOutPluginProp");
    return get ? get() : nullptr;
}

bool PlayerLibrary::Play(const std::wstring& path, int volume, int pan)
{
    auto play = Find<PlayFn>("Play");
    if (!play) return false;
    play(LibraryPath(path).c_str(), volume, pan);
    return true;
}

bool PlayerLibrary::Stop()
{
    auto stop = Find<StopFn>("Stop");
    if (!stop) return false;
    stop();
    return true;
}

int PlayerLibrary::GetOutputTime() const
{
    auto get = Find<IntFn>("GetOutputTime");
    return get ? get() : -1;
}

int PlayerLibrary::GetCurrentTotalTime() const
{
    auto get = Find<IntFn>("GetCurrentTotalTime");
    return get ? get() : -1;
}

void PlayerLibrary::SeekToPosition(int ms)
{
    if (auto seek = Find<SeekFn>("SeekToPosition")) seek(ms);
}

int PlayerLibrary::GetCurrentState() const
{
    auto get = Find<IntFn>("GetCurrentState");
    return get ? get() : -1;
}

}  // namespace velto

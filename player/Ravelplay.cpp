// Ravelplay.dll: plays files and streams through Winamp 2 input and output plug-ins. The
// exports are thin calls into the one PlayerEngine, which lives from library load to unload.
// No exception leaves an export.
#include <new>

#include "player/PlayerEngine.h"
#include "player/RavelplayExports.h"

namespace {

velto::PlayerEngine* g_engine = nullptr;

template <typename R, typename F>
R Guard(R fallback, F&& f) noexcept
{
    if (!g_engine) return fallback;
    try {
        return f(*g_engine);
    } catch (...) {
        return fallback;
    }
}

HWND Window(intptr_t handle)
{
    return reinterpret_cast<HWND>(handle);
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            ::DisableThreadLibraryCalls(instance);
            g_engine = new (std::nothrow) velto::PlayerEngine();
            return g_engine != nullptr;
        case DLL_PROCESS_DETACH:
            // At process exit (reserved set) the other threads are gone and the plug-ins may be
            // detached already: nothing to stop or release. At FreeLibrary the loader lock is
            // held: no plug-in is called and none unloaded here (a Quit that waits for a
            // thread, or a Stop that joins one, would wait for ever). A caller stops the play
            // and releases the plug-ins first, as the recorder's binding does; what it left
            // loaded stays loaded.
            if (!reserved && g_engine) {
                g_engine->ForgetPlugins();
                delete g_engine;
            }
            g_engine = nullptr;
            break;
        default: break;
    }
    return TRUE;
}

extern "C" {

int __cdecl InitInputPlugins(intptr_t window, const char* folder)
{
    return Guard(0, [&](auto& e) { return e.InitInputPlugins(Window(window), folder); });
}

int __cdecl InitOutputPlugins(intptr_t window, const char* folder)
{
    return Guard(0, [&](auto& e) { return e.InitOutputPlugins(Window(window), folder); });
}

intptr_t __cdecl GetWinampPluginProp(int index)
{
    return Guard<intptr_t>(
        0, [&](auto& e) { return reinterpret_cast<intptr_t>(e.InputRecord(index)); });
}

intptr_t __cdecl GetWinampPlugOutProp(int index)
{
    return Guard<intptr_t>(
        0, [&](auto& e) { return reinterpret_cast<intptr_t>(e.OutputRecord(index)); });
}

PluginRecord* __cdecl GetCurrentInPluginProp()
{
    return Guard<PluginRecord*>(nullptr, [](auto& e) { return e.CurrentInputRecord(); });
}

PluginRecord* __cdecl GetCurrentOutPluginProp()
{
    return Guard<PluginRecord*>(nullptr, [](auto& e) { return e.CurrentOutputRecord(); });
}

int __cdecl SetCurrentOutPlugin(const char* fileName)
{
    return Guard(0, [&](auto& e) {
        e.SetCurrentOutPlugin(fileName);
        return 0;
    });
}

int __cdecl ReleaseInputPlugins()
{
    return Guard(0, [](auto& e) {
        e.ReleaseInputPlugins();
        return 0;
    });
}

int __cdecl ReleaseOutputPlugins()
{
    return Guard(0, [](auto& e) {
        e.ReleaseOutputPlugins();
        return 0;
    });
}

char __cdecl Play(const char* path, int volume, int pan)
{
    return Guard<char>(0, [&](auto& e) { return static_cast<char>(e.Play(path, volume, pan)); });
}

char __cdecl PlayUrl(const char* address, int volume, int pan)
{
    return Guard<char>(0,
                       [&](auto& e) { return static_cast<char>(e.PlayUrl(address, volume, pan)); });
}

char __cdecl Stop()
{
    return Guard<char>(0, [](auto& e) { return static_cast<char>(e.Stop()); });
}

int __cdecl Pause()
{
    return Guard(0, [](auto& e) {
        e.Pause();
        return 0;
    });
}

int __cdecl SeekToPosition(int ms)
{
    return Guard(0, [&](auto& e) {
        e.SeekToPosition(ms);
        return 0;
    });
}

int __cdecl SetVolume(int volume)
{
    return Guard(0, [&](auto& e) {
        e.SetVolume(volume);
        return 0;
    });
}

int __cdecl SetPan(int pan)
{
    return Guard(0, [&](auto& e) {
        e.SetPan(pan);
        return 0;
    });
}

int __cdecl GetTotalTime(int)
{
    return Guard(-1, [](auto& e) { return e.GetTotalTime(); });
}

int __cdecl GetCurrentTotalTime()
{
    return Guard(-1, [](auto& e) { return e.GetCurrentTotalTime(); });
}

int __cdecl GetOutputTime()
{
    return Guard(-1, [](auto& e) { return e.GetOutputTime(); });
}

int __cdecl GetWrittenTime()
{
    return Guard(-1, [](auto& e) { return e.GetWrittenTime(); });
}

int __cdecl GetCurrentState()
{
    return Guard(0, [](auto& e) { return static_cast<int>(e.GetCurrentState()); });
}

int __cdecl GetBitrate()
{
    return Guard(0, [](auto& e) { return e.GetBitrate(); });
}

int __cdecl GetSampleRate()
{
    return Guard(0, [](auto& e) { return e.GetSampleRate(); });
}

int __cdecl GetStereo()
{
    return Guard(0, [](auto& e) { return e.GetStereo(); });
}

int __cdecl SetEQValue(const char* bands10, int preamp)
{
    return Guard(0, [&](auto& e) { return e.SetEQValue(bands10, preamp); });
}

int __cdecl EnableEQualizer(int on)
{
    return Guard(on, [&](auto& e) { return e.EnableEQualizer(on); });
}

int __cdecl OutPluginConfig(intptr_t parentWindow)
{
    return Guard(0, [&](auto& e) {
        e.OutPluginConfig(Window(parentWindow));
        return 0;
    });
}

int __cdecl SetSpectrumData(int ms, SampleBlock* out)
{
    return Guard(0, [&](auto& e) {
        e.SetSpectrumData(ms, out);
        return 0;
    });
}

}  // extern "C"

// out_wave.dll: the Winamp 2 output plug-in that VeltoRecorder plays through. It sends what
// the input plug-in decodes to the sound card's wave-out device (the wave mapper) and reports
// the time heard and the time written. Volume and pan are applied to the samples, so they
// touch neither the device's nor the program's other sounds.
#include <windows.h>

#include <new>

#include "outside/plugins/common/PluginAbout.h"
#include "outside/plugins/out_wave/WaveOutput.h"
#include "player/WinampPlugin.h"

namespace {

using velto::plugin::WaveOutput;

WaveOutput* g_output = nullptr;  // lives from DLL load to unload

void __cdecl Config(HWND parent)
{
    velto::plugin::ShowAbout(parent, L"Wave-out output for VeltoRecorder.\n\nNothing to set up.");
}
void __cdecl About(HWND parent)
{
    velto::plugin::ShowAbout(parent, L"Wave-out output for VeltoRecorder.");
}
void __cdecl Init() {}
void __cdecl Quit()
{
    g_output->Close();
}
int __cdecl Open(int rate, int channels, int bits, int bufferMs, int)
{
    return g_output->Open(rate, channels, bits, bufferMs);
}
void __cdecl Close()
{
    g_output->Close();
}
int __cdecl Write(char* data, int length)
{
    return g_output->Write(data, length);
}
int __cdecl CanWrite()
{
    return g_output->CanWrite();
}
int __cdecl IsPlaying()
{
    return g_output->IsPlaying();
}
int __cdecl Pause(int pause)
{
    return g_output->Pause(pause);
}
void __cdecl SetVolume(int volume)
{
    g_output->SetVolume(volume);
}
void __cdecl SetPan(int pan)
{
    g_output->SetPan(pan);
}
void __cdecl Flush(int ms)
{
    g_output->Flush(ms);
}
int __cdecl GetOutputTime()
{
    return g_output->GetOutputTime();
}
int __cdecl GetWrittenTime()
{
    return g_output->GetWrittenTime();
}

char g_description[] = "VeltoRecorder wave-out output";

Out_Module g_module = {
    OUT_MODULE_VERSION,
    g_description,
    0x7e1701,
    nullptr,
    nullptr,
    Config,
    About,
    Init,
    Quit,
    Open,
    Close,
    Write,
    CanWrite,
    IsPlaying,
    Pause,
    SetVolume,
    SetPan,
    Flush,
    GetOutputTime,
    GetWrittenTime,
};

}  // namespace

extern "C" __declspec(dllexport) Out_Module* __cdecl winampGetOutModule()
{
    return &g_module;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    if (reason == DLL_PROCESS_ATTACH) {
        ::DisableThreadLibraryCalls(instance);
        g_output = new (std::nothrow) WaveOutput();
        return g_output != nullptr;
    }
    // At process exit the device is the system's to close. At FreeLibrary the loader lock is
    // held, and closing a device there can wait on the sound system's threads: the host's Quit
    // closes it first. A device left open is left as it is, with its buffers.
    if (reason == DLL_PROCESS_DETACH && !reserved && g_output && !g_output->IsOpen()) {
        delete g_output;
        g_output = nullptr;
    }
    return TRUE;
}

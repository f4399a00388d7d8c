// The Winamp 2 plug-in contract: the module records that input ("in_*.dll",
// winampGetInModule2) and output ("out_*.dll", winampGetOutModule) plug-ins hand to their
// host. Every function pointer uses the C calling convention. Shared by the player library,
// our own plug-ins and the recorder's player binding.
#pragma once

#include <windows.h>

#include <cstddef>

extern "C" {

struct Out_Module;

#define IN_MODULE_VERSION 0x100
#define OUT_MODULE_VERSION 0x10

struct In_Module {
    int version;                 // IN_MODULE_VERSION
    char* description;
    HWND hMainWindow;            // set by the host
    HINSTANCE hDllInstance;      // set by the host
    char* FileExtensions;        // "mp3\0MPEG audio (*.mp3)\0...\0"
    int is_seekable;
    int UsesOutputPlug;
    void(__cdecl* Config)(HWND hwndParent);
    void(__cdecl* About)(HWND hwndParent);
    void(__cdecl* Init)();
    void(__cdecl* Quit)();
    void(__cdecl* GetFileInfo)(const char* file, char* title, int* length_in_ms);
    int(__cdecl* InfoBox)(const char* file, HWND hwndParent);
    int(__cdecl* IsOurFile)(const char* fn);
    int(__cdecl* Play)(const char* fn);  // 0 = started
    void(__cdecl* Pause)();
    void(__cdecl* UnPause)();
    int(__cdecl* IsPaused)();
    void(__cdecl* Stop)();
    int(__cdecl* GetLength)();
    int(__cdecl* GetOutputTime)();
    void(__cdecl* SetOutputTime)(int time_in_ms);
    void(__cdecl* SetVolume)(int volume);
    void(__cdecl* SetPan)(int pan);
    // Filled in by the host at each play:
    void(__cdecl* SAVSAInit)(int maxlatency_in_ms, int srate);
    void(__cdecl* SAVSADeInit)();
    void(__cdecl* SAAddPCMData)(void* PCMData, int nch, int bps, int timestamp);
    int(__cdecl* SAGetMode)();
    int(__cdecl* SAAdd)(void* data, int timestamp, int csa);
    void(__cdecl* VSAAddPCMData)(void* PCMData, int nch, int bps, int timestamp);
    int(__cdecl* VSAGetMode)(int* specNch, int* waveNch);
    int(__cdecl* VSAAdd)(void* data, int timestamp);
    void(__cdecl* VSASetInfo)(int srate, int nch);
    int(__cdecl* dsp_isactive)();
    int(__cdecl* dsp_dosamples)(short int* samples, int numsamples, int bps, int nch, int srate);
    void(__cdecl* EQSet)(int on, char data[10], int preamp);
    void(__cdecl* SetInfo)(int bitrate, int srate, int stereo, int synched);
    Out_Module* outMod;          // set by the host
};

struct Out_Module {
    int version;                 // OUT_MODULE_VERSION
    char* description;
    intptr_t id;
    HWND hMainWindow;            // set by the host
    HINSTANCE hDllInstance;      // set by the host
    void(__cdecl* Config)(HWND hwndParent);
    void(__cdecl* About)(HWND hwndParent);
    void(__cdecl* Init)();
    void(__cdecl* Quit)();
    int(__cdecl* Open)(int samplerate, int numchannels, int bitspersamp, int bufferlenms,
                       int prebufferms);
    void(__cdecl* Close)();
    int(__cdecl* Write)(char* buf, int len);
    int(__cdecl* CanWrite)();
    int(__cdecl* IsPlaying)();
    int(__cdecl* Pause)(int pause);  // returns the previous pause state
    void(__cdecl* SetVolume)(int volume);  // 0..255
    void(__cdecl* SetPan)(int pan);        // -128..128
    void(__cdecl* Flush)(int t);
    int(__cdecl* GetOutputTime)();
    int(__cdecl* GetWrittenTime)();
};

// The plug-ins' entry points.
typedef In_Module*(__cdecl* WinampGetInModule2Fn)();
typedef Out_Module*(__cdecl* WinampGetOutModuleFn)();

// Message a plug-in posts to hMainWindow when its file has played to the end.
#define WM_WA_MPEG_EOF (WM_USER + 2)

}  // extern "C"

#if defined(_M_IX86) || defined(__i386__)
// The 32-bit layouts of the published interface: what real plug-ins are compiled against.
static_assert(offsetof(In_Module, hMainWindow) == 8, "In_Module layout");
static_assert(offsetof(In_Module, hDllInstance) == 12, "In_Module layout");
static_assert(offsetof(In_Module, FileExtensions) == 16, "In_Module layout");
static_assert(offsetof(In_Module, UsesOutputPlug) == 24, "In_Module layout");
static_assert(offsetof(In_Module, Init) == 36, "In_Module layout");
static_assert(offsetof(In_Module, Quit) == 40, "In_Module layout");
static_assert(offsetof(In_Module, GetFileInfo) == 44, "In_Module layout");
static_assert(offsetof(In_Module, IsOurFile) == 52, "In_Module layout");
static_assert(offsetof(In_Module, Play) == 56, "In_Module layout");
static_assert(offsetof(In_Module, Pause) == 60, "In_Module layout");
static_assert(offsetof(In_Module, UnPause) == 64, "In_Module layout");
static_assert(offsetof(In_Module, Stop) == 72, "In_Module layout");
static_assert(offsetof(In_Module, GetLength) == 76, "In_Module layout");
static_assert(offsetof(In_Module, SetOutputTime) == 84, "In_Module layout");
static_assert(offsetof(In_Module, SetVolume) == 88, "In_Module layout");
static_assert(offsetof(In_Module, SetPan) == 92, "In_Module layout");
static_assert(offsetof(In_Module, SAVSAInit) == 96, "In_Module layout");
static_assert(offsetof(In_Module, dsp_dosamples) == 136, "In_Module layout");
static_assert(offsetof(In_Module, EQSet) == 140, "In_Module layout");
static_assert(offsetof(In_Module, SetInfo) == 144, "In_Module layout");
static_assert(offsetof(In_Module, outMod) == 148, "In_Module layout");
static_assert(sizeof(In_Module) == 152, "In_Module layout");
static_assert(offsetof(Out_Module, hMainWindow) == 12, "Out_Module layout");
static_assert(offsetof(Out_Module, hDllInstance) == 16, "Out_Module layout");
static_assert(offsetof(Out_Module, Config) == 20, "Out_Module layout");
static_assert(offsetof(Out_Module, Init) == 28, "Out_Module layout");
static_assert(offsetof(Out_Module, Quit) == 32, "Out_Module layout");
static_assert(offsetof(Out_Module, IsPlaying) == 52, "Out_Module layout");
static_assert(offsetof(Out_Module, SetVolume) == 60, "Out_Module layout");
static_assert(offsetof(Out_Module, SetPan) == 64, "Out_Module layout");
static_assert(offsetof(Out_Module, Flush) == 68, "Out_Module layout");
static_assert(offsetof(Out_Module, GetOutputTime) == 72, "Out_Module layout");
static_assert(offsetof(Out_Module, GetWrittenTime) == 76, "Out_Module layout");
static_assert(sizeof(Out_Module) == 80, "Out_Module layout");
#endif

// The 28 functions Ravelplay.dll exports: C linkage, the C calling convention (the caller pops)
// and undecorated names on both architectures. Every one forwards to the library's single
// PlayerEngine. Window handles and the record pointers handed back as integers are
// pointer-sized (intptr_t): the 32-bit ABI is the historical `int`, and the 64-bit build cannot
// cut them. Times are milliseconds, -1 for "no value".
#pragma once

#include <cstdint>

#include "player/PluginRecord.h"

#ifdef RAVELPLAY_BUILDING
#define RAVELPLAY_API __declspec(dllexport)
#else
#define RAVELPLAY_API __declspec(dllimport)
#endif

extern "C" {

// Discovery (returns how many plug-ins this call loaded) and the records.
RAVELPLAY_API int __cdecl InitInputPlugins(intptr_t window, const char* folder);
RAVELPLAY_API int __cdecl InitOutputPlugins(intptr_t window, const char* folder);
RAVELPLAY_API intptr_t __cdecl GetWinampPluginProp(int index);   // PluginRecord*, 0 past the end
RAVELPLAY_API intptr_t __cdecl GetWinampPlugOutProp(int index);  // PluginRecord*, 0 past the end
RAVELPLAY_API PluginRecord* __cdecl GetCurrentInPluginProp();    // all zero when none
RAVELPLAY_API PluginRecord* __cdecl GetCurrentOutPluginProp();   // all zero when none
RAVELPLAY_API int __cdecl SetCurrentOutPlugin(const char* fileName);
RAVELPLAY_API int __cdecl ReleaseInputPlugins();
RAVELPLAY_API int __cdecl ReleaseOutputPlugins();

// Playing. Play and PlayUrl return 1 when the play started.
RAVELPLAY_API char __cdecl Play(const char* path, int volume, int pan);
RAVELPLAY_API char __cdecl PlayUrl(const char* address, int volume, int pan);
RAVELPLAY_API char __cdecl Stop();
RAVELPLAY_API int __cdecl Pause();
RAVELPLAY_API int __cdecl SeekToPosition(int ms);  // always 0
RAVELPLAY_API int __cdecl SetVolume(int volume);   // 0..255
RAVELPLAY_API int __cdecl SetPan(int pan);         // -128..128

// Queries.
RAVELPLAY_API int __cdecl GetTotalTime(int ignored);
RAVELPLAY_API int __cdecl GetCurrentTotalTime();
RAVELPLAY_API int __cdecl GetOutputTime();
RAVELPLAY_API int __cdecl GetWrittenTime();
RAVELPLAY_API int __cdecl GetCurrentState();  // velto::PlayState
RAVELPLAY_API int __cdecl GetBitrate();
RAVELPLAY_API int __cdecl GetSampleRate();
RAVELPLAY_API int __cdecl GetStereo();

// Equaliser, output configuration and visualisation.
RAVELPLAY_API int __cdecl SetEQValue(const char* bands10, int preamp);
RAVELPLAY_API int __cdecl EnableEQualizer(int on);
RAVELPLAY_API int __cdecl OutPluginConfig(intptr_t parentWindow);
RAVELPLAY_API int __cdecl SetSpectrumData(int ms, SampleBlock* out);

}  // extern "C"

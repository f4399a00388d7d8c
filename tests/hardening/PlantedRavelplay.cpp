// The bait under the player library's name offers every export the recorder looks up, so that
// a program which loaded it would go on to call into it. Each does nothing and answers as the
// library does when it has nothing to play.
#include <cstdint>

#define PLANTED_EXPORT extern "C" __declspec(dllexport)

PLANTED_EXPORT int __cdecl InitInputPlugins(intptr_t, const char*) { return 0; }
PLANTED_EXPORT int __cdecl InitOutputPlugins(intptr_t, const char*) { return 0; }
PLANTED_EXPORT int __cdecl SetCurrentOutPlugin(const char*) { return 0; }
PLANTED_EXPORT void* __cdecl GetCurrentOutPluginProp()
{
    static unsigned char empty[212] = {};  // an all-zero record: no output plug-in
    return empty;
}
PLANTED_EXPORT char __cdecl Play(const char*, int, int) { return 0; }
PLANTED_EXPORT char __cdecl Stop() { return 0; }
PLANTED_EXPORT int __cdecl GetOutputTime() { return -1; }
PLANTED_EXPORT int __cdecl GetCurrentTotalTime() { return -1; }
PLANTED_EXPORT int __cdecl SeekToPosition(int) { return 0; }
PLANTED_EXPORT int __cdecl GetCurrentState() { return 1; }

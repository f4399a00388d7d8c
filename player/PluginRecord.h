// The records that Ravelplay.dll hands to its callers: one PluginRecord per plug-in, the
// visualisation SampleBlock, the play states and the end-of-play message. Callers read what
// they are given and never free it. Shared by the library, its tests and the recorder's binding.
#pragma once

#include <windows.h>

#include <cstddef>

#include "player/WinampPlugin.h"

extern "C" {

// A record whose module handle is null is empty.
struct PluginRecord {
    char extension[100];  // input: the first string of FileExtensions; output: all zero
    char fileName[100];   // as found in the plug-in folder, such as "out_wave.dll"
    HMODULE module;
    In_Module* in;    // input plug-ins only
    Out_Module* out;  // output plug-ins only
};

// One visualisation block as the input plug-in handed it over.
struct SampleBlock {
    int timeStamp;  // ms
    unsigned char data[576];
    int length;  // valid bytes in data
};

}  // extern "C"

static_assert(sizeof(SampleBlock) == 584, "SampleBlock layout");
static_assert(offsetof(SampleBlock, data) == 4, "SampleBlock layout");
static_assert(offsetof(SampleBlock, length) == 580, "SampleBlock layout");

#if defined(_M_IX86) || defined(__i386__)
// What 32-bit callers compiled against the library's record expect.
static_assert(sizeof(PluginRecord) == 212, "PluginRecord layout");
static_assert(offsetof(PluginRecord, fileName) == 100, "PluginRecord layout");
static_assert(offsetof(PluginRecord, module) == 200, "PluginRecord layout");
static_assert(offsetof(PluginRecord, in) == 204, "PluginRecord layout");
static_assert(offsetof(PluginRecord, out) == 208, "PluginRecord layout");
#endif

namespace velto {

// GetCurrentState's values.
enum class PlayState : int {
    Idle = 0,     // nothing played since the library was loaded
    Stopped = 1,  // stopped, or a play being prepared
    Playing = 2,
    Paused = 3,
};

// Posted (wParam 1, lParam 0) to the input plug-in's main window when a play ends by itself.
inline constexpr UINT WM_RAVELPLAY_END = WM_USER + 3;

}  // namespace velto

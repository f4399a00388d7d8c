// For DLLs that a program loads and unloads again and again (the encoders, afresh for every
// recording). Each such DLL carries its own statically linked C++ runtime, and that runtime
// takes an emergency pool for exceptions (about 72 KB of the process heap) when the DLL is
// loaded and never gives it back: without this, every load and unload leaks that much.
#pragma once

#include <windows.h>

namespace __gnu_cxx {
// The runtime's own clean-up of memory it keeps for the life of a process.
void __freeres() noexcept;
}  // namespace __gnu_cxx

namespace velto {

// Call from DllMain. On FreeLibrary (not at process end, when `reserved` is set and the heap
// goes anyway) the runtime's pool goes back to the heap; nothing of the DLL runs after it.
inline void ReleaseStaticRuntimeOnUnload(DWORD reason, LPVOID reserved) noexcept
{
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
}

}  // namespace velto

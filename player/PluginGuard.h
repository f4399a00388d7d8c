// A fence around calls into plug-in code. Plug-ins are third-party binaries built with any
// compiler: one may dereference a bad pointer, raise a structured exception, let an MSVC C++
// exception (0xE06D7363) or a GCC one escape, or call abort() from a C++ runtime that found no
// handler. Whatever of that escapes a plug-in call made through RunGuarded ends the call there:
// the stack above the fence is dropped and RunGuarded reports the fault instead of returning
// normally. Exceptions a plug-in handles itself never reach the fence.
//
// How (docs/plugin-faults.md has the reasons):
//  - x86_64: an assembly trampoline with its own unwind information and exception handler (the
//    equivalent of __try/__except): the system calls the handler only for what no frame below
//    it handled.
//  - i686: an SEH registration record pushed on the thread's fs:[0] chain for the call.
//  - both: a SIGABRT handler in the C runtimes, for a MinGW plug-in whose own runtime gives up
//    (std::terminate, abort) inside the call.
// The handler resumes at a __builtin_setjmp point in RunGuarded: the plug-in's frames are not
// unwound (their cleanups do not run), which is right for a plug-in that is never called again.
//
// A fault on a thread of the plug-in's own is outside every call: WatchPluginThreads covers it.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

namespace velto {

struct PluginFault {
    DWORD code = 0;                 // the exception code; STATUS_FATAL_APP_EXIT for an abort
    const void* address = nullptr;  // where it was raised (null for an abort)
};

// Runs body(context). true when it returned; false when it faulted (`fault` tells how).
// Nested guarded calls on one thread are fine; the innermost catches.
bool RunGuarded(void (*body)(void*), void* context, PluginFault* fault = nullptr) noexcept;

// True while the calling thread is inside a guarded call.
bool InsideGuardedCall() noexcept;

// Makes sure the abort() of every C runtime loaded now reaches the fence. Call after loading
// a plug-in (it may bring a runtime of its own).
void WatchRuntimeAborts() noexcept;

// A fault that nobody handles on a thread that runs inside one of the watched modules (a
// plug-in's decoding thread) ends that thread instead of the process; `onFault` hears of it
// (on that thread, just before it ends) with the module the fault belongs to. Installed once
// per process; modules are added as plug-ins load and stay watched.
using ThreadFaultFn = void (*)(HMODULE module, const PluginFault& fault);
void WatchPluginThreads(ThreadFaultFn onFault) noexcept;
void WatchModule(HMODULE module) noexcept;
void UnwatchModule(HMODULE module) noexcept;

}  // namespace velto

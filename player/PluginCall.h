// Calls into plug-in code. Plug-ins are outside code: an entry may be missing (null), and any
// call may fault (a bad pointer, a structured exception, a C++ exception of any compiler's
// runtime, an abort). Every call runs inside the fence of PluginGuard.h; a call that faults
// gives its fallback, exactly as a missing entry does, and marks its plug-in as faulty: a
// faulty plug-in is never called again in this process, because its state is whatever the
// fault left behind.
#pragma once

#include <windows.h>

#include <tuple>
#include <type_traits>
#include <utility>

#include "player/PluginGuard.h"

namespace velto {

// The process-wide list of plug-ins that faulted, by module handle. Lock-free: the thread
// fault handler adds to it while the faulting thread dies.
bool PluginFaulted(HMODULE module) noexcept;
void MarkPluginFaulted(HMODULE module, const PluginFault& fault) noexcept;

template <typename T>
struct NotDeduced {
    using type = T;
};

namespace detail {

template <typename R, typename Fn, typename Args>
struct PluginCallFrame {
    Fn fn;
    Args args;
    R result;
    static void Run(void* p)
    {
        auto* self = static_cast<PluginCallFrame*>(p);
        self->result = std::apply(self->fn, self->args);
    }
};

template <typename Fn, typename Args>
struct PluginCallFrame<void, Fn, Args> {
    Fn fn;
    Args args;
    static void Run(void* p)
    {
        auto* self = static_cast<PluginCallFrame*>(p);
        std::apply(self->fn, self->args);
    }
};

}  // namespace detail

// fn(args...) on behalf of the plug-in `module`; `fallback` when fn is null, the plug-in has
// faulted before, or it faults now.
template <typename R, typename... P, typename... A>
R CallPlugin(HMODULE module, typename NotDeduced<R>::type fallback, R (*fn)(P...),
             A&&... args) noexcept
{
    if (!fn || PluginFaulted(module)) return fallback;
    detail::PluginCallFrame<R, R (*)(P...), std::tuple<P...>> frame{
        fn, std::tuple<P...>(std::forward<A>(args)...), fallback};
    PluginFault fault;
    if (RunGuarded(&decltype(frame)::Run, &frame, &fault)) return frame.result;
    MarkPluginFaulted(module, fault);
    return fallback;
}

// For entries without a result: true when the call ran to its end.
template <typename... P, typename... A>
bool CallPlugin(HMODULE module, void (*fn)(P...), A&&... args) noexcept
{
    if (!fn) return true;
    if (PluginFaulted(module)) return false;
    detail::PluginCallFrame<void, void (*)(P...), std::tuple<P...>> frame{
        fn, std::tuple<P...>(std::forward<A>(args)...)};
    PluginFault fault;
    if (RunGuarded(&decltype(frame)::Run, &frame, &fault)) return true;
    MarkPluginFaulted(module, fault);
    return false;
}

}  // namespace velto

// Calls into plug-in code. Plug-ins are outside code: an entry may be missing (null) or may
// throw. A C++ exception that unwinds out of a plug-in is caught here and turned into the
// fallback; it never reaches the library's caller. A hardware fault (an access violation inside
// a plug-in) is not an exception in MinGW's C++ and is not caught.
#pragma once

#include <utility>

namespace velto {

template <typename T>
struct NotDeduced {
    using type = T;
};

template <typename R, typename... P, typename... A>
R CallPlugin(typename NotDeduced<R>::type fallback, R (*fn)(P...), A&&... args) noexcept
{
    if (!fn) return fallback;
    try {
        return fn(std::forward<A>(args)...);
    } catch (...) {
        return fallback;
    }
}

template <typename... P, typename... A>
void CallPlugin(void (*fn)(P...), A&&... args) noexcept
{
    if (!fn) return;
    try {
        fn(std::forward<A>(args)...);
    } catch (...) {
    }
}

}  // namespace velto

// CPU time of the bench programs, read inside the process: a 32-bit program under the WoW64
// Wine runs as a process that the starting command does not wait for, so a shell's `time`
// does not see it.
#pragma once

#include <windows.h>

#include <cstdint>

namespace velto::bench {

inline double Seconds(const FILETIME& t)
{
    return static_cast<double>((static_cast<uint64_t>(t.dwHighDateTime) << 32) | t.dwLowDateTime) /
           1e7;
}

// User and kernel seconds of all threads of this process so far.
inline double ProcessCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetProcessTimes(::GetCurrentProcess(), &created, &exited, &kernel, &user);
    return Seconds(kernel) + Seconds(user);
}

// User and kernel seconds of the calling thread so far.
inline double ThreadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    ::GetThreadTimes(::GetCurrentThread(), &created, &exited, &kernel, &user);
    return Seconds(kernel) + Seconds(user);
}

}  // namespace velto::bench

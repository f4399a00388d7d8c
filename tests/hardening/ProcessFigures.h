// What a long-running recorder process holds: kernel handles, threads and private memory, as
// the system reports them for the calling process.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>

namespace velto::test {

struct ProcessFigures {
    DWORD handles = 0;
    DWORD threads = 0;
    uint64_t privateBytes = 0;
};

// The calling process's figures now.
ProcessFigures MeasureThisProcess();
// "handles 123, threads 7, private 12.3 MB"
void PrintFigures(const char* when, const ProcessFigures& f);

}  // namespace velto::test

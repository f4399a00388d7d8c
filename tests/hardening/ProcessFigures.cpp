#include "tests/hardening/ProcessFigures.h"

#include <psapi.h>
#include <tlhelp32.h>

#include "common/win/Handles.h"

namespace velto::test {
namespace {

// Some systems (Wine) answer GetProcessHandleCount with 0: then every handle value the process
// could hold is asked about in turn. Kernel handles are multiples of four.
DWORD CountHandlesByProbing()
{
    DWORD count = 0;
    for (ULONG_PTR value = 4; value < (1u << 18); value += 4) {
        DWORD flags = 0;
        if (::GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
    }
    return count;
}

// Committed private memory, from the address space itself, where the counters say 0 (Wine).
uint64_t CommittedPrivateBytes()
{
    uint64_t total = 0;
    MEMORY_BASIC_INFORMATION region{};
    for (const BYTE* at = nullptr; ::VirtualQuery(at, &region, sizeof region) == sizeof region;
         at = static_cast<const BYTE*>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
        if (region.RegionSize == 0) break;
    }
    return total;
}

}  // namespace

ProcessFigures MeasureThisProcess()
{
    ProcessFigures f;
    if (!::GetProcessHandleCount(::GetCurrentProcess(), &f.handles) || f.handles == 0)
        f.handles = CountHandlesByProbing();

    const DWORD self = ::GetCurrentProcessId();
    UniqueFile snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    if (snapshot && ::Thread32First(snapshot.get(), &entry)) {
        do {
            if (entry.th32OwnerProcessID == self) ++f.threads;
            entry.dwSize = sizeof entry;
        } while (::Thread32Next(snapshot.get(), &entry));
    }

    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (::GetProcessMemoryInfo(::GetCurrentProcess(),
                               reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory))
        f.privateBytes = memory.PrivateUsage;
    if (f.privateBytes == 0) f.privateBytes = CommittedPrivateBytes();
    return f;
}

void PrintFigures(const char* when, const ProcessFigures& f)
{
    std::printf("%-8s handles %lu, threads %lu, private %.2f MB\n", when,
                static_cast<unsigned long>(f.handles), static_cast<unsigned long>(f.threads),
                static_cast<double>(f.privateBytes) / 1e6);
    std::fflush(stdout);
}

}  // namespace velto::test

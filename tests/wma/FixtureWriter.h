// What the stand-in writer DLLs (built from FixtureWriter.cpp, each as WmAudSDK.dll in its own
// folder) share with the tests: where each one fails, and the calls it counted.
#pragma once

#include <atomic>

namespace velto::test {

enum class FixtureFailure { NoExport = 1, InputFormat, OutputFormat, Append, Finish };

struct FixtureCalls {
    std::atomic<long> creates{0};
    std::atomic<long> inputFormats{0};
    std::atomic<long> outputFormats{0};
    std::atomic<long> appends{0};
    std::atomic<long> finishes{0};
    std::atomic<long> releases{0};
};

// Exported by every fixture DLL under this name.
using FixtureCallLogFn = FixtureCalls*(__stdcall*)();
inline constexpr char kFixtureCallLogExport[] = "FixtureCallLog";

}  // namespace velto::test

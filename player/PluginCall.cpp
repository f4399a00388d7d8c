#include "player/PluginCall.h"

#include <atomic>

namespace velto {

namespace {

// More plug-ins than a folder ever holds; a fault beyond them still fails its call, it is
// only not remembered.
constexpr size_t kMaxFaulted = 256;
std::atomic<HMODULE> g_faulted[kMaxFaulted];

void Report(HMODULE module, const PluginFault& fault)
{
    wchar_t name[MAX_PATH] = L"?";
    ::GetModuleFileNameW(module, name, MAX_PATH);
    wchar_t text[MAX_PATH + 96];
    ::wsprintfW(text, L"Ravelplay: plug-in %s faulted (0x%08lX at %p); it is not called again\n",
                name, static_cast<unsigned long>(fault.code), fault.address);
    ::OutputDebugStringW(text);
}

}  // namespace

bool PluginFaulted(HMODULE module) noexcept
{
    if (!module) return false;
    for (const auto& m : g_faulted) {
        const HMODULE h = m.load();
        if (!h) return false;
        if (h == module) return true;
    }
    return false;
}

void MarkPluginFaulted(HMODULE module, const PluginFault& fault) noexcept
{
    if (!module || PluginFaulted(module)) return;
    for (auto& m : g_faulted) {
        HMODULE expected = nullptr;
        if (m.compare_exchange_strong(expected, module) || expected == module) break;
    }
    Report(module, fault);
}

}  // namespace velto

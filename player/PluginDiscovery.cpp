// Finding, loading and releasing the plug-in DLLs of a folder.
#include <algorithm>
#include <cstring>
#include <string>

#include "common/win/Handles.h"
#include "player/PlayerEngine.h"
#include "player/PluginCall.h"

namespace velto {

namespace {

// Copies text into a 100-byte record field, cut so that it always ends in a NUL and never in
// the middle of a double-byte character.
template <size_t N>
void CopyField(char (&field)[N], const char* text, size_t length)
{
    std::memset(field, 0, N);
    size_t n = 0;
    while (n < length && n + 1 < N) {
        const size_t step = ::IsDBCSLeadByte(static_cast<BYTE>(text[n])) ? 2 : 1;
        if (n + step > length || n + step + 1 > N) break;
        n += step;
    }
    std::memcpy(field, text, n);
}

// How many bytes of a plug-in's text the host may read for a field of `limit` bytes: up to
// its NUL, never past the field (nothing beyond it would be kept), and never into memory that
// is not there to be read. The list is the plug-in's; a broken one may lack its NUL or end at
// the edge of its memory, and reading on would crash the host.
size_t PluginTextLength(const char* text, size_t limit)
{
    size_t readable = 0;
    const char* at = text;
    while (readable < limit) {
        MEMORY_BASIC_INFORMATION region{};
        if (::VirtualQuery(at, &region, sizeof region) != sizeof region) break;
        const DWORD readableProtection = PAGE_READONLY | PAGE_READWRITE | PAGE_WRITECOPY |
                                         PAGE_EXECUTE_READ | PAGE_EXECUTE_READWRITE |
                                         PAGE_EXECUTE_WRITECOPY;
        if (region.State != MEM_COMMIT || !(region.Protect & readableProtection) ||
            (region.Protect & PAGE_GUARD))
            break;
        const char* end = static_cast<const char*>(region.BaseAddress) + region.RegionSize;
        readable += static_cast<size_t>(end - at);
        at = end;
    }
    return strnlen(text, std::min(readable, limit));
}

// A plug-in that is not kept. One that faulted stays loaded: code of it may still run.
bool Forget(UniqueModule& module)
{
    if (PluginFaulted(module.get())) {
        module.release();
    } else {
        UnwatchModule(module.get());
    }
    return false;
}

// Quit, then unload, unless it faulted at any time (or now, in Quit): then neither, because a
// thread of it may still run, and unloading its code under that thread would crash the
// process.
void Unload(HMODULE module, void(__cdecl* quit)())
{
    if (!CallPlugin(module, quit)) return;
    UnwatchModule(module);
    ::FreeLibrary(module);
}

}  // namespace

int PlayerEngine::InitInputPlugins(HWND window, const char* folder)
{
    Lock lock(mutex_);
    return inputCount_ = Discover(window, folder, false);
}

int PlayerEngine::InitOutputPlugins(HWND window, const char* folder)
{
    Lock lock(mutex_);
    return outputCount_ = Discover(window, folder, true);
}

int PlayerEngine::Discover(HWND window, const char* folder, bool output)
{
    if (!folder) return 0;
    const std::string base(folder);
    const std::string pattern = base + (output ? "\\out_*.dll" : "\\in_*.dll");
    WIN32_FIND_DATAA entry{};
    UniqueFind search(::FindFirstFileA(pattern.c_str(), &entry));
    if (!search) return 0;
    int count = 0;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::string path = base + "\\" + entry.cFileName;
        if (LoadPlugin(window, path.c_str(), entry.cFileName, output)) ++count;
    } while (::FindNextFileA(search.get(), &entry));
    return count;
}

bool PlayerEngine::LoadPlugin(HWND window, const char* path, const char* fileName, bool output)
{
    // Full path, and the plug-in's own dependencies are looked for beside it.
    UniqueModule module(::LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) return false;
    // From now on a fault of the plug-in, in a call or on a thread of its own, stays its own.
    WatchRuntimeAborts();
    WatchModule(module.get());
    const HMODULE self = module.get();
    // The plug-ins talk to the host window; without one, to the caller's as before.
    HWND pluginWindow = host_.Open();
    if (!pluginWindow) pluginWindow = window;
    PluginRecord record{};
    if (output) {
        auto entry = reinterpret_cast<WinampGetOutModuleFn>(
            ::GetProcAddress(module.get(), "winampGetOutModule"));
        Out_Module* mod = entry ? CallPlugin<Out_Module*>(self, nullptr, entry) : nullptr;
        if (!mod) return Forget(module);  // not a plug-in we can call: unloaded and skipped
        mod->hDllInstance = module.get();
        mod->hMainWindow = pluginWindow;
        CopyField(record.fileName, fileName, std::strlen(fileName));
        if (!CallPlugin(self, mod->Init)) return Forget(module);
        record.out = mod;
    } else {
        auto entry = reinterpret_cast<WinampGetInModule2Fn>(
            ::GetProcAddress(module.get(), "winampGetInModule2"));
        In_Module* mod = entry ? CallPlugin<In_Module*>(self, nullptr, entry) : nullptr;
        if (!mod) return Forget(module);
        // Another version of the contract lays its record out differently: neither written
        // into nor called, so it cannot hide a plug-in that plays the same files.
        if (mod->version != IN_MODULE_VERSION) return Forget(module);
        mod->hDllInstance = module.get();
        mod->hMainWindow = pluginWindow;
        CopyField(record.fileName, fileName, std::strlen(fileName));
        if (!CallPlugin(self, mod->Init)) return Forget(module);
        // The list's first string, such as "mp3;mp2" of "mp3;mp2\0MPEG audio\0".
        const char* extensions = mod->FileExtensions ? mod->FileExtensions : "";
        CopyField(record.extension, extensions,
                  PluginTextLength(extensions, sizeof record.extension));
        record.in = mod;
    }
    record.module = module.release();
    (output ? outputs_ : inputs_).push_back(record);
    if (!output) endWindows_.push_back(window);
    return true;
}

PluginRecord* PlayerEngine::InputRecord(int i)
{
    Lock lock(mutex_);
    return i >= 0 && static_cast<size_t>(i) < inputs_.size() ? &inputs_[static_cast<size_t>(i)]
                                                             : nullptr;
}

PluginRecord* PlayerEngine::OutputRecord(int i)
{
    Lock lock(mutex_);
    return i >= 0 && static_cast<size_t>(i) < outputs_.size() ? &outputs_[static_cast<size_t>(i)]
                                                              : nullptr;
}

int PlayerEngine::inputCount()
{
    Lock lock(mutex_);
    return inputCount_;
}

int PlayerEngine::outputCount()
{
    Lock lock(mutex_);
    return outputCount_;
}

void PlayerEngine::ReleaseInputPlugins()
{
    Lock lock(mutex_);
    ReleaseInputsLocked();
}

void PlayerEngine::ReleaseOutputPlugins()
{
    Lock lock(mutex_);
    ReleaseOutputsLocked();
}

void PlayerEngine::ForgetPlugins()
{
    Lock lock(mutex_);
    timer_.Kill();
    queue_.Close();
    state_ = PlayState::Stopped;
    currentIn_ = PluginRecord{};
    currentOut_ = PluginRecord{};
    currentOutModule_ = nullptr;
    inputs_.clear();
    outputs_.clear();
    endWindows_.clear();
    endWindow_ = nullptr;
    host_.Abandon();
}

// The host window goes with the last plug-in that was given it. (A plug-in that faulted stays
// loaded and may still post to it; it then posts nowhere.)
void PlayerEngine::CloseHostIfUnusedLocked()
{
    if (inputs_.empty() && outputs_.empty()) host_.Close();
}

void PlayerEngine::ReleaseInputsLocked()
{
    if (HasInput()) {
        if (IsRunning()) StopLocked();
        currentIn_ = PluginRecord{};
    }
    for (PluginRecord& record : inputs_) {
        if (record.module && record.in) Unload(record.module, record.in->Quit);
        record = PluginRecord{};
    }
    inputs_.clear();
    endWindows_.clear();
    endWindow_ = nullptr;
    CloseHostIfUnusedLocked();
}

void PlayerEngine::ReleaseOutputsLocked()
{
    // A playing input plug-in writes into these modules from its own thread: stop it before
    // they go, and leave it no pointer into a module that is gone.
    if (HasInput()) {
        if (IsRunning()) StopLocked();
        currentIn_.in->outMod = nullptr;
    }
    currentOut_ = PluginRecord{};
    currentOutModule_ = nullptr;
    for (PluginRecord& record : outputs_) {
        if (record.module && record.out) Unload(record.module, record.out->Quit);
        record = PluginRecord{};
    }
    outputs_.clear();
    CloseHostIfUnusedLocked();
}

}  // namespace velto

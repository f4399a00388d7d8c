#include "tests/player/PlayerTestSupport.h"

#include <cstring>

#include "common/ProgramFolder.h"
#include "common/Text.h"

namespace velto::test {

std::wstring FixturePath(const std::wstring& name)
{
    return ProgramFolder() + L"fixtures\\player\\" + name;
}

namespace {

std::wstring UniqueName()
{
    static LONG counter = 0;
    return L"velto-plugins-" + std::to_wstring(::InterlockedIncrement(&counter));
}

}  // namespace

PluginFolder::PluginFolder()
    : folder_(UniqueName()), path_(folder_.path().substr(0, folder_.path().size() - 1))
{
}

PluginFolder::~PluginFolder()
{
    // The copies go before the folder does.
    for (HMODULE m : modules_) ::FreeLibrary(m);
    RemoveTree(path_);
}

std::string PluginFolder::ansi() const
{
    return WideToAnsi(path_);
}

void PluginFolder::AddCopy(const std::wstring& fixture, const std::wstring& name)
{
    ::CopyFileW(FixturePath(fixture).c_str(), (path_ + L"\\" + name).c_str(), FALSE);
}

HMODULE PluginFolder::LoadCopy(const std::wstring& fixture, const std::wstring& name)
{
    AddCopy(fixture, name);
    HMODULE m = ::LoadLibraryW((path_ + L"\\" + name).c_str());
    if (m) modules_.push_back(m);
    return m;
}

InputScript* PluginFolder::AddInput(const std::wstring& name, const char* extensions)
{
    HMODULE m = LoadCopy(L"in_fixture.dll", name);
    auto get = m ? reinterpret_cast<FixtureInputScriptFn>(::GetProcAddress(m, "FixtureInputScript"))
                 : nullptr;
    if (!get) return nullptr;
    InputScript* script = get();
    std::memset(script->extensions, 0, sizeof script->extensions);
    std::strncpy(script->extensions, extensions, sizeof script->extensions - 2);
    return script;
}

OutputScript* PluginFolder::AddOutput(const std::wstring& name)
{
    HMODULE m = LoadCopy(L"out_fixture.dll", name);
    auto get =
        m ? reinterpret_cast<FixtureOutputScriptFn>(::GetProcAddress(m, "FixtureOutputScript"))
          : nullptr;
    return get ? get() : nullptr;
}

void PluginFolder::AddDirectory(const std::wstring& name)
{
    ::CreateDirectoryW((path_ + L"\\" + name).c_str(), nullptr);
}

void PluginFolder::AddTextFile(const std::wstring& name)
{
    HANDLE f = ::CreateFileW((path_ + L"\\" + name).c_str(), GENERIC_WRITE, 0, nullptr,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    ::WriteFile(f, "not a plug-in\r\n", 15, &written, nullptr);
    ::CloseHandle(f);
}

MessageWindow::MessageWindow()
{
    window_ = ::CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                ::GetModuleHandleW(nullptr), nullptr);
}

MessageWindow::~MessageWindow()
{
    if (window_) ::DestroyWindow(window_);
}

std::vector<MSG> MessageWindow::Take(UINT msg)
{
    std::vector<MSG> out;
    MSG m;
    while (::PeekMessageW(&m, window_, msg, msg, PM_REMOVE)) out.push_back(m);
    return out;
}

bool MessageWindow::WaitFor(UINT msg, DWORD timeoutMs, MSG* got)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        MSG m;
        if (::PeekMessageW(&m, window_, msg, msg, PM_REMOVE)) {
            if (got) *got = m;
            return true;
        }
        if (::GetTickCount() - start > timeoutMs) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_POSTMESSAGE);
    }
}

}  // namespace velto::test

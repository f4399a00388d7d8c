// Shared by the player's tests: a throw-away plug-in folder filled with copies of the scripted
// fixture plug-ins, and a message-only window that collects what the library posts.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/player/fixtures/FixtureScript.h"
#include "tests/support/TempFolder.h"

namespace velto::test {

// A fresh folder under the temporary folder, removed with everything in it at the end. Each
// fixture copy stays loaded by the test as well, so its script can be read after the library
// has released it.
class PluginFolder {
public:
    PluginFolder();
    ~PluginFolder();
    PluginFolder(const PluginFolder&) = delete;
    PluginFolder& operator=(const PluginFolder&) = delete;

    // A copy of the scripted input plug-in named `name` with the extension list `extensions`
    // (its first string is what the host keeps).
    InputScript* AddInput(const std::wstring& name, const char* extensions = "mp3");
    OutputScript* AddOutput(const std::wstring& name);
    // Any file of the build's test fixtures under another name (not loaded by the test).
    void AddCopy(const std::wstring& fixture, const std::wstring& name);
    void AddDirectory(const std::wstring& name);
    void AddTextFile(const std::wstring& name);

    const std::wstring& path() const { return path_; }
    // The folder as the library's `char` exports take it.
    std::string ansi() const;

private:
    HMODULE LoadCopy(const std::wstring& fixture, const std::wstring& name);

    TempFolder folder_;
    std::wstring path_;  // without the trailing backslash, as the library's callers give it
    std::vector<HMODULE> modules_;
};

// The build's fixture plug-ins live in "fixtures\player" beside the test programs.
std::wstring FixturePath(const std::wstring& name);

class MessageWindow {
public:
    MessageWindow();
    ~MessageWindow();
    MessageWindow(const MessageWindow&) = delete;
    MessageWindow& operator=(const MessageWindow&) = delete;

    HWND hwnd() const { return window_; }
    // Removes the queued messages `msg` of this window.
    std::vector<MSG> Take(UINT msg);
    // Waits (pumping) until a message `msg` arrives; false when the time runs out.
    bool WaitFor(UINT msg, DWORD timeoutMs, MSG* got = nullptr);

private:
    HWND window_ = nullptr;
};

}  // namespace velto::test

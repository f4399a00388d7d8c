#include "player/PluginHost.h"

#include <shlobj.h>

#include "common/Text.h"
#include "common/win/Window.h"
#include "player/WinampPlugin.h"

namespace velto {

namespace {

constexpr wchar_t kClassName[] = L"RavelplayPluginHost";
constexpr wchar_t kFolderName[] = L"\\VeltoRecorder";
constexpr wchar_t kFileName[] = L"\\plugins.ini";

// The module this code lives in: Ravelplay.dll, or a test program that links the engine.
HMODULE ThisModule()
{
    HMODULE module = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&ThisModule), &module);
    return module;
}

// Asks the window to end; registered, so that no message a plug-in posts can mean it.
UINT StopMessage()
{
    static const UINT message = ::RegisterWindowMessageW(L"RavelplayPluginHostStop");
    return message;
}

std::wstring ShellFolder(int csidl)
{
    wchar_t path[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                  path)))
        return {};
    return path;
}

bool IsFolder(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

class HostWindow : public Window {
public:
    HostWindow(const PluginSettingsPaths& settings, const std::atomic<HWND>& endWindow)
        : settings_(settings), endWindow_(endWindow)
    {
    }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_WA_IPC) return AnswerIpc(settings_, lp);
        if (msg == WM_WA_MPEG_EOF) return ForwardEnd(wp, lp);
        if (msg == StopMessage()) {
            ::DestroyWindow(hwnd());
            return 0;
        }
        // A plug-in asking the player to close: not the plug-in's to end, nor the library's.
        if (msg == WM_CLOSE) return 0;
        if (msg == WM_DESTROY) {
            ::PostQuitMessage(0);
            return 0;
        }
        return Window::HandleMessage(msg, wp, lp);
    }

private:
    LRESULT ForwardEnd(WPARAM wp, LPARAM lp)
    {
        if (HWND to = endWindow_.load()) ::PostMessageW(to, WM_WA_MPEG_EOF, wp, lp);
        return 0;
    }

    const PluginSettingsPaths& settings_;
    const std::atomic<HWND>& endWindow_;
};

}  // namespace

PluginSettingsPaths FindPluginSettings()
{
    PluginSettingsPaths paths;
    for (int csidl : {CSIDL_APPDATA, CSIDL_COMMON_APPDATA}) {
        const std::wstring base = ShellFolder(csidl);
        if (base.empty()) continue;
        const std::wstring folder = base + kFolderName;
        ::CreateDirectoryW(folder.c_str(), nullptr);
        if (!IsFolder(folder)) continue;
        // The wide answers always name the user's own folder; only the ANSI ones fall back.
        if (paths.folder.empty()) {
            paths.folder = folder;
            paths.file = folder + kFileName;
        }
        // The short form of the folder, not of the file: the file may not exist yet, and a
        // short name is only made for what exists. "plugins.ini" is short already.
        const std::string ansi = AnsiPath(folder);
        if (ansi.empty()) continue;
        paths.ansiFolder = ansi;
        paths.ansiFile = ansi + "\\plugins.ini";
        break;
    }
    return paths;
}

LRESULT AnswerIpc(const PluginSettingsPaths& paths, LPARAM query)
{
    // Where no folder could be found, the strings are empty, never null: era plug-ins copy
    // what a 2.9 host hands back without looking.
    switch (query) {
        case IPC_GETVERSION: return kHostVersion;
        case IPC_GETINIFILE: return reinterpret_cast<LRESULT>(paths.ansiFile.c_str());
        case IPC_GETINIDIRECTORY: return reinterpret_cast<LRESULT>(paths.ansiFolder.c_str());
        case IPC_GETINIFILEW: return reinterpret_cast<LRESULT>(paths.file.c_str());
        case IPC_GETINIDIRECTORYW: return reinterpret_cast<LRESULT>(paths.folder.c_str());
        default: return 0;  // IPC_GET_API_SERVICE among them: no services offered
    }
}

HWND PluginHostWindow::Open()
{
    if (HWND window = window_.load()) return window;
    if (thread_) Close();  // a thread whose window could not be made has ended already
    settings_ = FindPluginSettings();
    ready_.reset(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!ready_) return nullptr;
    // The thread runs the library's code: the library stays loaded until it has ended, even
    // for a caller that frees it without releasing the plug-ins. A program that links the
    // engine needs no such reference.
    keepLoaded_ = nullptr;
    if (ThisModule() != ::GetModuleHandleW(nullptr))
        ::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                             reinterpret_cast<LPCWSTR>(&PluginHostWindow::ThreadMain),
                             &keepLoaded_);
    thread_.reset(::CreateThread(nullptr, 0, &PluginHostWindow::ThreadMain, this, 0, nullptr));
    if (!thread_) {
        if (keepLoaded_) ::FreeLibrary(keepLoaded_);
        keepLoaded_ = nullptr;
        return nullptr;
    }
    const HANDLE started[] = {ready_.get(), thread_.get()};
    ::WaitForMultipleObjects(2, started, FALSE, INFINITE);
    return window_.load();
}

DWORD WINAPI PluginHostWindow::ThreadMain(void* p)
{
    auto* self = static_cast<PluginHostWindow*>(p);
    const HMODULE keepLoaded = self->keepLoaded_;
    try {
        self->Run();
    } catch (...) {
        // Nothing leaves a thread entry; the window is gone with Run's frame.
    }
    // `self` may be gone from here on.
    if (keepLoaded) ::FreeLibraryAndExitThread(keepLoaded, 0);
    return 0;
}

void PluginHostWindow::Run()
{
    const HINSTANCE instance = ThisModule();
    WNDCLASSEXW wc{};
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    Window::RegisterClass(wc);  // registered already by another engine: fine
    HostWindow window(settings_, endWindow_);
    window.Create(WS_EX_TOOLWINDOW, kClassName, L"Ravelplay", WS_POPUP, 0, 0, 0, 0, nullptr,
                  nullptr, instance);
    window_.store(window.hwnd());
    ::SetEvent(ready_.get());
    if (!window.hwnd()) return;
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

void PluginHostWindow::Close()
{
    if (!thread_) return;
    if (::GetThreadId(thread_.get()) == ::GetCurrentThreadId()) {
        Abandon();  // never wait for the thread we are on
        return;
    }
    const HWND window = window_.exchange(nullptr);
    // A queue that a plug-in has flooded may refuse a post: ask again until it is heard.
    while (::WaitForSingleObject(thread_.get(), 0) == WAIT_TIMEOUT) {
        if (window) ::PostMessageW(window, StopMessage(), 0, 0);
        ::WaitForSingleObject(thread_.get(), 1000);
    }
    thread_.reset();
    ready_.reset();
    keepLoaded_ = nullptr;
    // Fails while another engine's window of the class is still there; the last one succeeds.
    ::UnregisterClassW(kClassName, ThisModule());
}

void PluginHostWindow::Abandon()
{
    thread_.reset();
    ready_.reset();
    window_.store(nullptr);
    keepLoaded_ = nullptr;
}

}  // namespace velto

#include "recorder/app/RecorderApp.h"

#include "common/AppMessageBox.h"
#include "common/ProgramFolder.h"
#include "common/SingleInstance.h"
#include "recorder/app/AboutDlg.h"
#include "recorder/app/Banner.h"
#include "recorder/app/MainWindowFactory.h"
#include "recorder/app/Settings.h"
#include "recorder/res/resource.h"
#include "recorder/update/LaunchUpdater.h"

namespace velto {
namespace {

// The main window whose destruction ends the loop (one per process, UI thread only).
HWND g_loopWindow = nullptr;

// The loop must end when the main window goes, whichever way it goes (close command, Alt+F4,
// or while a modal box runs its own loop), without the window having to post WM_QUIT itself.
LRESULT CALLBACK WatchMainWindowDestroy(int code, WPARAM wp, LPARAM lp)
{
    if (code == HC_ACTION) {
        const auto* sent = reinterpret_cast<const CWPSTRUCT*>(lp);
        if (sent->message == WM_NCDESTROY && sent->hwnd == g_loopWindow && g_loopWindow) {
            g_loopWindow = nullptr;
            ::PostQuitMessage(0);
        }
    }
    return ::CallNextHookEx(nullptr, code, wp, lp);
}

}  // namespace

CRecorderApp::CRecorderApp(HINSTANCE instance, std::wstring commandLine)
    : instance_(instance), commandLine_(std::move(commandLine))
{
}

CRecorderApp::~CRecorderApp()
{
    if (destroyWatch_) ::UnhookWindowsHookEx(destroyWatch_);
}

BOOL CRecorderApp::InitApplication()
{
    WNDCLASSEXW wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    wc.hInstance = instance_;
    // Null until the program has its icon artwork; the class works without one.
    wc.hIcon = ::LoadIconW(instance_, MAKEINTRESOURCEW(IDI_APP));
    // No cursor and no background: the main window sets its cursor and draws every pixel.
    wc.hCursor = nullptr;
    wc.hbrBackground = nullptr;
    wc.lpszClassName = kMainWindowClass;
    Window::RegisterClass(wc);
    RegisterBannerClass(instance_);
    return TRUE;
}

bool CRecorderApp::IsOnlyInstance()
{
    // Deliberately never closed: the guard holds for the whole run and ends with the process.
    HANDLE mutex = ::CreateMutexW(nullptr, FALSE, kInstanceMutexName);
    const DWORD error = ::GetLastError();
    // Access denied means another user's or elevated copy holds the name: running as well.
    if (error == ERROR_ALREADY_EXISTS || (!mutex && error == ERROR_ACCESS_DENIED)) {
        AppMessageBox(nullptr, L"지금 실행중입니다..");
        return false;
    }
    return true;
}

bool CRecorderApp::HandOverToUpdater()
{
    try {
        return LaunchUpdater(commandLine_, kUpdaterProgram, kUpdateListAddress, kVersionLibrary,
                             kUpdatePassLimit) == 1;
    } catch (const CUpdaterException& e) {
        // A plain start without a working Updater ends quietly; other codes are not ours.
        return e.code() == CUpdaterException::kUpdaterMissing ||
               e.code() == CUpdaterException::kStartFailed;
    }
}

BOOL CRecorderApp::InitInstance()
{
    HardenDllSearchOrder();
    if (!IsOnlyInstance()) return FALSE;
    if (HandOverToUpdater()) return FALSE;
    ResetSettingsOnFirstRun();
    mainWindow_ = CreateRecorderMainWindow(instance_);
    if (!mainWindow_) return FALSE;
    g_loopWindow = mainWindow_;
    destroyWatch_ = ::SetWindowsHookExW(WH_CALLWNDPROC, &WatchMainWindowDestroy, nullptr,
                                        ::GetCurrentThreadId());
    ::ShowWindow(mainWindow_, SW_SHOW);
    ::UpdateWindow(mainWindow_);
    return TRUE;
}

int CRecorderApp::Run()
{
    MSG msg{};
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (PreTranslateMainWindowMessage(msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}

bool HandleAppCommand(HWND owner, UINT id)
{
    if (id != kAboutCommand) return false;
    CAboutDlg about(::GetModuleHandleW(nullptr));
    about.DoModal(owner);
    return true;
}

}  // namespace velto

#include "tests/support/UiDriver.h"

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>

#include <commctrl.h>

#include "common/Text.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/Tone.h"

namespace velto::test {

namespace {

constexpr int kDigitW = 11, kDigitH = 21, kDigitY = 153;
constexpr int kTimeY = 31;
constexpr int kTimeDigitX[6] = {31, 44, 64, 77, 97, 110};
// A hand takes a moment between moving and pressing; so does Wine's input path.
constexpr DWORD kHandPauseMs = 60;

struct Search {
    DWORD pid;
    const wchar_t* className;  // any class when null
    bool visibleOnly;
    HWND found;
};

BOOL CALLBACK FindWindowOfProcess(HWND hwnd, LPARAM lp)
{
    auto* s = reinterpret_cast<Search*>(lp);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != s->pid || (s->visibleOnly && !::IsWindowVisible(hwnd))) return TRUE;
    if (s->className) {
        wchar_t cls[128] = {};
        ::GetClassNameW(hwnd, cls, 128);
        if (::lstrcmpiW(cls, s->className) != 0) return TRUE;
    }
    s->found = hwnd;
    return FALSE;
}

HWND FindTopLevelWindow(DWORD pid, const wchar_t* className, bool visibleOnly)
{
    Search s{pid, className, visibleOnly, nullptr};
    ::EnumWindows(&FindWindowOfProcess, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void SendMouse(DWORD flags)
{
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dwFlags = flags;
    ::SendInput(1, &in, sizeof(in));
}

void SendKey(WORD vk, bool up)
{
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    ::SendInput(1, &in, sizeof(in));
}

HKEY OpenRecorderKey(bool create)
{
    HKEY key = nullptr;
    if (create)
        ::RegCreateKeyExW(HKEY_CURRENT_USER, kRecorderKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                          &key, nullptr);
    else
        ::RegOpenKeyExW(HKEY_CURRENT_USER, kRecorderKey, 0, KEY_READ, &key);
    return key;
}

void MarkInstalled(HKEY key)
{
    DWORD one = 1;
    ::RegSetValueExW(key, L"install", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                     sizeof(one));
}

}  // namespace

std::wstring TestBinFolder()
{
    wchar_t path[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring s = path;
    return s.substr(0, s.find_last_of(L'\\') + 1);
}

// ---- the process ----------------------------------------------------------------------------

RecorderProcess::~RecorderProcess()
{
    if (!process_) return;
    if (running()) {
        if (window_ && ::IsWindow(window_)) ::PostMessageW(window_, WM_CLOSE, 0, 0);
        if (::WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) Terminate();
    }
    ::CloseHandle(process_);
}

bool RecorderProcess::Start(const std::wstring& arguments, DWORD timeoutMs, const std::wstring& exe,
                            const wchar_t* windowClass)
{
    const bool recorder = windowClass && std::wcscmp(windowClass, L"VeltoRecorder") == 0;
    for (int attempt = 1;; ++attempt) {
        if (!Launch(arguments, timeoutMs, exe, windowClass)) return false;
        if (!recorder) return true;
        const std::wstring box = WaitForStartUp();
        // The sound server sometimes does not answer a process that has just started, and
        // the program then finds no mixer: not what the tests are about, so start it again.
        const bool noMixer = box.find(L"No mixer device present") != std::wstring::npos ||
                             box.find(L"Could not open mixer device") != std::wstring::npos;
        if (!noMixer || attempt == 3) return true;
        std::printf("the recorder's start showed \"%ls\" (attempt %d); starting it again\n",
                    box.c_str(), attempt);
        Terminate();
        ::CloseHandle(process_);
        process_ = nullptr;
    }
}

bool RecorderProcess::Launch(const std::wstring& arguments, DWORD timeoutMs,
                             const std::wstring& exe, const wchar_t* windowClass)
{
    std::wstring line = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    const std::wstring folder = exe.substr(0, exe.find_last_of(L'\\') + 1);
    if (!::CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          folder.c_str(), &si, &pi))
        return false;
    ::CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    window_ = WaitForVisibleWindow(pid_, windowClass, timeoutMs);
    return window_ != nullptr;
}

std::wstring RecorderProcess::WaitForStartUp() const
{
    // The mixer, the tool tips and the player follow the window: once the tool tip window
    // exists the mixer has been looked at, and a box on the way stops the start until closed.
    std::wstring text;
    WaitUntil(
        [&] {
            if (HWND box = FindVisibleWindow(pid_, L"#32770")) {
                text = ReadDialog(box).text;
                return true;
            }
            return FindWindowOfClass(pid_, TOOLTIPS_CLASSW) != nullptr;
        },
        15000);
    return text;
}

bool RecorderProcess::running() const
{
    return process_ && ::WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

bool RecorderProcess::WaitForExit(DWORD timeoutMs, DWORD* code)
{
    if (!process_) return true;
    if (::WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0) return false;
    if (code) ::GetExitCodeProcess(process_, code);
    return true;
}

void RecorderProcess::Terminate()
{
    if (process_ && running()) {
        ::TerminateProcess(process_, 99);
        ::WaitForSingleObject(process_, 10000);
    }
}

POINT RecorderProcess::ToScreen(POINT client) const
{
    ::ClientToScreen(window_, &client);
    return client;
}

RECT RecorderProcess::WindowRect() const
{
    RECT r{};
    ::GetWindowRect(window_, &r);
    return r;
}

HWND FindWindowOfClass(DWORD pid, const wchar_t* className)
{
    return FindTopLevelWindow(pid, className, false);
}

HWND FindVisibleWindow(DWORD pid, const wchar_t* className)
{
    return FindTopLevelWindow(pid, className, true);
}

HWND WaitForVisibleWindow(DWORD pid, const wchar_t* className, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil([&] { return (found = FindVisibleWindow(pid, className)) != nullptr; }, timeoutMs);
    return found;
}

namespace {

std::string DescribeWindow(HWND hwnd, DWORD ourPid)
{
    if (!hwnd) return "none";
    wchar_t cls[128] = {};
    ::GetClassNameW(hwnd, cls, 128);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    return "\"" + WideToUtf8(cls) + "\" of " +
           (pid == ourPid ? "the recorder" : "process " + std::to_string(pid));
}

}  // namespace

std::string DescribeClickTarget(const RecorderProcess& recorder, POINT screen)
{
    HWND window = recorder.window();
    DWORD_PTR ignored = 0;
    const DWORD start = ::GetTickCount();
    const bool answers =
        ::SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored) != 0;
    const DWORD waited = ::GetTickCount() - start;
    POINT cursor{};
    ::GetCursorPos(&cursor);
    HWND under = ::WindowFromPoint(screen);
    return std::string("window ") + (::IsWindowEnabled(window) ? "enabled" : "disabled") +
           ", its thread " +
           (answers ? "answered in " + std::to_string(waited) + " ms" : "did not answer in 5 s") +
           "; at (" + std::to_string(screen.x) + "," + std::to_string(screen.y) +
           "): " + DescribeWindow(under ? ::GetAncestor(under, GA_ROOT) : nullptr, recorder.pid()) +
           "; foreground: " + DescribeWindow(::GetForegroundWindow(), recorder.pid()) +
           "; cursor at (" + std::to_string(cursor.x) + "," + std::to_string(cursor.y) + ")";
}

// ---- mouse and keyboard -----------------------------------------------------------------------

namespace mouse {

void MoveTo(POINT screen)
{
    ::SetCursorPos(screen.x, screen.y);
    // A zero move makes the system deliver the mouse move at the new place.
    SendMouse(MOUSEEVENTF_MOVE);
    ::Sleep(kHandPauseMs);
}

void LeftDown()
{
    SendMouse(MOUSEEVENTF_LEFTDOWN);
    ::Sleep(kHandPauseMs);
}
void LeftUp()
{
    SendMouse(MOUSEEVENTF_LEFTUP);
    ::Sleep(kHandPauseMs);
}
void RightDown()
{
    SendMouse(MOUSEEVENTF_RIGHTDOWN);
    ::Sleep(kHandPauseMs);
}
void RightUp()
{
    SendMouse(MOUSEEVENTF_RIGHTUP);
    ::Sleep(kHandPauseMs);
}

void LeftClick(POINT screen)
{
    MoveTo(screen);
    LeftDown();
    LeftUp();
}

void RightClick(POINT screen)
{
    MoveTo(screen);
    RightDown();
    RightUp();
}

void Drag(POINT from, POINT to, int steps)
{
    MoveTo(from);
    LeftDown();
    for (int i = 1; i <= steps; ++i)
        MoveTo({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    LeftUp();
}

}  // namespace mouse

bool PressAltF4(HWND window)
{
    ::SetForegroundWindow(window);
    if (!WaitUntil([&] { return ::GetForegroundWindow() == window; }, 5000)) return false;
    SendKey(VK_MENU, false);
    SendKey(VK_F4, false);
    SendKey(VK_F4, true);
    SendKey(VK_MENU, true);
    return true;
}

// ---- popup menus --------------------------------------------------------------------------------

HWND WaitForPopupMenu(DWORD pid, DWORD timeoutMs)
{
    return WaitForVisibleWindow(pid, L"#32768", timeoutMs);
}

void ClickMenuItem(HWND menu, int index, int itemCount)
{
    RECT client{};
    ::GetClientRect(menu, &client);
    POINT p{(client.right - client.left) / 2,
            client.top + (client.bottom - client.top) * (2 * index + 1) / (2 * itemCount)};
    ::ClientToScreen(menu, &p);
    mouse::LeftClick(p);
}

bool ChooseFromPopup(const RecorderProcess& recorder, POINT client, int index, int itemCount)
{
    mouse::LeftClick(recorder.ToScreen(client));
    HWND menu = WaitForPopupMenu(recorder.pid());
    if (!menu) return false;
    ClickMenuItem(menu, index, itemCount);
    return WaitUntil([&] { return !::IsWindowVisible(menu); }, 5000);
}

// ---- what the window shows ------------------------------------------------------------------

std::wstring ChildText(HWND parent, int id)
{
    HWND child = ::GetDlgItem(parent, id);
    if (!child) return {};
    wchar_t buf[4096] = {};
    DWORD_PTR copied = 0;
    if (!::SendMessageTimeoutW(child, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buf),
                               SMTO_ABORTIFHUNG, 5000, &copied))
        return {};
    return std::wstring(buf, std::min<size_t>(copied, 4095));
}

std::wstring StatusText(HWND recorderWindow)
{
    return ChildText(recorderWindow, 102);
}
std::wstring PathBoxText(HWND recorderWindow)
{
    return ChildText(recorderWindow, 101);
}

std::vector<COLORREF> CaptureClient(HWND window, int w, int h)
{
    std::vector<COLORREF> out(static_cast<size_t>(w) * h, 0);
    POINT origin{0, 0};
    ::ClientToScreen(window, &origin);
    HDC screen = ::GetDC(nullptr);
    HDC mem = ::CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = ::CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = ::SelectObject(mem, dib);
    ::BitBlt(mem, 0, 0, w, h, screen, origin.x, origin.y, SRCCOPY);
    ::GdiFlush();
    const auto* px = static_cast<const uint32_t*>(bits);
    for (size_t i = 0; i < out.size(); ++i) {
        uint32_t v = px[i];  // 0x00RRGGBB
        out[i] = RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    ::SelectObject(mem, old);
    ::DeleteObject(dib);
    ::DeleteDC(mem);
    ::ReleaseDC(nullptr, screen);
    return out;
}

SkinPicture::SkinPicture(const std::wstring& exe)
{
    HMODULE module = ::LoadLibraryExW(exe.c_str(), nullptr,
                                      LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    if (!module) return;
    auto bitmap = static_cast<HBITMAP>(
        ::LoadImageW(module, MAKEINTRESOURCEW(131), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
    if (bitmap) {
        HDC screen = ::GetDC(nullptr);
        BITMAPINFO bi{};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = kWidth;
        bi.bmiHeader.biHeight = -kHeight;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        std::vector<uint32_t> px(static_cast<size_t>(kWidth) * kHeight);
        if (::GetDIBits(screen, bitmap, 0, kHeight, px.data(), &bi, DIB_RGB_COLORS) == kHeight) {
            pixels_.resize(px.size());
            for (size_t i = 0; i < px.size(); ++i)
                pixels_[i] = RGB((px[i] >> 16) & 0xFF, (px[i] >> 8) & 0xFF, px[i] & 0xFF);
        }
        ::ReleaseDC(nullptr, screen);
        ::DeleteObject(bitmap);
    }
    ::FreeLibrary(module);
}

bool SkinPicture::ShownAt(HWND window, int x, int y, int w, int h, int sx, int sy) const
{
    if (!ok()) return false;
    std::vector<COLORREF> screen = CaptureClient(window, x + w, y + h);
    for (int j = 0; j < h; ++j)
        for (int i = 0; i < w; ++i)
            if (screen[static_cast<size_t>(y + j) * (x + w) + x + i] != At(sx + i, sy + j))
                return false;
    return true;
}

int TimeDisplayReader::ReadDigit(const std::vector<COLORREF>& screen, int screenW, int x) const
{
    // A digit on screen is the face with the sprite's lit pixels over it.
    for (int d = 0; d <= 9; ++d) {
        bool match = true;
        for (int j = 0; j < kDigitH && match; ++j) {
            for (int i = 0; i < kDigitW; ++i) {
                COLORREF sprite = skin_.At(12 * d + i, kDigitY + j);
                COLORREF expected = sprite != RGB(0, 0, 0) ? sprite : skin_.At(x + i, kTimeY + j);
                if (screen[static_cast<size_t>(kTimeY + j) * screenW + x + i] != expected) {
                    match = false;
                    break;
                }
            }
        }
        if (match) return d;
    }
    return -1;
}

int TimeDisplayReader::ReadSeconds(HWND recorderWindow) const
{
    if (!skin_.ok()) return -1;
    const int w = 130, h = 60;
    std::vector<COLORREF> screen = CaptureClient(recorderWindow, w, h);
    int d[6];
    for (int i = 0; i < 6; ++i) {
        d[i] = ReadDigit(screen, w, kTimeDigitX[i]);
        if (d[i] < 0) return -1;
    }
    return (d[0] * 10 + d[1]) * 3600 + (d[2] * 10 + d[3]) * 60 + d[4] * 10 + d[5];
}

bool SaveScreenshot(const std::string& unixPngPath)
{
    const std::string folder = unixPngPath.substr(0, unixPngPath.find_last_of('/'));
    return RunUnixShell("mkdir -p '" + folder +
                            "' && C=/usr/bin/convert-im6.q16 && { [ -x $C ] || C=convert; } && "
                            "xwd -root -silent -display \"$DISPLAY\" | $C xwd:- '" +
                            unixPngPath + "'",
                        20000);
}

// ---- settings ----------------------------------------------------------------------------------

void DeleteRecorderSettings()
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kRecorderKey);
}

void SetRecorderDword(const wchar_t* name, DWORD value)
{
    HKEY key = OpenRecorderKey(true);
    if (!key) return;
    MarkInstalled(key);
    ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    ::RegCloseKey(key);
}

void SetRecorderString(const wchar_t* name, const std::wstring& value)
{
    HKEY key = OpenRecorderKey(true);
    if (!key) return;
    MarkInstalled(key);
    ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                     static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
}

bool ReadRecorderDword(const wchar_t* name, DWORD* value)
{
    HKEY key = OpenRecorderKey(false);
    if (!key) return false;
    DWORD type = 0, size = sizeof(*value);
    LONG r = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    ::RegCloseKey(key);
    return r == ERROR_SUCCESS && type == REG_DWORD;
}

bool ReadRecorderString(const wchar_t* name, std::wstring* value)
{
    HKEY key = OpenRecorderKey(false);
    if (!key) return false;
    wchar_t buf[2048] = {};
    DWORD type = 0, size = sizeof(buf) - sizeof(wchar_t);
    LONG r = ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &size);
    ::RegCloseKey(key);
    if (r != ERROR_SUCCESS || type != REG_SZ) return false;
    *value = buf;
    return true;
}

std::vector<uint8_t> ReadRecorderBinary(const wchar_t* name)
{
    HKEY key = OpenRecorderKey(false);
    if (!key) return {};
    std::vector<uint8_t> data(1024);
    DWORD type = 0, size = static_cast<DWORD>(data.size());
    LONG r = ::RegQueryValueExW(key, name, nullptr, &type, data.data(), &size);
    ::RegCloseKey(key);
    if (r != ERROR_SUCCESS || type != REG_BINARY) return {};
    data.resize(size);
    return data;
}

}  // namespace velto::test

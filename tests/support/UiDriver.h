// Drives the real VeltoRecorder.exe like a user: starts it with a command line (so there is no
// update hand-over), finds its window, moves, presses and releases the real mouse over the
// skin's rectangles (SendInput: the system routes the input, captures and menus behave as for
// a hand on the mouse), chooses popup menu items, reads what the window shows (the status text
// mirror, the time digits on screen) and takes screenshots.
//
// Combine with DialogWatcher(pid) to read and answer the program's message boxes and question
// boxes. Only one recorder runs at a time (its single-instance guard): tests that use this
// carry the "e2e" label, which serialises them on the desktop.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace velto::test {

// The settings key of the recorder under HKEY_CURRENT_USER.
inline constexpr wchar_t kRecorderKey[] = L"Software\\Dovrane\\VeltoRecorder";

// The folder of the running test program (the build's bin folder, laid out like an
// installation), with its trailing backslash.
std::wstring TestBinFolder();

class RecorderProcess {
public:
    RecorderProcess() = default;
    // A program still running is closed (WM_CLOSE), then ended if it does not go.
    ~RecorderProcess();
    RecorderProcess(const RecorderProcess&) = delete;
    RecorderProcess& operator=(const RecorderProcess&) = delete;

    // Starts `exe` with `arguments` and waits until its main window (of `windowClass`) is
    // visible. False when it did not come up in time. The recorder is also waited for until
    // it has finished starting (its mixer, tool tips and player), and started again when the
    // sound server left it without a mixer.
    bool Start(const std::wstring& arguments = L"/run", DWORD timeoutMs = 30000,
               const std::wstring& exe = TestBinFolder() + L"VeltoRecorder.exe",
               const wchar_t* windowClass = L"VeltoRecorder");
    HWND window() const { return window_; }
    DWORD pid() const { return pid_; }
    HANDLE process() const { return process_; }
    bool running() const;
    // Waits for the process to end; its exit code in *code.
    bool WaitForExit(DWORD timeoutMs, DWORD* code = nullptr);
    void Terminate();

    // Screen coordinates of a client point of the main window.
    POINT ToScreen(POINT client) const;
    RECT WindowRect() const;

private:
    bool Launch(const std::wstring& arguments, DWORD timeoutMs, const std::wstring& exe,
                const wchar_t* windowClass);
    // The text of a box that came up while the recorder was starting; empty when none did.
    std::wstring WaitForStartUp() const;

    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
    HWND window_ = nullptr;
};

// A visible top-level window of the process with that class (any class when null).
HWND FindVisibleWindow(DWORD pid, const wchar_t* className);
// Waits for such a window; null on time-out.
HWND WaitForVisibleWindow(DWORD pid, const wchar_t* className, DWORD timeoutMs);
// Any top-level window of the process with that class, shown or not.
HWND FindWindowOfClass(DWORD pid, const wchar_t* className);

// ---- the mouse and the keyboard -----------------------------------------------------------
namespace mouse {
void MoveTo(POINT screen);
void LeftDown();
void LeftUp();
void RightDown();
void RightUp();
// Moves there and clicks; waits a little between the steps, as a hand would.
void LeftClick(POINT screen);
void RightClick(POINT screen);
// Presses at `from`, moves to `to` in `steps` steps, releases there.
void Drag(POINT from, POINT to, int steps = 8);
}  // namespace mouse

// Alt+F4 to `window` (made the foreground window first). False when it could not be made the
// foreground window.
bool PressAltF4(HWND window);

// Points of the face that tests press, in client coordinates.
namespace face {
inline constexpr POINT kRecordButton{32, 115};
inline constexpr POINT kPlayButton{83, 133};
inline constexpr POINT kStopButton{104, 133};
inline constexpr POINT kTypeLabel{150, 131};     // opens the file-type popup (wav, mp3, wma)
inline constexpr POINT kQualityLabel{230, 131};  // opens the quality popup of the type
}  // namespace face

// ---- popup menus ----------------------------------------------------------------------------
// Waits for a popup menu of the process to open; null on time-out.
HWND WaitForPopupMenu(DWORD pid, DWORD timeoutMs = 5000);
// Clicks item `index` of an open popup menu of `itemCount` items of equal height.
void ClickMenuItem(HWND menu, int index, int itemCount);
// Clicks `client` on the recorder's window, picks item `index` of the `itemCount` items of the
// popup that opens and waits for it to close. False when no popup opened or it stayed open.
bool ChooseFromPopup(const RecorderProcess& recorder, POINT client, int index, int itemCount);

// ---- what the window shows ------------------------------------------------------------------
// The text of a child control of another process's window (WM_GETTEXT is marshalled).
std::wstring ChildText(HWND parent, int id);
// The recorder's status line, as mirrored in its hidden child.
std::wstring StatusText(HWND recorderWindow);
// The path box's text.
std::wstring PathBoxText(HWND recorderWindow);

// The skin bitmap (302 x 350), taken from the program's own resources.
class SkinPicture {
public:
    explicit SkinPicture(const std::wstring& exe = TestBinFolder() + L"VeltoRecorder.exe");
    bool ok() const { return !pixels_.empty(); }
    COLORREF At(int x, int y) const { return pixels_[static_cast<size_t>(y) * kWidth + x]; }
    // True when the window's client area at (x, y) shows the skin's w x h area at (sx, sy).
    bool ShownAt(HWND window, int x, int y, int w, int h, int sx, int sy) const;

    static constexpr int kWidth = 302, kHeight = 350;

private:
    std::vector<COLORREF> pixels_;
};

// Reads the big time display off the screen by matching the skin's digit sprites. -1 when
// some digit cannot be read.
class TimeDisplayReader {
public:
    bool ok() const { return skin_.ok(); }
    int ReadSeconds(HWND recorderWindow) const;

private:
    int ReadDigit(const std::vector<COLORREF>& screen, int screenW, int x) const;
    SkinPicture skin_;
};

// Pixels of the client area (top-down, w x h) as the screen shows them.
std::vector<COLORREF> CaptureClient(HWND window, int w, int h);

// What a click at `screen` would meet, for the message of a test whose click had no effect:
// whether the window is enabled and its thread answers, which window is under the point and
// which one is in the foreground.
std::string DescribeClickTarget(const RecorderProcess& recorder, POINT screen);

// Saves a PNG of the whole screen at a Linux path (xwd and ImageMagick on the Linux side).
bool SaveScreenshot(const std::string& unixPngPath);

// ---- the recorder's settings ------------------------------------------------------------------
void DeleteRecorderSettings();
// Sets values under the recorder's key; "install" = 1 is always written, so the program does
// not wipe them on its first start.
void SetRecorderDword(const wchar_t* name, DWORD value);
void SetRecorderString(const wchar_t* name, const std::wstring& value);
bool ReadRecorderDword(const wchar_t* name, DWORD* value);
bool ReadRecorderString(const wchar_t* name, std::wstring* value);
std::vector<uint8_t> ReadRecorderBinary(const wchar_t* name);

// Waits until `predicate` holds, checking every 50 ms; false on time-out.
template <typename Predicate>
bool WaitUntil(Predicate predicate, DWORD timeoutMs)
{
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (predicate()) return true;
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(50);
    }
}

}  // namespace velto::test

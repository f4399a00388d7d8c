// DebugView.exe: a developer's window for the programs' trace lines (DebugTrace). It bears the
// agreed class and title, shows every line it receives with the time it came, and prints
// them on request. Not part of what users install.
#include <windows.h>
#include <commdlg.h>

#include <string>
#include <vector>

#include "common/DebugTrace.h"
#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "common/win/Handles.h"
#include "common/win/Window.h"

namespace {

enum Command : UINT { kPrint = 100, kClear = 101, kExit = 102 };

// Our senders send UTF-8; anything that is not valid UTF-8 is read in the ANSI code page.
std::wstring DecodeTrace(const COPYDATASTRUCT& data)
{
    if (!data.lpData || data.cbData == 0) return {};
    std::string bytes(static_cast<const char*>(data.lpData), data.cbData);
    const size_t nul = bytes.find('\0');
    if (nul != std::string::npos) bytes.resize(nul);
    if (bytes.empty()) return {};
    if (::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                              static_cast<int>(bytes.size()), nullptr, 0) > 0)
        return velto::Utf8ToWide(bytes);
    return velto::AnsiToWide(bytes);
}

// Every line break becomes CR LF (what an edit control shows), with one at the end.
std::wstring AsEditLines(const std::wstring& text)
{
    std::wstring out;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r') continue;
        if (c == L'\n')
            out += L"\r\n";
        else
            out += c;
    }
    if (out.size() < 2 || out.compare(out.size() - 2, 2, L"\r\n") != 0) out += L"\r\n";
    return out;
}

class CDebugViewer : public velto::Window {
protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override
    {
        switch (msg) {
            case WM_CREATE: return OnCreate();
            case WM_SIZE: ::MoveWindow(edit_, 0, 0, LOWORD(lp), HIWORD(lp), TRUE); return 0;
            case WM_SETFOCUS: ::SetFocus(edit_); return 0;
            case WM_COPYDATA:
                Append(DecodeTrace(*reinterpret_cast<const COPYDATASTRUCT*>(lp)));
                return TRUE;
            case WM_COMMAND: OnCommand(LOWORD(wp)); return 0;
            case WM_DESTROY: ::PostQuitMessage(0); return 0;
            default: return Window::HandleMessage(msg, wp, lp);
        }
    }

private:
    LRESULT OnCreate()
    {
        HMENU bar = ::CreateMenu();
        HMENU file = ::CreatePopupMenu();
        ::AppendMenuW(file, MF_STRING, kPrint, L"인쇄(&P)...\tCtrl+P");
        ::AppendMenuW(file, MF_STRING, kClear, L"지우기(&C)");
        ::AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(file, MF_STRING, kExit, L"끝내기(&X)");
        ::AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"파일(&F)");
        ::SetMenu(hwnd(), bar);
        edit_ = ::CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                  WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                      ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                                  0, 0, 0, 0, hwnd(), nullptr, nullptr, nullptr);
        font_.reset(::CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  FIXED_PITCH | FF_MODERN, L"굴림체"));
        ::SendMessageW(edit_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        ::SendMessageW(edit_, EM_SETLIMITTEXT, 0, 0);
        return edit_ ? 0 : -1;
    }

    void Append(const std::wstring& text)
    {
        SYSTEMTIME t;
        ::GetLocalTime(&t);
        const std::wstring stamped = velto::FormatW(L"[%02u:%02u:%02u.%03u] ", t.wHour, t.wMinute,
                                                    t.wSecond, t.wMilliseconds) +
                                     AsEditLines(text);
        lines_.push_back(stamped);
        const int end = ::GetWindowTextLengthW(edit_);
        ::SendMessageW(edit_, EM_SETSEL, end, end);
        ::SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(stamped.c_str()));
    }

    void OnCommand(UINT id)
    {
        switch (id) {
            case kPrint: Print(); break;
            case kClear:
                lines_.clear();
                ::SetWindowTextW(edit_, L"");
                break;
            case kExit: ::DestroyWindow(hwnd()); break;
            default: break;
        }
    }

    void Print()
    {
        PRINTDLGW pd{};
        pd.lStructSize = sizeof pd;
        pd.hwndOwner = hwnd();
        pd.Flags = PD_RETURNDC | PD_NOPAGENUMS | PD_NOSELECTION;
        if (!::PrintDlgW(&pd) || !pd.hDC) return;
        velto::UniqueMemoryDc printer(pd.hDC);  // DeleteDC is the right release for it
        if (pd.hDevMode) ::GlobalFree(pd.hDevMode);
        if (pd.hDevNames) ::GlobalFree(pd.hDevNames);
        PrintLines(printer.get());
    }

    void PrintLines(HDC dc)
    {
        DOCINFOW doc{};
        doc.cbSize = sizeof doc;
        doc.lpszDocName = L"Debug output";
        if (::StartDocW(dc, &doc) <= 0) return;
        const int dpi = ::GetDeviceCaps(dc, LOGPIXELSY);
        velto::UniqueFont font(::CreateFontW(-::MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE,
                                             FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                             FIXED_PITCH | FF_MODERN, L"굴림체"));
        const int margin = dpi / 2;
        const int pageHeight = ::GetDeviceCaps(dc, VERTRES);
        int y = pageHeight;  // forces the first page
        bool pageOpen = false;
        for (const auto& stamped : lines_) {
            const std::wstring line = stamped.substr(0, stamped.size() - 2);  // without CR LF
            if (y + dpi / 6 > pageHeight - margin) {
                if (pageOpen) ::EndPage(dc);
                ::StartPage(dc);
                pageOpen = true;
                y = margin;
            }
            velto::ScopedSelectObject select(dc, font.get());
            ::TextOutW(dc, margin, y, line.c_str(), static_cast<int>(line.size()));
            TEXTMETRICW tm{};
            ::GetTextMetricsW(dc, &tm);
            y += tm.tmHeight + tm.tmExternalLeading;
        }
        if (pageOpen) ::EndPage(dc);
        ::EndDoc(dc);
    }

    HWND edit_ = nullptr;
    velto::UniqueFont font_;
    std::vector<std::wstring> lines_;
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show)
{
    velto::HardenDllSearchOrder();
    WNDCLASSEXW wc{};
    wc.hInstance = instance;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = velto::kDebugViewerClass;
    if (!velto::Window::RegisterClass(wc)) return 1;
    CDebugViewer viewer;
    if (!viewer.Create(0, velto::kDebugViewerClass, velto::kDebugViewerTitle, WS_OVERLAPPEDWINDOW,
                       CW_USEDEFAULT, CW_USEDEFAULT, 720, 420, nullptr, nullptr, instance))
        return 1;
    ::ShowWindow(viewer.hwnd(), show);
    ACCEL accel{FVIRTKEY | FCONTROL, 'P', kPrint};
    HACCEL table = ::CreateAcceleratorTableW(&accel, 1);
    MSG msg;
    while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (table && ::TranslateAcceleratorW(viewer.hwnd(), table, &msg)) continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    if (table) ::DestroyAcceleratorTable(table);
    return static_cast<int>(msg.wParam);
}

#include "recorder/ui/MainWnd.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include "common/AppMessageBox.h"
#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "recorder/app/MainWindowFactory.h"
#include "recorder/app/RecorderApp.h"
#include "recorder/dialogs/MessageDlg.h"
#include "recorder/recording/Mp3Recorder.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/WavRecorder.h"
#include "recorder/recording/WmaRecorder.h"
#include "recorder/res/resource.h"

namespace velto {

namespace {

constexpr UINT kBlinkMs = 500;
constexpr UINT kPlayPollMs = 1;  // as fast as the system's timers go

constexpr wchar_t kStopRecordingQuestion[] =
    L"현재 녹음중입니다. \r\n\r\n 녹음을 중지하시겠습니까 ?";
constexpr wchar_t kStopForPlayQuestion[] =
    L"현재 녹음중입니다. \r\n\r\n 녹음을 중지하고 플레이를 하시겠습니까?";
constexpr wchar_t kStopForCloseQuestion[] =
    L"현재 녹음중입니다. \r\n\r\n 녹음을 중지하시곘습니까 ?";
constexpr wchar_t kVolumeTooLow[] =
    L"녹음의 볼륨이 아주 작습니다.\r\n\r\n녹음의 볼륨을 조절하신후 녹음해주세요.";
constexpr wchar_t kNothingRecorded[] = L"녹음한 내용이 없습니다.\r\n녹음후 재생해 주세요";
constexpr wchar_t kNoVolumeControl[] = L"녹음 컨트롤 찾을수가 없습니다..";
constexpr wchar_t kNoNoticeLibrary[] = L"없음002";
constexpr wchar_t kPlaceholderName[] = L"VeltoRecorder";

constexpr int kVolumeBarPixels = 69;

constexpr int kFirstQualityChoice = ID_QUALITY_FIRST;  // 6235 + row
constexpr int kFirstTypeChoice = ID_TYPE_FIRST;        // 7235 + type
constexpr int kQualityRowsMax = 16;
constexpr int kTypeChoiceOffset = kFirstTypeChoice - kFirstQualityChoice;  // 1000

// True for a command id that a file-type or quality popup can deliver.
bool IsPopupChoice(int id)
{
    return (id >= kFirstQualityChoice && id < kFirstQualityChoice + kQualityRowsMax) ||
           (id >= kFirstTypeChoice && id <= kFirstTypeChoice + kRecordWma);
}

bool StartProgram(const std::wstring& commandLine)
{
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESHOWWINDOW;
    si.wShowWindow = SW_SHOW;
    PROCESS_INFORMATION pi{};
    std::wstring line = commandLine;
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi))
        return false;
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return true;
}

}  // namespace

CMainWnd::CMainWnd()
    : settings_(LoadSettings()), files_(*this, settings_.savePath, settings_.baseName)
{
    recordType_ = settings_.recordType;
    quality_ = settings_.quality;
    skin::InitialSlots(slots_);
    cursor_ = ::LoadCursorW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDCUR_GREY_ARROW));
    if (cursor_) ::SetCursor(cursor_);
}

CMainWnd::~CMainWnd() = default;

HWND CMainWnd::CreateMain(HINSTANCE instance)
{
    return Create(0, kMainWindowClass, kMainWindowClass, kMainWindowStyle, kMainWindowX,
                  kMainWindowY, kMainWindowWidth, kMainWindowHeight, nullptr, nullptr, instance);
}

bool CMainWnd::PreTranslate(MSG& msg)
{
    if (toolTips_ && msg.hwnd == hwnd()) {
        switch (msg.message) {
            case WM_MOUSEMOVE:
            case WM_LBUTTONDOWN:
            case WM_LBUTTONUP:
            case WM_RBUTTONDOWN:
            case WM_RBUTTONUP:
                ::SendMessageW(toolTips_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&msg));
                break;
            default: break;
        }
    }
    return false;
}

// ---- messages -----------------------------------------------------------------------------

LRESULT CMainWnd::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    const POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
    switch (msg) {
        case WM_NCCREATE: return OnNcCreate(wp, lp);
        case WM_CREATE: return OnCreate(wp, lp);
        case WM_ACTIVATE:
            lastActive_ = LOWORD(wp) == WA_INACTIVE ? reinterpret_cast<HWND>(lp) : hwnd();
            RedrawTitle();
            break;
        case WM_ACTIVATEAPP:
            appActive_ = wp != FALSE;
            RedrawTitle();
            break;
        case WM_LBUTTONDOWN: OnLeftDown(p); return 0;
        case WM_LBUTTONUP: OnLeftUp(p); return 0;
        case WM_RBUTTONDOWN: OnRightDown(p); return 0;
        case WM_RBUTTONUP:
            if (OnRightUp(p)) return 0;
            break;
        case WM_MOUSEMOVE: OnMouseMove(p); return 0;
        case WM_SETCURSOR:
            // The class has no cursor: keep the skin's grey arrow over the client area.
            if (LOWORD(lp) == HTCLIENT && cursor_) {
                ::SetCursor(cursor_);
                return TRUE;
            }
            break;
        case WM_TIMER: OnTimer(wp); return 0;
        case WM_SHOWWINDOW: {
            LRESULT r = Window::HandleMessage(msg, wp, lp);
            files_.ProposeNewFile();
            const std::wstring ready = kReadyStatus;
            SetStatusText(&ready, 0);
            return r;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            ::SetBkMode(reinterpret_cast<HDC>(wp), TRANSPARENT);
            return reinterpret_cast<LRESULT>(pathBox_.brush());
        case WM_CONTEXTMENU: ShowContextMenu(p); return 0;
        case WM_COMMAND: OnCommand(wp, lp); return 0;
        case WM_ERASEBKGND:
            if (recording()) {
                slots_[skin::kSlotRecord].spriteX = skin::kRecordSpriteRecording.x;
                slots_[skin::kSlotRecord].spriteY = skin::kRecordSpriteRecording.y;
            }
            break;
        case WM_RECORDER_NOTIFY: OnRecorderNotify(wp, lp); return 0;
        case WM_NOTICE_DONE: notice_.Free(); return 0;
        case kFinishStartMessage: FinishStart(); return 0;
        case WM_ENDSESSION:
            // The session ends without destroying windows: finish the recording and keep the
            // settings as a close would.
            if (wp) ::DestroyWindow(hwnd());
            return 0;
        case WM_DESTROY: OnDestroy(); return 0;
        default: break;
    }
    return CSkinWnd::HandleMessage(msg, wp, lp);
}

LRESULT CMainWnd::OnNcCreate(WPARAM wp, LPARAM lp)
{
    LRESULT ok = Window::HandleMessage(WM_NCCREATE, wp, lp);
    if (!ok) return FALSE;
    ::SetWindowRgn(hwnd(),
                   ::CreateRoundRectRgn(0, 0, skin::kRegionW, skin::kRegionH, skin::kRegionCorner,
                                        skin::kRegionCorner),
                   TRUE);
    return ok;
}

LRESULT CMainWnd::OnCreate(WPARAM wp, LPARAM lp)
{
    if (Window::HandleMessage(WM_CREATE, wp, lp) == -1) return -1;
    if (!CreateSurfaces()) return -1;
    files_.CheckDiskSpace();
    RestorePlacement();
    // The mixer, the tool tips, the player with its plug-ins and the notice library take
    // longer than everything else together; they follow as soon as the window is up, before
    // any click can reach it (a posted message comes before input).
    ::PostMessageW(hwnd(), kFinishStartMessage, 0, 0);
    return 0;
}

void CMainWnd::FinishStart()
{
    AttachVolumeBar();
    CreateToolTips();
    LoadPlayer();
}

bool CMainWnd::CreateSurfaces()
{
    if (!pathBox_.Create(hwnd(), skin::kPathBox, IDC_PATH_BOX)) return false;
    statusMirror_ =
        ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 0, 0, hwnd(),
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusMirrorId)),
                          ::GetModuleHandleW(nullptr), nullptr);
    windowDc_ = ::GetDC(hwnd());
    if (!LoadSkinBitmap(skin::kSkinResource, skin_)) return false;
    if (!CreateBackBuffer(back_, skin::kFaceWidth, skin::kFaceHeight)) return false;

    auto makeFont = [](int height, bool bold, const wchar_t* face) {
        LOGFONTW lf{};
        lf.lfHeight = height;
        lf.lfWeight = bold ? 700 : 300;
        lf.lfCharSet = HANGEUL_CHARSET;
        wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
        return ::CreateFontIndirectW(&lf);
    };
    fontA_.reset(makeFont(12, true, skin::kFontA));
    fontB_.reset(makeFont(11, false, skin::kFontB));
    ::SelectObject(back_.dc(), fontB_.get());
    ::SetBkMode(back_.dc(), TRANSPARENT);
    ::SendMessageW(pathBox_.hwnd(), WM_SETFONT, reinterpret_cast<WPARAM>(fontB_.get()), TRUE);

    if (!CreateBackBuffer(strip_, skin::kStatusStripW, skin::kStatusStripH)) return false;
    ::SetBkMode(strip_.dc(), TRANSPARENT);
    ::SelectObject(strip_.dc(), fontB_.get());
    ::SetTextColor(strip_.dc(), darkText_);
    return true;
}

void CMainWnd::AttachVolumeBar()
{
    volumeBar_.Attach(MIXERLINE_COMPONENTTYPE_DST_WAVEIN, kVolumeBarPixels);
    if (volumeBar_.HasSelect()) volumeBar_.Select(1);
    recordingLinePresent_ = volumeBar_.Pixel() != -1 ? 1 : 0;
}

void CMainWnd::RestorePlacement()
{
    WINDOWPLACEMENT placement{};
    if (LoadWindowPlacement(placement)) ::SetWindowPlacement(hwnd(), &placement);
    RECT r{};
    ::GetWindowRect(hwnd(), &r);
    if (r.right - r.left != skin::kFaceWidth || r.bottom - r.top != skin::kFaceHeight)
        ::MoveWindow(hwnd(), r.left, r.top, skin::kWindowW, skin::kWindowH, TRUE);
}

void CMainWnd::SavePlacement()
{
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    if (::GetWindowPlacement(hwnd(), &placement)) SaveWindowPlacement(placement);
}

void CMainWnd::CreateToolTips()
{
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    toolTips_ = ::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  hwnd(), nullptr, instance, nullptr);
    if (!toolTips_) return;
    for (const auto& tip : skin::kToolTips) {
        TTTOOLINFOW ti{};
        ti.cbSize = TTTOOLINFOW_V2_SIZE;
        ti.hwnd = hwnd();
        ti.uId = static_cast<UINT_PTR>(tip.id);
        ti.rect = tip.rect;
        ti.hinst = instance;
        ti.lpszText = const_cast<wchar_t*>(tip.text);
        ::SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
    }
    ::SendMessageW(toolTips_, TTM_ACTIVATE, TRUE, 0);
}

void CMainWnd::LoadPlayer()
{
    const std::wstring folder = ProgramFolder();
    if (folder.empty()) return;
    player_ = std::make_unique<PlayerLibrary>();
    if (!player_->Open(hwnd())) return;
    if (!notice_.Show(hwnd(), folder)) AppMessageBox(hwnd(), kNoNoticeLibrary);
}

void CMainWnd::OnDestroy()
{
    destroyed_ = true;
    ::KillTimer(hwnd(), kStatusTimer);
    ::KillTimer(hwnd(), kBlinkTimer);
    ::KillTimer(hwnd(), kPlayTimer);
    // Alt+F4, the task bar or the end of the session destroy the window without the close
    // command: a running recording is finished here, so its file is never left half written.
    DropRecorder();
    player_.reset();
    notice_.Free();
    settings_.savePath = files_.saveFolder();
    settings_.baseName = files_.baseName();
    settings_.recordType = recordType_;
    settings_.quality = quality_;
    SaveSettings(settings_);
    if (windowDc_) ::ReleaseDC(hwnd(), windowDc_);
    windowDc_ = nullptr;
}

void CMainWnd::OnFinalDestroy()
{
    DragMode = kDragNone;
}

// ---- commands -----------------------------------------------------------------------------

void CMainWnd::RunSlotCommand(int slot)
{
    switch (slot) {
        case skin::kSlotMinimise: ::ShowWindow(hwnd(), SW_MINIMIZE); break;
        case skin::kSlotClose: CloseCommand(); break;
        case skin::kSlotPath: PathCommand(); break;
        case skin::kSlotHelp: OpenPage(kHelpPage); break;
        case skin::kSlotOptions: OptionsCommand(); break;
        case skin::kSlotRecord: RecordCommand(); break;
        case skin::kSlotPlay: PlayCommand(); break;
        case skin::kSlotStop: StopAndReset(1); break;
        default: break;  // the arrows open their popups on the press
    }
}

std::unique_ptr<CRecorder> CMainWnd::CreateRecorder(int recordType)
{
    switch (recordType) {
        case kRecordWav: return std::make_unique<CWavRecorder>(*this);
        case kRecordMp3: return std::make_unique<CMp3Recorder>(*this);
        case kRecordWma: return std::make_unique<CWmaRecorder>(*this);
        default: return nullptr;
    }
}

void CMainWnd::DropRecorder()
{
    if (!recorder_) return;
    recorder_->Stop();
    recorder_.reset();
}

void CMainWnd::RecordCommand()
{
    AttachVolumeBar();
    if (recording()) {
        if (CMessageDlg::Show(kStopRecordingQuestion, nullptr, 1, hwnd()) == CMessageDlg::kYes)
            StopAndReset(0);
        return;
    }
    if (volumeBar_.Pixel() == 0) {
        ::MessageBoxW(hwnd(), kVolumeTooLow, kAppName, MB_ICONWARNING);
        OptionsCommand();
        return;
    }
    // A recording whose worker ended by itself may still be held: finish it before the next.
    DropRecorder();
    // The recorder becomes current only once it runs: its Start may show boxes and dialogs,
    // whose loops must not reach a recorder that is still starting.
    std::unique_ptr<CRecorder> recorder = CreateRecorder(recordType_);
    if (!recorder || !recorder->Start()) return;
    recorder_ = std::move(recorder);
    ::KillTimer(hwnd(), kPlayTimer);
    elapsed_ = 0;
    RedrawDisplayArea();
    SetStatusText(nullptr, 0);
}

void CMainWnd::PlayCommand()
{
    if (recording()) {
        if (CMessageDlg::Show(kStopForPlayQuestion, nullptr, 1, hwnd()) != CMessageDlg::kYes)
            return;
        StopAndReset(0);
    }
    const std::wstring& file = files_.currentFile();
    if (!file.empty() && FileExists(file)) {
        // Without the player library there is nothing to poll.
        if (player_ && player_->Play(file, 100, 0))
            ::SetTimer(hwnd(), kPlayTimer, kPlayPollMs, nullptr);
    } else {
        ::MessageBoxW(hwnd(), kNothingRecorded, kAppName, MB_ICONWARNING);
    }
}

void CMainWnd::StopAndReset(int complete)
{
    ::KillTimer(hwnd(), kStatusTimer);
    ::KillTimer(hwnd(), kBlinkTimer);
    ::KillTimer(hwnd(), kPlayTimer);
    if (PlayerState() == kPlayStatePlaying) player_->Stop();
    blink_ = 1;
    DropRecorder();
    elapsed_ = 0;
    RedrawDisplayArea();
    DrawSeekThumb(0);
    RedrawTimeDigits();
    SetStatusText(nullptr, complete);
    const int n = recording() ? skin::kHoverSlotsRecording : skin::kHoverSlotsIdle;
    for (int i = 0; i < n; ++i) {
        slots_[i].highlighted = 0;
        InvalidateSlot(i);
    }
}

void CMainWnd::CloseCommand()
{
    if (recording()) {
        if (CMessageDlg::Show(kStopForCloseQuestion, nullptr, 1, hwnd()) != CMessageDlg::kYes)
            return;
        StopAndReset(0);
    }
    SavePlacement();
    ::DestroyWindow(hwnd());
}

void CMainWnd::PathCommand()
{
    if (!recording()) files_.ChooseSaveFile(0);
}

void CMainWnd::OptionsCommand()
{
    RunOptionSheet(*this);
    if (!destroyed_) StopAndReset(0);
}

void CMainWnd::OpenPage(const wchar_t* address)
{
    ::ShellExecuteW(hwnd(), L"open", address, nullptr, nullptr, SW_SHOWNORMAL);
}

void CMainWnd::OnCommand(WPARAM wp, LPARAM)
{
    const int id = LOWORD(wp);
    if (popupFlag_ && IsPopupChoice(id)) ApplyPopupChoice(id);
    switch (id) {
        case ID_HELP_PAGE: OpenPage(kHelpPage); break;
        case ID_BUG_BOARD: OpenPage(kBugBoardPage); break;
        default: HandleAppCommand(hwnd(), static_cast<UINT>(id)); break;
    }
}

void CMainWnd::ApplyPopupChoice(int id)
{
    popupFlag_ = 0;
    const int c = id - kFirstQualityChoice;
    if (c < kTypeChoiceOffset) {
        quality_ = c;
        RedrawArea(skin::kQualityArea, &CMainWnd::ComposeQualityLabel);
        return;
    }
    if (c - kTypeChoiceOffset == recordType_) return;
    recordType_ = NormaliseRecordType(c - kTypeChoiceOffset);
    quality_ = DefaultQuality(recordType_);
    RedrawTypeAndQuality();
    files_.ProposeNewFile();
}

void CMainWnd::ShowChoicePopup(int slot)
{
    UniqueMenu bar(::CreateMenu());
    HMENU popup = ::CreatePopupMenu();
    if (!bar || !popup) {
        if (popup) ::DestroyMenu(popup);
        return;
    }
    ::AppendMenuW(bar.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup), L"Menu");
    if (slot == skin::kSlotTypeArrow) {
        for (int type = kRecordWav; type <= kRecordWma; ++type)
            ::AppendMenuW(popup, MF_STRING, kFirstTypeChoice + type, FileExtension(type));
        ::CheckMenuItem(popup, kFirstTypeChoice + recordType_, MF_BYCOMMAND | MF_CHECKED);
    } else {
        const int rows = QualityRowCount(recordType_);
        for (int row = 0; row < rows; ++row)
            ::AppendMenuW(popup, MF_STRING, kFirstQualityChoice + row,
                          QualityLabel(recordType_, row).c_str());
        ::CheckMenuItem(popup, kFirstQualityChoice + quality_, MF_BYCOMMAND | MF_CHECKED);
    }
    popupFlag_ = 1;
    POINT at{slots_[slot].rect.left, slots_[slot].rect.top + 15};
    ::ClientToScreen(hwnd(), &at);
    ::TrackPopupMenu(popup, TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd(), nullptr);
}

void CMainWnd::ShowContextMenu(POINT screen)
{
    UniqueMenu menu(::LoadMenuW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_CONTEXT_MENU)));
    if (!menu) return;
    HMENU help = ::GetSubMenu(menu.get(), 1);
    if (help) ::TrackPopupMenu(help, 0, screen.x + 9, screen.y + 5, 0, hwnd(), nullptr);
}

void CMainWnd::OpenVolumeControl()
{
    if (recordingLinePresent_) return;
    wchar_t windows[MAX_PATH] = {};
    UINT n = ::GetWindowsDirectoryW(windows, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        for (const wchar_t* candidate : {L"%s\\sndvol32.exe", L"%s\\system32\\sndvol32.exe"}) {
            std::wstring program = FormatW(candidate, windows);
            if (FileExists(program) && StartProgram(L"\"" + program + L"\" /r /rec /record"))
                return;
        }
    }
    // Newer systems have no sndvol32: their recording controls are the Sound panel's
    // recording page.
    HINSTANCE started =
        ::ShellExecuteW(hwnd(), L"open", L"control.exe", L"mmsys.cpl,,1", nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(started) > 32) return;
    CMessageDlg::Show(kNoVolumeControl, nullptr, 0, hwnd());
}

void CMainWnd::RefreshAutoStopDisplay()
{
    if (!recording()) RedrawAutoStopTime();
}

// ---- the recorder host --------------------------------------------------------------------

std::wstring CMainWnd::GetOutputPath()
{
    return files_.GetOutputPath();
}
int CMainWnd::GetFreeMegabytes()
{
    return files_.GetFreeMegabytes();
}
int CMainWnd::ChooseSaveFile(int proposeNew)
{
    return files_.ChooseSaveFile(proposeNew);
}

// ---- progress -----------------------------------------------------------------------------

void CMainWnd::OnRecorderNotify(WPARAM what, LPARAM value)
{
    switch (what) {
        case NOTIFY_ENCODER_FAILED:
            recorder_.reset();
            // The writer never started, so nothing records: without the reset the status line
            // and the state label would go on showing a recording that does not exist.
            StopAndReset(1);
            break;
        case NOTIFY_ELAPSED:
            // A worker may post one more second while it is being stopped; once its recorder is
            // gone that second must not come back onto the reset display.
            if (recorder_) ShowElapsed(static_cast<int>(value));
            break;
        case NOTIFY_STOP: StopAndReset(1); break;
        case NOTIFY_LIMIT:
            ShowElapsed(g_autoStop.seconds.load());
            StopAndReset(1);
            break;
        case NOTIFY_ERROR: {
            const auto* text = reinterpret_cast<const wchar_t*>(value);
            const std::wstring message = text ? text : L"";
            ::MessageBoxW(hwnd(), message.c_str(), L"Error", MB_OK);
            StopAndReset(0);
            SetStatusText(&message, 0);
            break;
        }
        case NOTIFY_PLAY_POSITION: ShowPlayPosition(static_cast<int>(value)); break;
        case NOTIFY_MESSAGE: {
            // The worker's box, shown here so that it belongs to the window; what the worker
            // asked to follow comes once the user has read it.
            const std::unique_ptr<RecorderMessage> message = TakeRecorderMessage(value);
            if (!message) break;
            ::MessageBoxW(hwnd(), message->text.c_str(), message->caption.c_str(), message->type);
            if (message->then != RecorderMessage::kNoFollowUp && !destroyed_)
                OnRecorderNotify(message->then, message->thenValue);
            break;
        }
        default: break;
    }
}

void CMainWnd::ShowElapsed(int seconds)
{
    elapsed_ = seconds;
    blink_ = 1;
    RedrawTimeDigits();
    RedrawStateLabel();
    RedrawColons();
    ::SetTimer(hwnd(), kBlinkTimer, kBlinkMs, nullptr);
    files_.CheckDiskSpace();
}

void CMainWnd::ShowPlayPosition(int seconds)
{
    // During a recording the time display belongs to the recording.
    if (recording()) return;
    if (PlayerState() == kPlayStateStopped) {
        // The play can end between the poll that posted this position and now; the poll
        // would have reset the window, so do it here while its timer still runs.
        if (::KillTimer(hwnd(), kPlayTimer)) {
            StopAndReset(1);
            return;
        }
        elapsed_ = 0;
        blink_ = 1;
    } else {
        elapsed_ = seconds;
        blink_ = 0;
    }
    RedrawTimeDigits();
    RedrawStateLabel();
    RedrawColons();
}

void CMainWnd::UpdateSeekBar()
{
    // Nothing played yet, or no player library at all: the thumb rests at the start.
    if (PlayerState() <= kPlayStateIdle) return;
    const int output = player_->GetOutputTime();
    ::PostMessageW(hwnd(), WM_RECORDER_NOTIFY, NOTIFY_PLAY_POSITION, output / 1000);
    const int total = player_->GetCurrentTotalTime();
    if (PlayerState() == kPlayStateIdle)
        DrawSeekThumb(skin::kSeekLeft);
    else
        DrawSeekThumb(ThumbXForPosition(output, total));
}

void CMainWnd::SeekTo(int x)
{
    if (player_) player_->SeekToPosition(SeekTargetMs(x, player_->GetCurrentTotalTime()));
    DrawSeekThumb(x);
}

void CMainWnd::OnTimer(UINT_PTR id)
{
    switch (id) {
        case kStatusTimer:
            status_.Tick();
            RedrawStatusLine();
            break;
        case kBlinkTimer:
            // The digits keep the last second; only the colons and the label go dark.
            if (IsRecording()) {
                ::KillTimer(hwnd(), kBlinkTimer);
                blink_ = 0;
                RedrawStateLabel();
                RedrawColons();
            }
            break;
        case kPlayTimer:
            if (PlayerState() == kPlayStateStopped) StopAndReset(1);
            UpdateSeekBar();
            break;
        default: break;
    }
}

void CMainWnd::SetStatusText(const std::wstring* text, int complete)
{
    const std::wstring value = text ? *text : files_.ComposeStatusText(complete);
    if (DragMode == kDragStatusLine) {
        DragMode = kDragNone;
        if (::GetCapture() == hwnd()) ::ReleaseCapture();
    }
    if (status_.SetText(value, [this](const std::wstring& s) { return MeasureStatusText(s); }))
        ::SetTimer(hwnd(), kStatusTimer, kStatusTickMs, nullptr);
    else
        ::KillTimer(hwnd(), kStatusTimer);
    if (statusMirror_) ::SetWindowTextW(statusMirror_, value.c_str());
    RedrawStatusLine();
}

// ---- the application's seam ---------------------------------------------------------------

namespace {
std::unique_ptr<CMainWnd> g_mainWindow;
}

HWND CreateRecorderMainWindow(HINSTANCE instance)
{
    g_mainWindow = std::make_unique<CMainWnd>();
    HWND hwnd = g_mainWindow->CreateMain(instance);
    if (!hwnd) g_mainWindow.reset();
    return hwnd;
}

bool PreTranslateMainWindowMessage(MSG& msg)
{
    return g_mainWindow ? g_mainWindow->PreTranslate(msg) : false;
}

}  // namespace velto

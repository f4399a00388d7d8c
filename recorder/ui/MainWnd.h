// The main window: the whole user interface of the recorder. It owns the running recording,
// the player binding, the current file and the settings in memory; it draws itself from the
// skin and resolves every click against the skin's rectangles.
//
// Everything here runs on the user-interface thread. Recording workers reach the window only
// by posting WM_RECORDER_NOTIFY; the recording state is read as the engine leaves it.
//
// The implementation is split by concern: MainWnd.cpp (creation, commands, messages, timers),
// MainWndDraw.cpp (the face and its partial redraws) and MainWndMouse.cpp (presses, drags,
// the window move).
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "common/win/Handles.h"
#include "recorder/app/Settings.h"
#include "recorder/mixer/VolumeBar.h"
#include "recorder/recording/Recorder.h"
#include "recorder/ui/MainWindowOps.h"
#include "recorder/ui/MouseRules.h"
#include "recorder/ui/NoticeLibrary.h"
#include "recorder/ui/OutputFiles.h"
#include "recorder/ui/PathEdit.h"
#include "recorder/ui/PlayerLibrary.h"
#include "recorder/ui/SkinLayout.h"
#include "recorder/ui/SkinWnd.h"
#include "recorder/ui/StatusLine.h"

namespace velto {

// The help and bug-report pages (the context menu and the help button open them).
inline constexpr wchar_t kHelpPage[] = L"https://www.dovrane.co.kr/veltorecorder/help";
inline constexpr wchar_t kBugBoardPage[] = L"https://www.dovrane.co.kr/veltorecorder/bugs";
inline constexpr wchar_t kReadyStatus[] = L"VeltoRecorder v1.02";
// A hidden child that mirrors the status line's text, so that tools and tests can read what
// the skin only draws.
inline constexpr int kStatusMirrorId = 102;

class CMainWnd : public CSkinWnd,
                 public RecorderHost,
                 public MainWindowOps,
                 private OutputFilesHost {
public:
    CMainWnd();
    ~CMainWnd() override;

    // Creates the window with the program's class, style, position and size.
    HWND CreateMain(HINSTANCE instance);
    // Sees each message of the application's loop first (the tool tips' relay).
    bool PreTranslate(MSG& msg);

    // RecorderHost: what the recorders ask when they start.
    std::wstring GetOutputPath() override;
    int GetFreeMegabytes() override;
    int ChooseSaveFile(int proposeNew) override;
    int CurrentRecordType() const override { return recordType_; }
    int CurrentQuality() const override { return quality_; }
    HWND NotifyWindow() const override { return hwnd(); }

    // MainWindowOps: what the options sheet asks.
    HWND MainWindow() const override { return hwnd(); }
    void StopAndReset(int complete) override;
    void OpenVolumeControl() override;
    void RefreshAutoStopDisplay() override;

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override;
    void Paint(HDC dc) override;
    void OnFinalDestroy() override;

private:
    // OutputFilesHost
    std::wstring PathBoxText() const override { return pathBox_.Text(); }
    void SetPathBoxText(const std::wstring& text) override { pathBox_.SetText(text); }
    void RedrawFreeSpace() override
    {
        RedrawArea(skin::kFreeSpaceArea, &CMainWnd::ComposeFreeSpace);
    }

    // ---- life cycle (MainWnd.cpp) ----
    LRESULT OnNcCreate(WPARAM wp, LPARAM lp);
    LRESULT OnCreate(WPARAM wp, LPARAM lp);
    void FinishStart();
    bool CreateSurfaces();
    void AttachVolumeBar();
    void RestorePlacement();
    void SavePlacement();
    void CreateToolTips();
    void LoadPlayer();
    void OnDestroy();

    // ---- commands ----
    void RunSlotCommand(int slot);
    void RecordCommand();
    void PlayCommand();
    void CloseCommand();
    void PathCommand();
    void OptionsCommand();
    void OpenPage(const wchar_t* address);
    void OnCommand(WPARAM wp, LPARAM lp);
    void ShowContextMenu(POINT screen);
    void ShowChoicePopup(int slot);
    void ApplyPopupChoice(int id);
    std::unique_ptr<CRecorder> CreateRecorder(int recordType);
    void DropRecorder();

    // ---- progress ----
    void OnRecorderNotify(WPARAM what, LPARAM value);
    void ShowElapsed(int seconds);
    void ShowPlayPosition(int seconds);
    void UpdateSeekBar();
    void SeekTo(int x);
    void OnTimer(UINT_PTR id);
    void SetStatusText(const std::wstring* text, int complete);

    // ---- drawing (MainWndDraw.cpp) ----
    using Compose = void (CMainWnd::*)();
    void RedrawArea(const skin::RedrawArea& area, Compose compose);
    void CopyToWindow(int x, int y, int w, int h);
    void ComposeTitle();
    void ComposeDisplayArea();
    void ComposeStateLabel();
    void ComposeTimeDigits();
    void ComposeFreeSpace();
    void ComposeAutoStopTime();
    void ComposeColons();
    void ComposeStatusLine();
    void ComposeTypeLabel();
    void ComposeQualityLabel();
    void RedrawTitle();
    void RedrawDisplayArea();
    void RedrawStateLabel();
    void RedrawTimeDigits();
    void RedrawColons();
    void RedrawAutoStopTime();
    void RedrawTypeAndQuality();
    void RedrawStatusLine();
    void DrawSlotSprite(int slot);
    void InvalidateSlot(int slot);
    void DrawSeekThumb(int x);
    int MeasureStatusText(const std::wstring& text);
    bool TitleLooksActive() const;

    // ---- mouse (MainWndMouse.cpp) ----
    void OnLeftDown(POINT p);
    void OnLeftUp(POINT p);
    void OnRightDown(POINT p);
    bool OnRightUp(POINT p);
    void OnMouseMove(POINT p);
    void HoverSlots(POINT p);
    void TrackPressedSlots(POINT p);
    void BeginWindowMove();
    void ContinueWindowMove(POINT p);
    void BeginStatusDrag();

    static constexpr UINT_PTR kStatusTimer = 10;  // scrolls the status line
    static constexpr UINT_PTR kBlinkTimer =
        11;  // darkens the colons half a second after each second
    static constexpr UINT_PTR kPlayTimer = 15;  // polls the playback
    static constexpr UINT kStatusTickMs = 40;
    static constexpr UINT kFinishStartMessage = WM_APP + 1;

    static constexpr int kPlayStateIdle = static_cast<int>(PlayState::Idle);
    static constexpr int kPlayStateStopped = static_cast<int>(PlayState::Stopped);
    static constexpr int kPlayStatePlaying = static_cast<int>(PlayState::Playing);

    bool recording() const { return IsRecording(); }
    int PlayerState() const { return player_ ? player_->GetCurrentState() : -1; }

    // ---- state ----
    int popupFlag_ = 0;
    int blink_ = 1;
    COLORREF lightText_ = skin::kLightText;
    COLORREF darkText_ = skin::kDarkText;
    int elapsed_ = 0;
    int quality_ = kDefaultQualitySetting;
    int recordType_ = kDefaultRecordTypeSetting;
    int recordingLinePresent_ = 0;

    StatusLine status_;
    skin::ButtonSlot slots_[skin::kSlotCount];
    bool appActive_ = true;
    HWND lastActive_ = nullptr;
    POINT pressPoint_{};
    int dragOffset_ = 0;  // the status line's offset at the press of a drag
    bool rightPressHandled_ = false;
    bool destroyed_ = false;

    // Fonts before surfaces: surfaces are freed first, while the fonts still exist.
    UniqueFont fontA_;
    UniqueFont fontB_;
    MemorySurface skin_;
    MemorySurface back_;
    MemorySurface strip_;
    HDC windowDc_ = nullptr;  // the window's own DC (CS_OWNDC): valid for its whole life
    HCURSOR cursor_ = nullptr;

    CPathEdit pathBox_;
    HWND statusMirror_ = nullptr;
    HWND toolTips_ = nullptr;
    CVolumeBar volumeBar_;
    MainWindowSettings settings_;  // before files_, which starts from its folder and name
    COutputFiles files_;
    std::unique_ptr<CRecorder> recorder_;
    std::unique_ptr<PlayerLibrary> player_;
    NoticeLibrary notice_;
};

}  // namespace velto

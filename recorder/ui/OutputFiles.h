// The main window's current file: proposing a free name in the save folder, the save-as
// dialog, the free space of the save folder's drive (and stopping a recording that runs out of
// it), and the two status line texts. The main window owns one COutputFiles and answers the
// few questions it asks through OutputFilesHost, so tests drive it without a skinned window.
//
// User-interface thread only. Paths are UTF-16 without length limit: Korean folder and file
// names and paths longer than MAX_PATH work with every file function used here.
#pragma once

#include <windows.h>

#include <string>

namespace velto {

// What the output-file operations need from the main window.
class OutputFilesHost {
public:
    virtual ~OutputFilesHost() = default;
    // The path box, which always shows the current file.
    virtual std::wstring PathBoxText() const = 0;
    virtual void SetPathBoxText(const std::wstring& text) = 0;
    virtual int CurrentRecordType() const = 0;
    virtual int CurrentQuality() const = 0;
    // The free-space value changed: redraw its display.
    virtual void RedrawFreeSpace() = 0;
    // Receives NOTIFY_STOP and owns the save-as dialog and the question box.
    virtual HWND NotifyWindow() const = 0;
};

// Bytes available to the caller on the drive whose root is `root` ("c:\"); false on failure.
// The program asks the system; tests stand in a nearly full drive.
using FreeSpaceQuery = bool (*)(const std::wstring& root, ULONGLONG* bytesAvailable);
bool SystemFreeSpace(const std::wstring& root, ULONGLONG* bytesAvailable);

class COutputFiles {
public:
    static constexpr int kStopBelowMegabytes = 50;
    static constexpr const wchar_t* kSaveDialogTitle = L"저장할 파일경로 및 파일이름 설정";
    static constexpr const wchar_t* kLowSpaceText =
        L"drive의 용량이 부족하여 녹음을 중지 하였습니다..";

    // `saveFolder` ("SavePath", default "c:\") and `baseName` ("NoName", default "Noname")
    // come from the settings. The free space shown starts as the folder's drive's.
    explicit COutputFiles(OutputFilesHost& host, std::wstring saveFolder = L"c:\\",
                          std::wstring baseName = L"Noname");
    COutputFiles(const COutputFiles&) = delete;
    COutputFiles& operator=(const COutputFiles&) = delete;

    // The first name "<folder><base>.<ext>", "<folder><base>2.<ext>", ... that no file or
    // folder has yet.
    std::wstring MakeUniqueName() const;
    // MakeUniqueName into the current file and the path box (window shown, type changed).
    void ProposeNewFile();
    // The save-as dialog, proposing a new name (proposeNew) or the path box's text. 1 when a
    // file was chosen: it becomes the current file and its folder the save folder. 0 when
    // cancelled, after posting NOTIFY_STOP to the window.
    int ChooseSaveFile(int proposeNew);
    // The path box's text, which becomes the current file.
    std::wstring GetOutputPath();
    // Free MiB on the save folder's drive; -1 without a drive letter and colon, or when the
    // drive cannot be asked.
    int GetFreeMegabytes() const;
    // Refreshes the free-space display; a recording on a drive with less than 50 MiB left is
    // stopped (NOTIFY_STOP first, then the notice, so the stop runs while it is shown).
    void CheckDiskSpace();
    // The status line for the current file: complete (after a stop) or ready (recording).
    std::wstring ComposeStatusText(int complete) const;

    const std::wstring& saveFolder() const noexcept { return saveFolder_; }
    // Keeps the folder with its trailing backslash, which file names are appended to.
    void SetSaveFolder(std::wstring folder);
    const std::wstring& baseName() const noexcept { return baseName_; }
    void SetBaseName(std::wstring name) { baseName_ = std::move(name); }
    const std::wstring& currentFile() const noexcept { return currentFile_; }
    void SetCurrentFile(std::wstring path) { currentFile_ = std::move(path); }
    // The value the free-space display shows.
    int freeMegabytesShown() const noexcept { return freeMegabytesShown_; }

    void SetFreeSpaceQuery(FreeSpaceQuery query) noexcept { freeSpace_ = query; }

private:
    int RunSaveDialog(const std::wstring& initialName, std::wstring* chosen) const;

    OutputFilesHost& host_;
    std::wstring saveFolder_;
    std::wstring baseName_;
    std::wstring currentFile_;
    int freeMegabytesShown_ = -1;
    FreeSpaceQuery freeSpace_ = &SystemFreeSpace;
};

// The status line text for `file` recorded as (type, quality). complete: "Recording Complete
// <file> (<kb>)KByte ..." or "VeltoRecorder v1.02" when the file is missing or under 1 KiB;
// otherwise "<TYPE> DirectRecording ...".
std::wstring ComposeStatusText(int complete, int type, int quality, const std::wstring& file);

// `path` in the form the wide file functions accept beyond MAX_PATH ("\\?\c:\..." or
// "\\?\UNC\server\..."); shorter and relative paths come back unchanged.
std::wstring ExtendedLengthPath(const std::wstring& path);
// True when a file or folder of that name exists (a name to avoid for a new recording).
bool PathTaken(const std::wstring& path);

}  // namespace velto

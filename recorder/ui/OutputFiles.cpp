#include "recorder/ui/OutputFiles.h"

#include <cderr.h>
#include <commdlg.h>

#include <algorithm>
#include <climits>
#include <vector>

#include "common/Text.h"
#include "recorder/dialogs/MessageDlg.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/Recorder.h"
#include "recorder/ui/StatusText.h"

namespace velto {

namespace {

constexpr DWORD kSaveDialogFlags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOTESTFILECREATE |
                                   OFN_EXPLORER | OFN_ENABLESIZING;
static_assert(kSaveDialogFlags == 0x890802);
// The longest path the wide file functions take.
constexpr size_t kPathCapacity = 32768;

bool IsDriveLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// Size of an existing regular file; false when there is none.
bool FileSize(const std::wstring& path, ULONGLONG* size)
{
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(ExtendedLengthPath(path).c_str(), GetFileExInfoStandard, &data))
        return false;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    *size = (ULONGLONG{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
    return true;
}

}  // namespace

bool SystemFreeSpace(const std::wstring& root, ULONGLONG* bytesAvailable)
{
    ULARGE_INTEGER available{};
    if (!::GetDiskFreeSpaceExW(root.c_str(), &available, nullptr, nullptr)) return false;
    *bytesAvailable = available.QuadPart;
    return true;
}

std::wstring ExtendedLengthPath(const std::wstring& path)
{
    if (path.size() < MAX_PATH) return path;
    if (path.compare(0, 4, L"\\\\?\\") == 0) return path;
    if (path.size() > 2 && IsDriveLetter(path[0]) && path[1] == L':' && path[2] == L'\\')
        return L"\\\\?\\" + path;
    if (path.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + path.substr(2);
    return path;
}

bool PathTaken(const std::wstring& path)
{
    return ::GetFileAttributesW(ExtendedLengthPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring ComposeStatusText(int complete, int type, int quality, const std::wstring& file)
{
    ULONGLONG size = 0;
    const bool exists = complete && FileSize(file, &size);
    return FormatStatusText(complete, type, quality, file, exists, size);
}

COutputFiles::COutputFiles(OutputFilesHost& host, std::wstring saveFolder, std::wstring baseName)
    : host_(host), baseName_(std::move(baseName))
{
    SetSaveFolder(std::move(saveFolder));
    freeMegabytesShown_ = GetFreeMegabytes();
}

void COutputFiles::SetSaveFolder(std::wstring folder)
{
    if (!folder.empty() && folder.back() != L'\\' && folder.back() != L'/') folder += L'\\';
    saveFolder_ = std::move(folder);
}

std::wstring COutputFiles::MakeUniqueName() const
{
    const int type = host_.CurrentRecordType();
    const std::wstring candidate = saveFolder_ + baseName_ + L"." + FileExtension(type);
    // Split at the last dot of the whole name: a base name may have dots of its own.
    std::wstring stem = candidate, extension = FileExtension(type);
    const size_t dot = candidate.rfind(L'.');
    if (dot != std::wstring::npos) {
        stem = candidate.substr(0, dot);
        extension = candidate.substr(dot + 1);
    }
    std::wstring name = candidate;
    for (int n = 2; PathTaken(name); ++n) name = stem + std::to_wstring(n) + L"." + extension;
    return name;
}

void COutputFiles::ProposeNewFile()
{
    currentFile_ = MakeUniqueName();
    host_.SetPathBoxText(currentFile_);
}

int COutputFiles::RunSaveDialog(const std::wstring& initialName, std::wstring* chosen) const
{
    const int type = host_.CurrentRecordType();
    const std::wstring filter = SaveDialogFilter(type);
    std::vector<wchar_t> buffer(std::max(kPathCapacity, initialName.size() + 1), L'\0');
    initialName.copy(buffer.data(), initialName.size());

    OPENFILENAMEW ofn{};
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = host_.NotifyWindow();
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = buffer.data();
    ofn.nMaxFile = static_cast<DWORD>(buffer.size());
    ofn.lpstrInitialDir = saveFolder_.empty() ? nullptr : saveFolder_.c_str();
    ofn.lpstrTitle = kSaveDialogTitle;
    ofn.Flags = kSaveDialogFlags;
    ofn.lpstrDefExt = FileExtension(type);
    if (!::GetSaveFileNameW(&ofn))
        return ::CommDlgExtendedError() == FNERR_INVALIDFILENAME ? -1 : 0;
    *chosen = buffer.data();
    return 1;
}

int COutputFiles::ChooseSaveFile(int proposeNew)
{
    const std::wstring initialName = proposeNew ? MakeUniqueName() : host_.PathBoxText();
    std::wstring chosen;
    int result = RunSaveDialog(initialName, &chosen);
    // A name the dialog refuses to start with must not keep it from opening at all.
    if (result < 0) result = RunSaveDialog(L"", &chosen);
    if (result <= 0) {
        ::PostMessageW(host_.NotifyWindow(), WM_RECORDER_NOTIFY, NOTIFY_STOP, 0);
        return 0;
    }
    host_.SetPathBoxText(chosen);
    currentFile_ = chosen;
    const size_t slash = chosen.rfind(L'\\');
    if (slash != std::wstring::npos) saveFolder_ = chosen.substr(0, slash + 1);
    CheckDiskSpace();
    return 1;
}

std::wstring COutputFiles::GetOutputPath()
{
    currentFile_ = host_.PathBoxText();
    return currentFile_;
}

int COutputFiles::GetFreeMegabytes() const
{
    if (saveFolder_.size() < 2 || !IsDriveLetter(saveFolder_[0]) || saveFolder_[1] != L':')
        return -1;
    const std::wstring root = std::wstring(1, saveFolder_[0]) + L":\\";
    ULONGLONG available = 0;
    if (!freeSpace_(root, &available)) return -1;
    const ULONGLONG megabytes = available >> 20;
    return megabytes > INT_MAX ? INT_MAX : static_cast<int>(megabytes);
}

void COutputFiles::CheckDiskSpace()
{
    const int megabytes = GetFreeMegabytes();
    if (megabytes != freeMegabytesShown_) {
        freeMegabytesShown_ = megabytes;
        host_.RedrawFreeSpace();
    }
    // -1 is an unknown amount, not an empty drive: such a folder never starts a recording
    // (the recorders refuse it), and a drive that cannot be asked mid-way is not stopped.
    if (!IsRecording() || megabytes < 0 || megabytes >= kStopBelowMegabytes) return;
    ::PostMessageW(host_.NotifyWindow(), WM_RECORDER_NOTIFY, NOTIFY_STOP, 0);
    CMessageDlg::Show(kLowSpaceText, nullptr, 0, host_.NotifyWindow());
}

std::wstring COutputFiles::ComposeStatusText(int complete) const
{
    return velto::ComposeStatusText(complete, host_.CurrentRecordType(), host_.CurrentQuality(),
                                    currentFile_);
}

}  // namespace velto

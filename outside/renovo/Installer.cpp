#include "outside/renovo/Installer.h"

#include <memory>
#include <mutex>
#include <vector>

#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "common/win/Handles.h"
#include "outside/renovo/Transfer.h"

namespace renovo {
namespace {

constexpr wchar_t kNewSuffix[] = L".renovo-new";
constexpr wchar_t kOldSuffix[] = L".renovo-old";
constexpr uint64_t kMaxListBytes = 1 << 20;
constexpr uint64_t kMaxFileBytes = 512ull << 20;

// ---- the list, fetched on a thread that may be abandoned ----

// Shared between the caller and the transfer thread; whoever finishes last frees it.
struct ListTransfer {
    std::wstring address, userAgent;
    std::mutex lock;
    bool done = false;
    bool ok = false;
    std::string text;
    velto::UniqueHandle finished{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
};

DWORD WINAPI ListTransferThread(void* param)
{
    auto* shared = static_cast<std::shared_ptr<ListTransfer>*>(param);
    std::shared_ptr<ListTransfer> transfer = std::move(*shared);
    delete shared;
    FetchLimits limits;
    limits.maxBytes = kMaxListBytes;
    std::string text;
    bool ok = false;
    try {
        ok = FetchToMemory(transfer->address, transfer->userAgent, limits, text);
    } catch (...) {
        ok = false;
    }
    {
        std::lock_guard<std::mutex> guard(transfer->lock);
        transfer->done = true;
        transfer->ok = ok;
        transfer->text = std::move(text);
    }
    ::SetEvent(transfer->finished.get());
    transfer.reset();
    // The library may have been unloaded by its caller meanwhile: the thread holds its own
    // reference and gives it back on its way out.
    HMODULE self = nullptr;
    ::GetModuleHandleExW(
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
        reinterpret_cast<LPCWSTR>(&ListTransferThread), &self);
    ::FreeLibraryAndExitThread(self, 0);
    return 0;
}

// The list text, or false when it did not arrive within the time. A transfer that outlives
// the wait is left to finish (or time out) on its own; nobody waits for it.
bool FetchListInTime(const std::wstring& address, const std::wstring& userAgent, DWORD timeoutMs,
                     std::string& text)
{
    auto transfer = std::make_shared<ListTransfer>();
    transfer->address = address;
    transfer->userAgent = userAgent;
    if (!transfer->finished) return false;
    HMODULE pin = nullptr;
    if (!::GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                              reinterpret_cast<LPCWSTR>(&ListTransferThread), &pin))
        return false;
    auto* param = new std::shared_ptr<ListTransfer>(transfer);
    velto::UniqueHandle thread(::CreateThread(nullptr, 0, &ListTransferThread, param, 0, nullptr));
    if (!thread) {
        delete param;
        ::FreeLibrary(pin);
        return false;
    }
    ::WaitForSingleObject(transfer->finished.get(), timeoutMs);
    std::lock_guard<std::mutex> guard(transfer->lock);
    if (!transfer->done || !transfer->ok) return false;
    text = std::move(transfer->text);
    return true;
}

// ---- comparing ----

bool FileVersion(const std::wstring& file, Version& out)
{
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<BYTE> data(size);
    if (!::GetFileVersionInfoW(file.c_str(), 0, size, data.data())) return false;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) ||
        length < sizeof *info)
        return false;
    out.parts = {HIWORD(info->dwFileVersionMS), LOWORD(info->dwFileVersionMS),
                 HIWORD(info->dwFileVersionLS), LOWORD(info->dwFileVersionLS)};
    return true;
}

std::wstring VersionText(const Version& v)
{
    return velto::FormatW(L"%u.%u.%u.%u", v.parts[0], v.parts[1], v.parts[2], v.parts[3]);
}

bool Matches(const std::wstring& file, const Sha256& expected)
{
    Sha256 actual{};
    return HashFile(file, actual) && actual == expected;
}

// ---- the temporary folder for downloads ----

class TempFolder {
public:
    TempFolder()
    {
        wchar_t base[MAX_PATH];
        const DWORD n = ::GetTempPathW(MAX_PATH, base);
        if (n == 0 || n >= MAX_PATH) return;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            std::wstring candidate = velto::FormatW(
                L"%sRenovo-%lu-%lu-%d\\", base, ::GetCurrentProcessId(), ::GetTickCount(), attempt);
            if (::CreateDirectoryW(candidate.c_str(), nullptr)) path_ = candidate;
        }
    }
    ~TempFolder()
    {
        for (const auto& f : files_) ::DeleteFileW(f.c_str());
        if (!path_.empty()) ::RemoveDirectoryW(path_.c_str());
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool ok() const { return !path_.empty(); }
    std::wstring NewFile()
    {
        files_.push_back(path_ + velto::FormatW(L"file%zu.bin", files_.size()));
        return files_.back();
    }

private:
    std::wstring path_;
    std::vector<std::wstring> files_;
};

// ---- replacing ----

struct Change {
    const ListedFile* listed;
    std::wstring target;      // in the program folder
    std::wstring downloaded;  // in the temporary folder
    std::wstring staged;      // target + ".renovo-new", beside the target
    std::wstring aside;       // target + ".renovo-old" once the old file is moved away
};

bool CreateFoldersFor(const std::wstring& programFolder, const std::wstring& relativePath)
{
    size_t at = 0;
    while ((at = relativePath.find(L'\\', at)) != std::wstring::npos) {
        const std::wstring folder = programFolder + relativePath.substr(0, at);
        if (!::CreateDirectoryW(folder.c_str(), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        ++at;
    }
    return true;
}

// A staged copy sits beside its target, on the same volume, so the final step is a rename.
bool Stage(const std::wstring& programFolder, Change& c)
{
    if (!CreateFoldersFor(programFolder, c.listed->path)) return false;
    ::DeleteFileW(c.staged.c_str());
    if (!::CopyFileW(c.downloaded.c_str(), c.staged.c_str(), FALSE) ||
        !Matches(c.staged, c.listed->sha256)) {
        ::DeleteFileW(c.staged.c_str());
        return false;
    }
    return true;
}

void PutBack(Change& c)
{
    if (c.aside.empty()) {
        ::DeleteFileW(c.target.c_str());
    } else {
        ::MoveFileExW(c.aside.c_str(), c.target.c_str(), MOVEFILE_REPLACE_EXISTING);
        c.aside.clear();
    }
}

// Each old file is moved aside (a running program may be renamed, not overwritten) and its
// new one renamed into place. When any step fails, the files already swapped go back.
bool SwapIn(std::vector<Change>& changes)
{
    for (size_t i = 0; i < changes.size(); ++i) {
        Change& c = changes[i];
        bool ok = true;
        if (velto::FileExists(c.target)) {
            const std::wstring aside = c.target + kOldSuffix;
            ::DeleteFileW(aside.c_str());
            ok = ::MoveFileExW(c.target.c_str(), aside.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
            if (ok) c.aside = aside;
        }
        if (ok) ok = ::MoveFileExW(c.staged.c_str(), c.target.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
        if (!ok) {
            if (!c.aside.empty())
                ::MoveFileExW(c.aside.c_str(), c.target.c_str(), MOVEFILE_REPLACE_EXISTING);
            c.aside.clear();
            for (size_t k = 0; k < i; ++k) PutBack(changes[k]);
            return false;
        }
    }
    // A program still running keeps its old file until the next run cleans it up.
    for (const Change& c : changes)
        if (!c.aside.empty()) ::DeleteFileW(c.aside.c_str());
    return true;
}

void RemoveLeftovers(const std::wstring& programFolder, const UpdateList& list)
{
    for (const auto& f : list.files) {
        ::DeleteFileW((programFolder + f.path + kNewSuffix).c_str());
        ::DeleteFileW((programFolder + f.path + kOldSuffix).c_str());
    }
}

}  // namespace

Version InstalledVersion(const std::wstring& programFolder, const std::wstring& versionLibrary)
{
    Version v;
    if (!versionLibrary.empty() && IsSafeRelativePath(versionLibrary) &&
        FileVersion(programFolder + versionLibrary, v))
        return v;
    if (FileVersion(programFolder + L"VeltoRecorder.exe", v)) return v;
    return Version{};
}

UpdateOutcome RunUpdate(const UpdateRequest& request, std::wstring& detail)
{
    std::string text;
    if (!FetchListInTime(request.listAddress, request.userAgent, request.listTimeoutMs, text)) {
        detail = L"the update list could not be read";
        return UpdateOutcome::Unavailable;
    }
    // Nothing in the list is read before its signature holds.
    std::string body;
    std::wstring refusal;
    if (!AuthenticateList(text, request.trustedKey, body, refusal)) {
        detail = L"the update list was refused: " + refusal;
        return UpdateOutcome::Unavailable;
    }
    UpdateList list;
    std::string error;
    if (!ParseUpdateList(body, list, error)) {
        detail = L"the update list is not valid: " + velto::Utf8ToWide(error);
        return UpdateOutcome::Unavailable;
    }
    RemoveLeftovers(request.programFolder, list);
    const Version installed = InstalledVersion(request.programFolder, request.versionLibrary);
    if (!(installed < list.version)) {
        // An older list, even one correctly signed, never takes an installation back.
        detail = L"the installed version " + VersionText(installed) +
                 L" is current (the list has " + VersionText(list.version) + L")";
        return UpdateOutcome::Current;
    }

    std::vector<Change> changes;
    for (const auto& f : list.files) {
        const std::wstring target = request.programFolder + f.path;
        if (!Matches(target, f.sha256))
            changes.push_back(Change{&f, target, {}, target + kNewSuffix, {}});
    }
    if (changes.empty()) {
        detail = L"every listed file is current";
        return UpdateOutcome::Current;
    }

    TempFolder temp;
    if (!temp.ok()) {
        detail = L"no temporary folder";
        return UpdateOutcome::Failed;
    }
    FetchLimits limits;
    limits.maxBytes = kMaxFileBytes;
    for (Change& c : changes) {
        c.downloaded = temp.NewFile();
        const std::wstring address = ResolveAddress(request.listAddress, c.listed->address);
        if (!FetchToFile(address, request.userAgent, limits, c.downloaded)) {
            detail = L"download failed: " + address;
            return UpdateOutcome::Failed;
        }
        if (!Matches(c.downloaded, c.listed->sha256)) {
            detail = L"hash mismatch: " + c.listed->path;
            return UpdateOutcome::Failed;
        }
    }
    for (size_t i = 0; i < changes.size(); ++i) {
        if (!Stage(request.programFolder, changes[i])) {
            for (size_t k = 0; k < i; ++k) ::DeleteFileW(changes[k].staged.c_str());
            detail = L"cannot stage " + changes[i].listed->path;
            return UpdateOutcome::Failed;
        }
    }
    if (!SwapIn(changes)) {
        for (const Change& c : changes) ::DeleteFileW(c.staged.c_str());
        detail = L"cannot replace the files";
        return UpdateOutcome::Failed;
    }
    detail = velto::FormatW(L"%zu file(s) replaced", changes.size());
    return UpdateOutcome::Replaced;
}

}  // namespace renovo

#include "updater/UpdaterApp.h"

#include "common/DebugTrace.h"
#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "common/win/Handles.h"
#include "updater/SplitAtSeparator.h"

namespace velto {
namespace {

constexpr wchar_t kLibrary[] = L"Renovo.dll";
constexpr wchar_t kLibraryCopy[] = L"RenovoCopy.dll";

// The decimal number at the start of the text; 0 when there is none.
int LeadingNumber(const std::wstring& text)
{
    return static_cast<int>(wcstol(text.c_str(), nullptr, 10));
}

}  // namespace

UpdaterApp::UpdaterApp(std::wstring folder) : folder_(std::move(folder)) {}

BOOL UpdaterApp::InitInstance(const std::wstring& commandLine)
{
    RunPasses(commandLine);
    return FALSE;
}

int UpdaterApp::RunPasses(const std::wstring& commandLine)
{
    // A library that keeps asking passes on: with no limit this goes on as long as it asks.
    bool again = true;
    int result = 0;
    while (again) result = RunOnePass(commandLine, again);
    return result;
}

int UpdaterApp::RunOnePass(const std::wstring& commandLine, bool& again)
{
    again = false;
    if (commandLine.empty()) return 0;

    std::wstring arguments, countText;
    SplitAtSeparator(commandLine, L"$$", arguments, countText);
    passLimit_ = LeadingNumber(countText);
    ++passCounter_;
    const bool lastPass = passLimit_ == passCounter_;

    const std::wstring library = folder_ + kLibrary;
    const std::wstring copy = folder_ + kLibraryCopy;
    if (!FileExists(library)) {
        ::MessageBoxW(nullptr, L"Cannot found RENOVO.DLL", L"Updater", MB_OK | MB_ICONEXCLAMATION);
        return 0;
    }
    // The library may replace Renovo.dll itself during a pass, so a copy is what runs.
    if (FileExists(copy)) ::DeleteFileW(copy.c_str());
    if (!::CopyFileW(library.c_str(), copy.c_str(), FALSE)) return 0;
    UniqueModule module(::LoadLibraryExW(copy.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!module) return 0;

    const std::string argumentBytes = WideToUtf8(arguments);
    if (lastPass) {
        DebugTrace(L"####### 업데이트 횟수(%d)의 제한으로 업데이트를 종료합니다.. #########\r\n",
                   passLimit_);
        if (auto execute =
                reinterpret_cast<RunExecuteProc>(::GetProcAddress(module.get(), "RunExecute")))
            execute(kExecuteCode, argumentBytes.c_str());
        module.reset();
        ::DeleteFileW(copy.c_str());
        return 0;
    }

    auto update = reinterpret_cast<RunUpdaterProc>(::GetProcAddress(module.get(), "RunUpdater"));
    if (!update) return 0;  // the copy stays until the next run deletes it
    const int result = update(argumentBytes.c_str());
    module.reset();
    ::DeleteFileW(copy.c_str());
    again = result == kAskForAnotherPass;
    return result;
}

}  // namespace velto

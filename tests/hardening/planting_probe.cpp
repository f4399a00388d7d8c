// Run by dll_planting_test from a copy in a folder of its own (so its program folder holds no
// encoder DLLs), with a working directory where planted ones wait.
//   planting_probe record       an MP3 and a WMA recording through the recorders, as the
//                               program makes them; exit 0 when each ended as a missing
//                               library ends it
//   planting_probe plain-load   what a careless LoadLibrary of the encoders' and the player
//                               library's names does
#include <windows.h>

#include <cwchar>
#include <string>

#include "recorder/recording/Mp3Recorder.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/WmaRecorder.h"
#include "recorder/ui/PlayerLibrary.h"
#include "tests/support/TestHost.h"

using namespace velto;

namespace {

constexpr DWORD kPatience = 60000;

std::wstring TempFile(const wchar_t* name)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    return std::wstring(temp) + L"velto-planting-" + std::to_wstring(::GetCurrentProcessId()) +
           name;
}

// The MP3 worker, without its library, says so and asks the window to stop.
bool Mp3RecordingEndsForWantOfItsLibrary(test::TestHost& host)
{
    host.recordType = kRecordMp3;
    host.quality = 3;
    host.outputPath = TempFile(L".mp3");
    CMp3Recorder recorder(host);
    if (recorder.Start() != 1) return false;
    const bool stopAsked = host.WaitFor(NOTIFY_STOP, kPatience);
    recorder.Stop();
    ::DeleteFileW(host.outputPath.c_str());
    return stopAsked;
}

// The WMA worker reports its writer missing; the window then deletes the recorder.
bool WmaRecordingEndsForWantOfItsLibrary(test::TestHost& host)
{
    host.recordType = kRecordWma;
    host.quality = 6;
    host.outputPath = TempFile(L".wma");
    host.received.clear();
    bool failed = false;
    {
        CWmaRecorder recorder(host);
        if (recorder.Start() != 1) return false;
        failed = host.WaitFor(NOTIFY_ENCODER_FAILED, kPatience);
    }
    ::DeleteFileW(host.outputPath.c_str());
    return failed;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"plain-load") {
        ::LoadLibraryW(kLameLibraryName);
        ::LoadLibraryW(kWmaWriterDll);
        ::LoadLibraryW(PlayerLibrary::kLibraryName);
        return 0;
    }
    if (mode != L"record") return 2;
    g_autoStop.enabled = 0;
    test::TestHost host;
    const bool mp3 = Mp3RecordingEndsForWantOfItsLibrary(host);
    const bool wma = WmaRecordingEndsForWantOfItsLibrary(host);
    return mp3 && wma ? 0 : 1;
}

// The release packages as a user gets them, unzipped by package_test.sh: every program and
// library says the project's version, both programs carry their manifests, and the program of
// this test's own architecture starts from its own folder both ways it is started in the
// field, records each file type and plays it back through its own plug-ins.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "common/Text.h"
#include "common/win/Handles.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/Programs.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Tone.h"
#include "tests/support/UiDriver.h"
#include "tests/support/UpdateListSigning.h"
#include "tests/wma/WmaProbe.h"

namespace velto::test {
namespace {

constexpr DWORD kTimeoutMs = 60000;

std::wstring Env(const wchar_t* name)
{
    wchar_t value[2048] = {};
    const DWORD n = ::GetEnvironmentVariableW(name, value, 2048);
    return n > 0 && n < 2048 ? std::wstring(value) : std::wstring();
}

// Where package_test.sh unzipped the packages (each with its top folder "VeltoRecorder").
struct Packages {
    std::wstring root = Env(L"VELTO_PACKAGE_ROOT");
    std::wstring version = Env(L"VELTO_PACKAGE_VERSION");
    bool present() const { return !root.empty() && !version.empty(); }
    std::wstring X64() const { return root + L"\\녹음기 테스트\\VeltoRecorder\\"; }
    std::wstring X86() const { return root + L"\\x86\\VeltoRecorder\\"; }
    // The package whose programs are of this test's own architecture.
    std::wstring Own() const { return sizeof(void*) == 8 ? X64() : X86(); }
};

#define REQUIRE_PACKAGES(p) \
    if (!(p).present()) GTEST_SKIP() << "run through package_test.sh, which unzips the packages"

bool IsBinary(const std::wstring& name)
{
    if (name.size() < 4) return false;
    const std::wstring ext = name.substr(name.size() - 4);
    return _wcsicmp(ext.c_str(), L".exe") == 0 || _wcsicmp(ext.c_str(), L".dll") == 0;
}

// Every .exe and .dll under `folder` (with its trailing backslash), at any depth.
void CollectBinaries(const std::wstring& folder, std::vector<std::wstring>& out)
{
    WIN32_FIND_DATAW data;
    UniqueFind find(::FindFirstFileW((folder + L"*").c_str(), &data));
    if (!find) return;
    do {
        const std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CollectBinaries(folder + name + L"\\", out);
        else if (IsBinary(name))
            out.push_back(folder + name);
    } while (::FindNextFileW(find.get(), &data));
}

// What the version resource of a file says, as Explorer's details page reads it.
struct VersionInfo {
    bool present = false;
    DWORD fileMS = 0, fileLS = 0, productMS = 0, productLS = 0;
    std::wstring fileVersion, productVersion;
};

VersionInfo ReadVersion(const std::wstring& path)
{
    VersionInfo info;
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) return info;
    std::vector<BYTE> block(size);
    if (!::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) return info;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) ||
        length < sizeof(VS_FIXEDFILEINFO) || fixed->dwSignature != VS_FFI_SIGNATURE)
        return info;
    info.present = true;
    info.fileMS = fixed->dwFileVersionMS;
    info.fileLS = fixed->dwFileVersionLS;
    info.productMS = fixed->dwProductVersionMS;
    info.productLS = fixed->dwProductVersionLS;

    struct Translation {
        WORD language, codePage;
    }* translations = nullptr;
    if (!::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                          reinterpret_cast<void**>(&translations), &length) ||
        length < sizeof(Translation))
        return info;
    const std::wstring prefix = FormatW(L"\\StringFileInfo\\%04x%04x\\", translations[0].language,
                                        translations[0].codePage);
    auto text = [&](const wchar_t* key) {
        wchar_t* value = nullptr;
        UINT chars = 0;
        const std::wstring query = prefix + key;
        if (!::VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value),
                              &chars) ||
            !value)
            return std::wstring();
        return std::wstring(value);
    };
    info.fileVersion = text(L"FileVersion");
    info.productVersion = text(L"ProductVersion");
    return info;
}

// "1.02" as the fixed part of a version resource holds it: 1.2.0.0.
void VersionNumbers(const std::wstring& version, DWORD* ms, DWORD* ls)
{
    const size_t dot = version.find(L'.');
    const DWORD major = static_cast<DWORD>(std::wcstoul(version.c_str(), nullptr, 10));
    const DWORD minor =
        dot == std::wstring::npos
            ? 0
            : static_cast<DWORD>(std::wcstoul(version.c_str() + dot + 1, nullptr, 10));
    *ms = MAKELONG(minor, major);
    *ls = 0;
}

// The application manifest (RT_MANIFEST 1) of a program of either architecture, read as data.
std::string ReadManifest(const std::wstring& path)
{
    UniqueModule image(::LoadLibraryExW(path.c_str(), nullptr,
                                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!image) return {};
    HRSRC found = ::FindResourceW(image.get(), MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
    if (!found) return {};
    HGLOBAL loaded = ::LoadResource(image.get(), found);
    const DWORD size = ::SizeofResource(image.get(), found);
    const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
    return bytes ? std::string(static_cast<const char*>(bytes), size) : std::string();
}

TEST(PackageFiles, EveryProgramAndLibrarySaysTheVersion)
{
    Packages packages;
    REQUIRE_PACKAGES(packages);
    DWORD wantMS = 0, wantLS = 0;
    VersionNumbers(packages.version, &wantMS, &wantLS);
    for (const std::wstring& folder : {packages.X64(), packages.X86()}) {
        std::vector<std::wstring> binaries;
        CollectBinaries(folder, binaries);
        // Four programs and libraries of the recorder, three outside libraries, four plug-ins.
        EXPECT_EQ(11u, binaries.size()) << folder;
        for (const std::wstring& path : binaries) {
            SCOPED_TRACE(WideToUtf8(path));
            const VersionInfo info = ReadVersion(path);
            ASSERT_TRUE(info.present) << "no version resource";
            EXPECT_EQ(wantMS, info.fileMS);
            EXPECT_EQ(wantLS, info.fileLS);
            EXPECT_EQ(wantMS, info.productMS);
            EXPECT_EQ(wantLS, info.productLS);
            EXPECT_EQ(packages.version, info.fileVersion);
            EXPECT_EQ(packages.version, info.productVersion);
        }
    }
}

TEST(PackageFiles, BothProgramsCarryTheirManifests)
{
    Packages packages;
    REQUIRE_PACKAGES(packages);
    for (const std::wstring& folder : {packages.X64(), packages.X86()}) {
        SCOPED_TRACE(WideToUtf8(folder));
        const std::string recorder = ReadManifest(folder + L"VeltoRecorder.exe");
        ASSERT_FALSE(recorder.empty()) << "VeltoRecorder.exe has no manifest";
        EXPECT_NE(std::string::npos, recorder.find("name=\"Microsoft.Windows.Common-Controls\" "
                                                   "version=\"6.0.0.0\""))
            << recorder;
        EXPECT_NE(std::string::npos, recorder.find("level=\"asInvoker\"")) << recorder;
        EXPECT_NE(std::string::npos, recorder.find("<supportedOS")) << recorder;

        const std::string updater = ReadManifest(folder + L"Updater.exe");
        ASSERT_FALSE(updater.empty()) << "Updater.exe has no manifest";
        EXPECT_NE(std::string::npos, updater.find("level=\"asInvoker\"")) << updater;
    }
}

// The unzipped program of this test's architecture, started for real from its own folder. Its settings are wiped
// before and after, as a fresh installation has none.
class PackageStart : public testing::Test {
protected:
    void SetUp() override
    {
        REQUIRE_PACKAGES(packages_);
        DeleteRecorderSettings();
    }
    void TearDown() override
    {
        if (packages_.present()) DeleteRecorderSettings();
    }
    std::wstring Program() const { return packages_.Own() + L"VeltoRecorder.exe"; }

    // The recorder's window of the unzipped program, whoever started it; null on time-out.
    HWND WaitForRecorderWindow() const
    {
        HWND window = nullptr;
        WaitUntil(
            [&] {
                HWND candidate = FindProcessWindow(L"VeltoRecorder", 0);
                if (candidate && _wcsicmp(WindowProgram(candidate).c_str(), Program().c_str()) == 0)
                    window = candidate;
                return window != nullptr;
            },
            kTimeoutMs);
        return window;
    }

    // Closes the window as the system does (WM_CLOSE) and expects the process to end without
    // having shown any box.
    void CloseAndExpectAQuietEnd(HWND window)
    {
        DWORD pid = 0;
        ::GetWindowThreadProcessId(window, &pid);
        Process recorder;
        recorder.handle.reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
        recorder.pid = pid;
        ASSERT_TRUE(recorder);
        DialogWatcher boxes(pid);
        // Its start-up work (plug-ins, notice) has been posted to itself; let it run first.
        ::Sleep(1000);
        ::PostMessageW(window, WM_CLOSE, 0, 0);
        EXPECT_TRUE(WaitForExit(recorder, kTimeoutMs)) << "the program did not end";
        KillIfRunning(recorder);
        for (const SeenDialog& box : boxes.Seen())
            ADD_FAILURE() << "the program said: " << WideToUtf8(box.caption) << ": "
                          << WideToUtf8(box.text);
    }

    Packages packages_;
};

TEST_F(PackageStart, TheHandOverCommandLineOpensTheWindow)
{
    Process p = StartProgram(Program(), L"/run");
    ASSERT_TRUE(p) << "CreateProcess failed with " << ::GetLastError();
    HWND window = WaitForProcessWindow(L"VeltoRecorder", p.pid, kTimeoutMs);
    if (!window) KillIfRunning(p);
    ASSERT_NE(nullptr, window) << "no window";
    CloseAndExpectAQuietEnd(window);
}

// Without a command line the program hands over to the Updater, whose update library starts
// it again. The update list is a local one that names the installed version, so nothing is
// fetched and the test never reaches the network; it is signed, so the library reads it.
TEST_F(PackageStart, APlainStartComesUpThroughTheUpdater)
{
    REQUIRE_RENOVO_TRUSTS_TEST_KEY();
    TempFolder publication{UniqueTempName(L"velto-package-list")};
    ASSERT_TRUE(
        WriteFileBytes(publication.File(L"veltorecorder.txt"),
                       SignedWithTestKey("version " + WideToUtf8(packages_.version) + "\n")));
    const std::wstring override = packages_.Own() + L"Renovo.ini";
    ASSERT_TRUE(WriteFileBytes(
        override,
        WideToUtf8(L"[Renovo]\r\nList=" + publication.File(L"veltorecorder.txt") + L"\r\n")));

    Process launcher = StartProgram(Program(), L"");
    ASSERT_TRUE(launcher) << "CreateProcess failed with " << ::GetLastError();
    DialogWatcher launcherBoxes(launcher.pid);
    EXPECT_TRUE(WaitForExit(launcher, kTimeoutMs)) << "the plain start did not hand over";
    KillIfRunning(launcher);
    EXPECT_TRUE(launcherBoxes.Seen().empty());

    HWND window = WaitForRecorderWindow();
    EXPECT_NE(nullptr, window) << "the recorder did not come up";
    if (window) CloseAndExpectAQuietEnd(window);

    // The Updater deletes its copy of the library on its way out; the folder is then as
    // unzipped (package_test.sh lists it again).
    EXPECT_TRUE(WaitUntil(
        [&] {
            return ::GetFileAttributesW((packages_.Own() + L"RenovoCopy.dll").c_str()) ==
                   INVALID_FILE_ATTRIBUTES;
        },
        kTimeoutMs))
        << "RenovoCopy.dll stayed: the Updater did not end";
    EXPECT_TRUE(::DeleteFileW(override.c_str()));
}

// Each file type recorded through the unzipped program's window from a tone on the card, then
// played back with its play button: the recording lasts the auto-stop time and the card
// plays the tone again, through the package's own encoders and plug-ins.
TEST_F(PackageStart, EachFileTypeRecordsAndPlaysBack)
{
    constexpr int kSeconds = 3;
    const struct {
        int type;
        const wchar_t* extension;
    } types[] = {{0, L"wav"}, {1, L"mp3"}, {2, L"wma"}};
    for (const auto& t : types) {
        SCOPED_TRACE(WideToUtf8(t.extension));
        TempFolder folder(UniqueTempName(L"velto-package-rec"));
        DeleteRecorderSettings();
        SetRecorderString(L"SavePath", folder.path());
        SetRecorderDword(L"RecordType", t.type);
        SetRecorderDword(L"AutoStop", 1);
        SetRecorderDword(L"RecStopTime", kSeconds);
        const std::wstring file = folder.File(std::wstring(L"Noname.") + t.extension);

        RecorderProcess p;
        ASSERT_TRUE(p.Start(L"/run", kTimeoutMs, Program()));
        DialogWatcher boxes(p.pid());
        {
            TonePlayer tone(1000.0, 8000.0, 30.0);
            ASSERT_TRUE(tone.ok());
            mouse::LeftClick(p.ToScreen(face::kRecordButton));
            ASSERT_TRUE(WaitUntil(
                [&] {
                    return StatusText(p.window()).rfind(L"Recording Complete " + file, 0) == 0;
                },
                kTimeoutMs))
                << WideToUtf8(StatusText(p.window()));
        }
        const ProbedAudio probed = ProbeAudio(file);
        ASSERT_TRUE(probed.ok);
        EXPECT_NEAR(probed.duration, kSeconds, 0.5);

        ::Sleep(500);  // the tone has stopped: the card now plays only the recording
        // The capture starts with the first sound on the card (an idle sink delivers none),
        // so the play starts first.
        mouse::LeftClick(p.ToScreen(face::kPlayButton));
        SinkCapture heard(folder.File(L"heard.raw"), 2);
        ASSERT_TRUE(heard.started());
        const std::vector<int16_t> samples = heard.Wait(15000);
        ASSERT_GT(samples.size(), 44100u) << "status: " << WideToUtf8(StatusText(p.window()));
        const std::vector<int16_t> later(samples.begin() + samples.size() / 2, samples.end());
        EXPECT_GT(MeanAbs(later), 500.0) << "the recording is not heard";
        for (const SeenDialog& box : boxes.Seen())
            ADD_FAILURE() << "the program said: " << WideToUtf8(box.caption) << ": "
                          << WideToUtf8(box.text);
        p.Terminate();
    }
}

}  // namespace
}  // namespace velto::test

// Renovo.dll end to end: loaded from a private program folder as the Updater loads it, reading
// its list from a local HTTP server (started by renovo_test.sh, which passes the ports in the
// environment) or from local paths. The recorder it starts is a probe that records its start.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "common/SingleInstance.h"
#include "common/Text.h"
#include "outside/renovo/Transfer.h"
#include "recorder/app/Settings.h"
#include "recorder/update/LaunchUpdater.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/FakeDebugViewer.h"
#include "tests/support/Programs.h"
#include "tests/support/UpdateListSigning.h"

namespace velto::test {
namespace {

// Every list here is signed with the test key; a build that trusts another key refuses them.
class TestKeyTrusted : public testing::Environment {
    void SetUp() override { REQUIRE_RENOVO_TRUSTS_TEST_KEY(); }
};
testing::Environment* const kTestKeyTrusted = testing::AddGlobalTestEnvironment(new TestKeyTrusted);

using RunUpdaterProc = int(__stdcall*)(const char*);
using RunExecuteProc = int(__stdcall*)(int, const char*);

constexpr DWORD kStartTimeoutMs = 30000;

std::wstring Env(const wchar_t* name)
{
    wchar_t value[1024] = {};
    const DWORD n = ::GetEnvironmentVariableW(name, value, 1024);
    return n > 0 && n < 1024 ? std::wstring(value) : std::wstring();
}

std::string Sha256Hex(const std::string& bytes)
{
    renovo::Sha256 hash{};
    EXPECT_TRUE(renovo::HashBytes(bytes.data(), bytes.size(), hash));
    std::string hex;
    for (uint8_t b : hash) hex += Format("%02x", b);
    return hex;
}

// The local web server's folder and address, when renovo_test.sh runs one.
struct WebServer {
    std::wstring root = Env(L"VELTO_HTTP_ROOT");
    std::wstring port = Env(L"VELTO_HTTP_PORT");
    bool present() const { return !root.empty() && !port.empty(); }
    std::wstring Address(const std::wstring& name) const
    {
        return L"http://127.0.0.1:" + port + L"/" + name;
    }
    std::wstring Path(const std::wstring& name) const { return root + L"\\" + name; }
};

#define REQUIRE_SERVER(server) \
    if (!(server).present()) GTEST_SKIP() << "run through renovo_test.sh, which starts the server"

// A program folder with Renovo.dll loaded from it and a probe in the recorder's place.
class ProgramFolderWithRenovo {
public:
    ProgramFolderWithRenovo()
    {
        EXPECT_TRUE(CopyProgram(L"Renovo.dll", folder_.File(L"Renovo.dll")));
        EXPECT_TRUE(CopyProgram(L"launch_probe.exe", folder_.File(L"VeltoRecorder.exe")));
        module_.reset(::LoadLibraryExW(folder_.File(L"Renovo.dll").c_str(), nullptr,
                                       LOAD_WITH_ALTERED_SEARCH_PATH));
        EXPECT_TRUE(module_);
        update_ = reinterpret_cast<RunUpdaterProc>(::GetProcAddress(module_.get(), "RunUpdater"));
        execute_ = reinterpret_cast<RunExecuteProc>(::GetProcAddress(module_.get(), "RunExecute"));
        EXPECT_NE(nullptr, update_);
        EXPECT_NE(nullptr, execute_);
    }

    int RunUpdater(const std::wstring& listAddress)
    {
        const std::string args = WideToUtf8(listAddress) + "@@kestrel Auto Updater##VRVersion.dll";
        return update_ ? update_(args.c_str()) : -1;
    }
    // The installed way: Updater.exe beside the library, run as a plain start of the recorder
    // runs it, with a Renovo.ini naming the list. The trace lines it sent, once the recorder
    // is up.
    std::vector<std::string> RunUpdaterProgram(const std::wstring& listAddress)
    {
        FakeDebugViewer trace;
        EXPECT_TRUE(CopyProgram(L"Updater.exe", folder_.File(L"Updater.exe")));
        Put(L"Renovo.ini", WideToUtf8(L"[Renovo]\r\nList=" + listAddress + L"\r\n"));
        Process updater =
            StartProgram(folder_.File(L"Updater.exe"),
                         UpdaterParameters(kUpdateListAddress, kVersionLibrary, kUpdatePassLimit));
        EXPECT_TRUE(updater);
        EXPECT_TRUE(WaitForExitPumping(updater, kStartTimeoutMs)) << "the Updater did not end";
        KillIfRunning(updater);
        EXPECT_TRUE(WaitForProbeStarts(Probe(), 1, kStartTimeoutMs));
        return trace.Lines();
    }
    int RunExecute(int code)
    {
        return execute_ ? execute_(code, "x@@kestrel Auto Updater##VRVersion.dll") : -1;
    }

    void Put(const std::wstring& name, const std::string& bytes)
    {
        ASSERT_TRUE(WriteFileBytes(folder_.File(name), bytes));
    }
    std::string Get(const std::wstring& name) const { return ReadFileString(folder_.File(name)); }
    bool Has(const std::wstring& name) const
    {
        return ::GetFileAttributesW(folder_.File(name).c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    std::wstring Probe() const { return folder_.File(L"VeltoRecorder.exe"); }
    size_t RecorderStarts() const { return ReadProbeStarts(Probe()).size(); }
    // Files the replacement may leave behind, in the folder and in Plugins.
    bool HasLeftovers() const
    {
        for (const wchar_t* pattern : {L"*.renovo-*", L"Plugins\\*.renovo-*"}) {
            WIN32_FIND_DATAW data;
            UniqueFind find(::FindFirstFileW(folder_.File(pattern).c_str(), &data));
            if (find) return true;
        }
        return false;
    }
    const TempFolder& folder() const { return folder_; }

private:
    TempFolder folder_{UniqueTempName(L"velto-renovo")};
    UniqueModule module_;
    RunUpdaterProc update_ = nullptr;
    RunExecuteProc execute_ = nullptr;
};

std::string ListLine(const std::string& content, const std::wstring& address,
                     const std::wstring& path)
{
    return "file " + Sha256Hex(content) + " " + WideToUtf8(address) + " " + WideToUtf8(path) + "\n";
}

// A list as the publisher puts it on the server: signed with the (test) key.
bool PublishList(const std::wstring& path, const std::string& body)
{
    return WriteFileBytes(path, SignedWithTestKey(body));
}

void ExpectRecorderStartedOnce(const ProgramFolderWithRenovo& program)
{
    ASSERT_TRUE(WaitForProbeStarts(program.Probe(), 1, kStartTimeoutMs));
    const auto starts = ReadProbeStarts(program.Probe());
    ASSERT_EQ(1u, starts.size());
    EXPECT_EQ(L"/run", starts[0].arguments);
    std::wstring folder = program.folder().path();
    folder.pop_back();  // a working directory has no trailing backslash
    EXPECT_EQ(0, _wcsicmp(folder.c_str(), starts[0].directory.c_str())) << starts[0].directory;
}

TEST(Renovo, ANewerFileIsDownloadedVerifiedAndReplaced)
{
    WebServer server;
    REQUIRE_SERVER(server);
    ProgramFolderWithRenovo program;
    program.Put(L"notes.txt", "old notes");
    const std::string notes = "new notes, version 9";
    const std::string plugin(200000, '\x5A');
    ASSERT_TRUE(WriteFileBytes(server.Path(L"a-notes.txt"), notes));
    ASSERT_TRUE(WriteFileBytes(server.Path(L"a-plugin.dll"), plugin));
    const std::string list = "version 9.0\n" + ListLine(notes, L"a-notes.txt", L"notes.txt") +
                             ListLine(plugin, server.Address(L"a-plugin.dll"), L"Plugins/new.dll");
    ASSERT_TRUE(PublishList(server.Path(L"a-list.txt"), list));

    EXPECT_EQ(3, program.RunUpdater(server.Address(L"a-list.txt")));
    EXPECT_EQ(notes, program.Get(L"notes.txt"));
    EXPECT_EQ(plugin, program.Get(L"Plugins\\new.dll"));
    EXPECT_FALSE(program.HasLeftovers());
    EXPECT_EQ(0u, program.RecorderStarts());

    // The next pass finds everything current and brings the recorder up.
    EXPECT_EQ(0, program.RunUpdater(server.Address(L"a-list.txt")));
    ExpectRecorderStartedOnce(program);
}

TEST(Renovo, APublicationMadeByTheListScriptIsInstalled)
{
    WebServer server;
    REQUIRE_SERVER(server);
    ProgramFolderWithRenovo program;
    program.Put(L"notes.txt", "old notes");
    EXPECT_EQ(3, program.RunUpdater(server.Address(L"pub/veltorecorder.txt")));
    EXPECT_EQ("published notes\r\n", program.Get(L"notes.txt"));
    EXPECT_EQ(ReadFileString(server.Path(L"pub\\Plugins\\in_extra.dll")),
              program.Get(L"Plugins\\in_extra.dll"));
    EXPECT_EQ(70000u, program.Get(L"Plugins\\in_extra.dll").size());
    EXPECT_FALSE(program.HasLeftovers());
}

TEST(Renovo, AFileWhoseHashDoesNotMatchReplacesNothing)
{
    WebServer server;
    REQUIRE_SERVER(server);
    ProgramFolderWithRenovo program;
    program.Put(L"good.txt", "old good");
    program.Put(L"bad.txt", "old bad");
    ASSERT_TRUE(WriteFileBytes(server.Path(L"b-good.txt"), "new good"));
    ASSERT_TRUE(WriteFileBytes(server.Path(L"b-bad.txt"), "tampered on the way"));
    const std::string list = "version 9.0\n" + ListLine("new good", L"b-good.txt", L"good.txt") +
                             ListLine("what was published", L"b-bad.txt", L"bad.txt");
    ASSERT_TRUE(PublishList(server.Path(L"b-list.txt"), list));

    EXPECT_EQ(0, program.RunUpdater(server.Address(L"b-list.txt")));
    // One bad file keeps the whole set out: no mix of old and new files.
    EXPECT_EQ("old good", program.Get(L"good.txt"));
    EXPECT_EQ("old bad", program.Get(L"bad.txt"));
    EXPECT_FALSE(program.HasLeftovers());
    ExpectRecorderStartedOnce(program);
}

TEST(Renovo, AnInstallationThatIsNotOlderIsLeftAlone)
{
    WebServer server;
    REQUIRE_SERVER(server);
    ProgramFolderWithRenovo program;
    program.Put(L"notes.txt", "installed");
    ASSERT_TRUE(WriteFileBytes(server.Path(L"c-notes.txt"), "other"));
    // The probe standing in for the recorder carries the program's version resource, 1.02.
    const std::string list = "version 1.02\n" + ListLine("other", L"c-notes.txt", L"notes.txt");
    ASSERT_TRUE(PublishList(server.Path(L"c-list.txt"), list));
    EXPECT_EQ(0, program.RunUpdater(server.Address(L"c-list.txt")));
    EXPECT_EQ("installed", program.Get(L"notes.txt"));
    ExpectRecorderStartedOnce(program);
}

TEST(Renovo, WhatIsNotAListChangesNothing)
{
    WebServer server;
    REQUIRE_SERVER(server);
    for (const wchar_t* address : {L"d-missing.txt", L"d-page.html"}) {
        SCOPED_TRACE(testing::Message() << address);
        ProgramFolderWithRenovo program;
        ASSERT_TRUE(WriteFileBytes(server.Path(L"d-page.html"), "<html>file Renovo.dll</html>\n"));
        EXPECT_EQ(0, program.RunUpdater(server.Address(address)));
        ExpectRecorderStartedOnce(program);
    }
}

TEST(Renovo, WithoutAnAnsweringServerTheRecorderStartsWithinSeconds)
{
    WebServer server;
    REQUIRE_SERVER(server);
    const struct {
        const char* why;
        std::wstring address;
    } cases[] = {
        {"nothing listens on the port",
         L"http://127.0.0.1:" + Env(L"VELTO_CLOSED_PORT") + L"/list.txt"},
        {"the server accepts and never answers",
         L"http://127.0.0.1:" + Env(L"VELTO_SILENT_PORT") + L"/list.txt"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ProgramFolderWithRenovo program;
        const DWORD start = ::GetTickCount();
        EXPECT_EQ(0, program.RunUpdater(c.address));
        const DWORD spent = ::GetTickCount() - start;
        ExpectRecorderStartedOnce(program);
        // The list gets a bounded wait of a few seconds; the margin is for a loaded machine.
        EXPECT_LT(spent, 25000u);
    }
}

// Names an update must never reach, each a file of its own outside the program folder: beside
// the folder, at the root of its drive, in the root of the Linux side (Wine's Z:).
struct Outside {
    std::wstring name = L"velto-escaped-" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
    std::vector<std::wstring> Places(const ProgramFolderWithRenovo& program) const
    {
        std::wstring parent = program.folder().path();
        parent.pop_back();
        parent = parent.substr(0, parent.find_last_of(L'\\') + 1);
        return {parent + name, L"C:\\" + name, L"Z:\\tmp\\" + name};
    }
    bool AnyWritten(const ProgramFolderWithRenovo& program) const
    {
        for (const auto& place : Places(program))
            if (::GetFileAttributesW(place.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
        return false;
    }
};

// Lists that try to write outside the program folder: each also lists a good file, so a list
// that is taken in part would show. Nothing is written anywhere, the good file stays as it
// was, and the recorder comes up.
TEST(Renovo, ListsThatReachOutsideTheProgramFolderChangeNothing)
{
    WebServer server;
    REQUIRE_SERVER(server);
    const Outside outside;
    const std::string payload = "written by an update list";
    ASSERT_TRUE(WriteFileBytes(server.Path(L"h-payload.txt"), payload));
    ASSERT_TRUE(WriteFileBytes(server.Path(L"h-notes.txt"), "new notes"));
    const std::wstring paths[] = {
        L"..\\" + outside.name,        L"Plugins\\..\\..\\" + outside.name,
        L"../" + outside.name,         L"C:\\" + outside.name,
        L"C:" + outside.name,          L"\\" + outside.name,
        L"/tmp/" + outside.name,       L"Z:\\tmp\\" + outside.name,
        L"\\\\?\\C:\\" + outside.name, L"\\\\127.0.0.1\\c$\\" + outside.name,
    };
    int n = 0;
    for (const std::wstring& path : paths) {
        SCOPED_TRACE(testing::Message() << path);
        ProgramFolderWithRenovo program;
        program.Put(L"notes.txt", "old notes");
        const std::wstring list = L"h-list-" + std::to_wstring(++n) + L".txt";
        ASSERT_TRUE(
            PublishList(server.Path(list), "version 9.0\n" +
                                               ListLine("new notes", L"h-notes.txt", L"notes.txt") +
                                               ListLine(payload, L"h-payload.txt", path)));
        EXPECT_EQ(0, program.RunUpdater(server.Address(list)));
        ExpectRecorderStartedOnce(program);
        EXPECT_FALSE(outside.AnyWritten(program));
        EXPECT_EQ("old notes", program.Get(L"notes.txt"));
        EXPECT_FALSE(program.HasLeftovers());
    }
}

// Lists that cannot be had whole or name files that cannot be had: nothing is replaced and the
// recorder comes up within the list's time.
TEST(Renovo, OversizedListsAndUnreachableFilesChangeNothing)
{
    WebServer server;
    REQUIRE_SERVER(server);
    // Two mebibytes of a valid list: comments, then the entry.
    std::string huge = "version 9.0\n";
    while (huge.size() < (2u << 20)) huge += "# " + std::string(1000, 'x') + "\n";
    huge += ListLine("new notes", L"i-notes.txt", L"notes.txt");
    ASSERT_TRUE(PublishList(server.Path(L"i-huge.txt"), huge));
    ASSERT_TRUE(WriteFileBytes(server.Path(L"i-notes.txt"), "new notes"));
    const std::wstring closed = L"http://127.0.0.1:" + Env(L"VELTO_CLOSED_PORT");
    ASSERT_TRUE(PublishList(server.Path(L"i-unreachable.txt"),
                            "version 9.0\n" + ListLine("new notes", L"i-notes.txt", L"notes.txt") +
                                ListLine("other", closed + L"/other.txt", L"other.txt")));
    ASSERT_TRUE(PublishList(server.Path(L"i-missing.txt"),
                            "version 9.0\n" + ListLine("new notes", L"i-notes.txt", L"notes.txt") +
                                ListLine("other", L"i-not-there.txt", L"other.txt")));
    const struct {
        const char* why;
        std::wstring address;
    } cases[] = {
        {"a list of 2 MiB", server.Address(L"i-huge.txt")},
        {"a list that never ends",
         L"http://127.0.0.1:" + Env(L"VELTO_ENDLESS_PORT") + L"/list.txt"},
        {"a file on a server that is not there", server.Address(L"i-unreachable.txt")},
        {"a file the server does not have", server.Address(L"i-missing.txt")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        ProgramFolderWithRenovo program;
        program.Put(L"notes.txt", "old notes");
        const DWORD start = ::GetTickCount();
        EXPECT_EQ(0, program.RunUpdater(c.address));
        const DWORD spent = ::GetTickCount() - start;
        ExpectRecorderStartedOnce(program);
        EXPECT_EQ("old notes", program.Get(L"notes.txt"));
        EXPECT_FALSE(program.Has(L"other.txt"));
        EXPECT_FALSE(program.HasLeftovers());
        EXPECT_LT(spent, 25000u);  // the list's 8 s, and a margin for a loaded machine
    }
}

TEST(Renovo, LocalListsWork)
{
    ProgramFolderWithRenovo program;
    TempFolder publication{UniqueTempName(L"velto-renovo")};
    program.Put(L"notes.txt", "old");
    ASSERT_TRUE(WriteFileBytes(publication.File(L"notes-1.txt"), "from a local folder"));
    ASSERT_TRUE(
        PublishList(publication.File(L"list.txt"),
                    "version 9\n" + ListLine("from a local folder", L"notes-1.txt", L"notes.txt")));
    EXPECT_EQ(3, program.RunUpdater(publication.File(L"list.txt")));
    EXPECT_EQ("from a local folder", program.Get(L"notes.txt"));
    EXPECT_EQ(0, program.RunUpdater(publication.File(L"list.txt")));
    ExpectRecorderStartedOnce(program);
}

TEST(Renovo, AnOverrideFileNamesAnotherList)
{
    ProgramFolderWithRenovo program;
    TempFolder publication{UniqueTempName(L"velto-renovo")};
    ASSERT_TRUE(WriteFileBytes(publication.File(L"extra.txt"), "extra"));
    ASSERT_TRUE(PublishList(publication.File(L"list.txt"),
                            "version 9\n" + ListLine("extra", L"extra.txt", L"extra.txt")));
    program.Put(L"Renovo.ini",
                WideToUtf8(L"[Renovo]\r\nList=" + publication.File(L"list.txt") + L"\r\n"));
    EXPECT_EQ(3, program.RunUpdater(L"https://unreachable.invalid/list.txt"));
    EXPECT_EQ("extra", program.Get(L"extra.txt"));
}

TEST(Renovo, RunExecuteStartsTheRecorder)
{
    ProgramFolderWithRenovo program;
    EXPECT_EQ(0, program.RunExecute(1234));
    EXPECT_EQ(0, program.RunExecute(-2222));
    ExpectRecorderStartedOnce(program);
}

TEST(Renovo, TheRecorderStartsOnlyAfterItsLauncherHasEnded)
{
    ProgramFolderWithRenovo program;
    // This process plays the recorder that launched the Updater and is still ending.
    UniqueHandle guard(::CreateMutexW(nullptr, FALSE, kInstanceMutexName));
    ASSERT_TRUE(guard);
    ASSERT_NE(ERROR_ALREADY_EXISTS, ::GetLastError()) << "a recorder is running";
    std::thread execute([&program] { program.RunExecute(-2222); });
    ::Sleep(1500);
    EXPECT_EQ(0u, program.RecorderStarts());
    guard.reset();
    execute.join();
    ExpectRecorderStartedOnce(program);
}

// The real programs: a plain start of the recorder goes through the Updater and Renovo, which
// updates a file from the local server and brings the recorder's window up.
TEST(Renovo, APlainStartOfTheRecorderComesUpAfterTheUpdate)
{
    WebServer server;
    REQUIRE_SERVER(server);
    TempFolder program{UniqueTempName(L"velto-renovo")};
    for (const wchar_t* name : {L"VeltoRecorder.exe", L"Updater.exe", L"Renovo.dll"})
        ASSERT_TRUE(CopyProgram(name, program.File(name)));
    ASSERT_TRUE(WriteFileBytes(program.File(L"readme.txt"), "1.02"));
    ASSERT_TRUE(WriteFileBytes(server.Path(L"e-readme.txt"), "9.0"));
    ASSERT_TRUE(PublishList(server.Path(L"e-list.txt"),
                            "version 9.0\n" + ListLine("9.0", L"e-readme.txt", L"readme.txt")));
    ASSERT_TRUE(
        WriteFileBytes(program.File(L"Renovo.ini"),
                       WideToUtf8(L"[Renovo]\r\nList=" + server.Address(L"e-list.txt") + L"\r\n")));

    Process launcher = StartProgram(program.File(L"VeltoRecorder.exe"), L"");
    ASSERT_TRUE(launcher);
    EXPECT_TRUE(WaitForExit(launcher, kStartTimeoutMs)) << "the plain start did not hand over";
    KillIfRunning(launcher);

    const DWORD deadline = ::GetTickCount() + 60000;
    HWND window = nullptr;
    while (!window && ::GetTickCount() < deadline) {
        HWND candidate = FindProcessWindow(L"VeltoRecorder", 0);
        if (candidate && _wcsicmp(WindowProgram(candidate).c_str(),
                                  program.File(L"VeltoRecorder.exe").c_str()) == 0)
            window = candidate;
        else
            ::Sleep(100);
    }
    ASSERT_NE(nullptr, window) << "the recorder did not come up";
    EXPECT_EQ("9.0", ReadFileString(program.File(L"readme.txt")));

    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    Process recorder;
    recorder.handle.reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
    recorder.pid = pid;
    DialogWatcher answerEverything(pid);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForExit(recorder, kStartTimeoutMs));
    KillIfRunning(recorder);
    // Let the Updater finish deleting its copy before the folder goes.
    ::Sleep(500);
}

// The real programs over a list that reaches outside the folder: the recorder's window comes
// up and nothing was written.
TEST(Renovo, APlainStartOverAHostileListStillBringsTheRecorderUp)
{
    WebServer server;
    REQUIRE_SERVER(server);
    const std::wstring escaped =
        L"velto-escaped-real-" + std::to_wstring(::GetCurrentProcessId()) + L".txt";
    TempFolder program{UniqueTempName(L"velto-renovo")};
    for (const wchar_t* name : {L"VeltoRecorder.exe", L"Updater.exe", L"Renovo.dll"})
        ASSERT_TRUE(CopyProgram(name, program.File(name)));
    ASSERT_TRUE(WriteFileBytes(server.Path(L"j-payload.txt"), "escaped"));
    ASSERT_TRUE(
        PublishList(server.Path(L"j-list.txt"),
                    "version 9.0\n" + ListLine("escaped", L"j-payload.txt", L"..\\" + escaped)));
    ASSERT_TRUE(
        WriteFileBytes(program.File(L"Renovo.ini"),
                       WideToUtf8(L"[Renovo]\r\nList=" + server.Address(L"j-list.txt") + L"\r\n")));

    Process launcher = StartProgram(program.File(L"VeltoRecorder.exe"), L"");
    ASSERT_TRUE(launcher);
    EXPECT_TRUE(WaitForExit(launcher, kStartTimeoutMs));
    KillIfRunning(launcher);
    HWND window = nullptr;
    const DWORD deadline = ::GetTickCount() + 60000;
    while (!window && ::GetTickCount() < deadline) {
        HWND candidate = FindProcessWindow(L"VeltoRecorder", 0);
        if (candidate && _wcsicmp(WindowProgram(candidate).c_str(),
                                  program.File(L"VeltoRecorder.exe").c_str()) == 0)
            window = candidate;
        else
            ::Sleep(100);
    }
    ASSERT_NE(nullptr, window) << "the recorder did not come up";
    std::wstring parent = program.path();
    parent.pop_back();
    parent = parent.substr(0, parent.find_last_of(L'\\') + 1);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, ::GetFileAttributesW((parent + escaped).c_str()));

    DWORD pid = 0;
    ::GetWindowThreadProcessId(window, &pid);
    Process recorder;
    recorder.handle.reset(::OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid));
    recorder.pid = pid;
    DialogWatcher answerEverything(pid);
    ::PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(WaitForExit(recorder, kStartTimeoutMs));
    KillIfRunning(recorder);
    ::Sleep(500);  // the Updater deletes its copy of the library on its way out
}

// ---- signed lists, through the real Updater.exe and Renovo.dll ----

// Publications made by make-update-list.sh with the test key (renovo_test.sh makes them): the
// folder's files with the signed list beside them, read as local lists.
std::wstring PublishedList(const WebServer& server, const wchar_t* folder)
{
    return server.Path(std::wstring(folder) + L"\\veltorecorder.txt");
}

bool AnyLineHas(const std::vector<std::string>& lines, const std::string& text)
{
    for (const auto& line : lines)
        if (line.find(text) != std::string::npos) return true;
    return false;
}

std::string Joined(const std::vector<std::string>& lines)
{
    std::string all;
    for (const auto& line : lines) all += line;
    return all;
}

TEST(SignedLists, ThePublishersListIsInstalled)
{
    WebServer server;
    REQUIRE_SERVER(server);
    // "pub-short" is signed with an r or s shorter than 32 bytes, which the script pads.
    for (const wchar_t* folder : {L"pub", L"pub-short"}) {
        SCOPED_TRACE(testing::Message() << folder);
        ProgramFolderWithRenovo program;
        program.Put(L"notes.txt", "old notes");
        const auto trace = program.RunUpdaterProgram(PublishedList(server, folder));
        EXPECT_EQ(ReadFileString(server.Path(std::wstring(folder) + L"\\notes.txt")),
                  program.Get(L"notes.txt"));
        EXPECT_TRUE(AnyLineHas(trace, "file(s) replaced")) << Joined(trace);
        EXPECT_FALSE(program.HasLeftovers());
        ExpectRecorderStartedOnce(program);
    }
}

// A list changed in any way after the publisher signed it, or not signed by the publisher, or
// an older one: nothing is replaced, the recorder comes up, and the trace says why.
TEST(SignedLists, AnyOtherListChangesNothing)
{
    WebServer server;
    REQUIRE_SERVER(server);
    const std::string published = ReadFileString(PublishedList(server, L"pub"));
    ASSERT_NE(std::string::npos, published.find("\nversion 9.1\n")) << published;
    const size_t signatureAt = published.rfind('\n', published.size() - 2) + 1;
    const std::string body = published.substr(0, signatureAt);
    const std::string older = ReadFileString(PublishedList(server, L"pub-1.01"));
    const std::string olderSignature = older.substr(older.rfind('\n', older.size() - 2) + 1);
    ASSERT_EQ(0u, olderSignature.find("signature ")) << older;
    // One byte of the published list, changed.
    const auto changed = [&published](size_t at) {
        std::string text = published;
        text[at] = text[at] == '0' ? '1' : (text[at] == 'V' ? 'v' : '0');
        return text;
    };
    const std::wstring pub = L"pub\\";
    const std::string refused = "the update list was refused: ";
    const struct {
        const char* why;
        std::wstring list;  // in the server's folder
        std::string text;   // written there first, when not empty
        std::string trace;
    } cases[] = {
        {"unsigned", pub + L"unsigned.txt", body, refused + "the list is not signed"},
        {"signed with another key", pub + L"stranger.txt", SignedWithAnotherKey(body),
         refused + "the list is signed with another key"},
        {"a byte changed in the comment", pub + L"comment.txt", changed(2),
         refused + "the signature does not match"},
        {"a byte changed in the version", pub + L"version.txt",
         changed(published.find("version 9.1") + 10), refused + "the signature does not match"},
        {"a byte changed in a hash", pub + L"hash.txt", changed(published.find("\nfile ") + 6),
         refused + "the signature does not match"},
        {"a byte changed in the signature", pub + L"signature.txt", changed(signatureAt + 40),
         refused + "the signature does not match"},
        {"cut short before the signature", pub + L"cut.txt", body.substr(0, body.size() / 2),
         refused + "the list is not signed"},
        {"cut short in the signature", pub + L"cut-signature.txt",
         published.substr(0, published.size() - 10), refused + "the list's signature line"},
        {"the signature of another list", pub + L"other-signature.txt", body + olderSignature,
         refused + "the signature does not match"},
        {"the installed version, signed", L"pub-1.02\\veltorecorder.txt", "",
         "the installed version 1.2.0.0 is current (the list has 1.2.0.0)"},
        {"an older version, signed", L"pub-1.01\\veltorecorder.txt", "",
         "the installed version 1.2.0.0 is current (the list has 1.1.0.0)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        if (!c.text.empty()) {
            ASSERT_NE(published, c.text);
            ASSERT_TRUE(WriteFileBytes(server.Path(c.list), c.text));
        }
        ProgramFolderWithRenovo program;
        program.Put(L"notes.txt", "old notes");
        const auto trace = program.RunUpdaterProgram(server.Path(c.list));
        EXPECT_EQ("old notes", program.Get(L"notes.txt"));
        EXPECT_FALSE(program.Has(L"Plugins"));
        EXPECT_FALSE(program.HasLeftovers());
        EXPECT_TRUE(AnyLineHas(trace, c.trace)) << Joined(trace);
        ExpectRecorderStartedOnce(program);
    }
}

}  // namespace
}  // namespace velto::test

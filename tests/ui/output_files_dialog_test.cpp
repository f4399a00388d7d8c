// The save-as dialog driven like a user would, and the low-space stop with its notice.
#include <gtest/gtest.h>

#include "recorder/recording/Presets.h"
#include "recorder/recording/Recorder.h"
#include "recorder/ui/OutputFiles.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/TempFolder.h"
#include "tests/ui/FilesHost.h"

using namespace velto;
using namespace velto::test;

namespace {

struct Child {
    HWND hwnd;
    std::wstring cls;
    int id;
};

BOOL CALLBACK CollectChild(HWND hwnd, LPARAM lp)
{
    wchar_t cls[64] = {};
    ::GetClassNameW(hwnd, cls, 64);
    reinterpret_cast<std::vector<Child>*>(lp)->push_back({hwnd, cls, ::GetDlgCtrlID(hwnd)});
    return TRUE;
}

// The file name box of the save-as dialog: the edit inside the file name combo box (cmb13),
// or the plain file name edit (edt1) of older layouts.
HWND FileNameEdit(HWND dialog)
{
    std::vector<Child> children;
    ::EnumChildWindows(dialog, &CollectChild, reinterpret_cast<LPARAM>(&children));
    for (const Child& c : children) {
        if (::lstrcmpiW(c.cls.c_str(), L"Edit") != 0) continue;
        HWND parent = ::GetParent(c.hwnd);
        if (c.id == 0x480 || (parent != dialog && ::GetDlgCtrlID(parent) == 0x47c)) return c.hwnd;
    }
    return nullptr;
}

bool IsSaveDialog(const SeenDialog& d)
{
    return d.caption == COutputFiles::kSaveDialogTitle;
}

class SaveDialogTest : public testing::Test {
protected:
    void TearDown() override { RecordingState = RecorderState::Idle; }

    static std::vector<WPARAM> Notifications(FilesHost& host)
    {
        std::vector<WPARAM> out;
        for (const auto& n : host.Received()) out.push_back(n.what);
        return out;
    }

    TempFolder folder{L"녹음 저장 테스트"};
};

TEST_F(SaveDialogTest, CancellingPostsStopAndChangesNothing)
{
    for (int proposeNew : {0, 1}) {
        SCOPED_TRACE(testing::Message() << "proposeNew " << proposeNew);
        FilesHost host;
        ASSERT_TRUE(WriteFileOfSize(folder.path() + L"Noname.mp3", 10));
        host.pathBox = folder.path() + L"지난 녹음.mp3";
        COutputFiles files(host, folder.path(), L"Noname");
        files.SetCurrentFile(host.pathBox);
        std::wstring proposed;
        DialogWatcher watcher(0, [&](const SeenDialog& d) {
            if (!IsSaveDialog(d)) return DialogWatcher::DefaultAnswer(d);
            if (HWND edit = FileNameEdit(d.hwnd)) {
                wchar_t text[512] = {};
                ::GetWindowTextW(edit, text, 512);
                proposed = text;
            }
            return IDCANCEL;
        });

        EXPECT_EQ(files.ChooseSaveFile(proposeNew), 0);
        EXPECT_EQ(Notifications(host), std::vector<WPARAM>{NOTIFY_STOP});
        ASSERT_EQ(watcher.Seen().size(), 1u);
        EXPECT_EQ(watcher.Seen()[0].owner, host.NotifyWindow());
        // The dialog starts from the proposal or from the path box.
        EXPECT_NE(proposed.find(proposeNew ? L"Noname2.mp3" : L"지난 녹음.mp3"), std::wstring::npos)
            << "proposed: " << proposed;
        EXPECT_EQ(host.pathBox, folder.path() + L"지난 녹음.mp3");
        EXPECT_EQ(files.currentFile(), host.pathBox);
        EXPECT_EQ(files.saveFolder(), folder.path());
    }
}

TEST_F(SaveDialogTest, AChosenFileBecomesTheCurrentFileAndItsFolderTheSaveFolder)
{
    const std::wstring target = folder.path() + L"새 폴더\\";
    ASSERT_TRUE(MakeFolders(target));
    FilesHost host;
    // Starting on a folder without a drive shows -1; the choice must refresh the display.
    COutputFiles files(host, L"\\\\server\\share\\", L"Noname");
    ASSERT_EQ(files.freeMegabytesShown(), -1);

    bool typed = false;
    DialogWatcher watcher(0, [&](const SeenDialog& d) {
        if (!IsSaveDialog(d)) return DialogWatcher::DefaultAnswer(d);
        HWND edit = FileNameEdit(d.hwnd);
        if (!edit) return 0;
        // Typed without an extension: the dialog adds the record type's.
        ::SendMessageW(edit, WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>((target + L"오늘의 녹음").c_str()));
        typed = true;
        return IDOK;
    });

    EXPECT_EQ(files.ChooseSaveFile(0), 1);
    EXPECT_TRUE(typed);
    const std::wstring chosen = target + L"오늘의 녹음.mp3";
    EXPECT_EQ(files.currentFile(), chosen);
    EXPECT_EQ(host.pathBox, chosen);
    EXPECT_EQ(files.saveFolder(), target);
    EXPECT_GT(files.freeMegabytesShown(), 0);
    EXPECT_EQ(host.freeSpaceRedraws, 1);
    EXPECT_TRUE(Notifications(host).empty());
    for (const auto& d : watcher.Seen())
        EXPECT_TRUE(IsSaveDialog(d)) << d.caption << ": " << d.text;
}

// Free space as a nearly full or unreadable drive reports it.
ULONGLONG g_freeBytes = 0;
bool g_freeSpaceAnswers = true;
bool FakeFreeSpace(const std::wstring&, ULONGLONG* bytes)
{
    *bytes = g_freeBytes;
    return g_freeSpaceAnswers;
}

struct DiskCase {
    const char* name;
    int recording;
    long long freeMegabytes;  // -1: the drive does not answer
    bool stops;
};

const DiskCase kDiskCases[] = {
    {"recording with 49 MiB left stops", 1, 49, true},
    {"recording with nothing left stops", 1, 0, true},
    {"recording with 50 MiB left goes on", 1, 50, false},
    {"idle with 10 MiB left", 0, 10, false},
    {"recording on a drive that does not answer goes on", 1, -1, false},
    {"more than an int of MiB", 1, 0x100000000LL, false},
};

TEST_F(SaveDialogTest, CheckDiskSpaceStopsARecordingBelow50MiB)
{
    for (const DiskCase& c : kDiskCases) {
        SCOPED_TRACE(c.name);
        FilesHost host;
        COutputFiles files(host, folder.path());
        files.SetFreeSpaceQuery(&FakeFreeSpace);
        g_freeSpaceAnswers = c.freeMegabytes >= 0;
        g_freeBytes =
            g_freeSpaceAnswers ? (static_cast<ULONGLONG>(c.freeMegabytes) << 20) + 12345 : 0;
        RecordingState = c.recording ? RecorderState::Recording : RecorderState::Idle;
        DialogWatcher watcher;

        files.CheckDiskSpace();
        const int expectedShown = c.freeMegabytes < 0         ? -1
                                  : c.freeMegabytes > INT_MAX ? INT_MAX
                                                              : static_cast<int>(c.freeMegabytes);
        EXPECT_EQ(files.freeMegabytesShown(), expectedShown);
        EXPECT_EQ(host.freeSpaceRedraws, 1);
        files.CheckDiskSpace();
        EXPECT_EQ(host.freeSpaceRedraws, 1) << "redrawn only when the value changes";

        const auto& received = host.Received();
        const auto seen = watcher.Seen();
        if (!c.stops) {
            EXPECT_TRUE(received.empty());
            EXPECT_TRUE(seen.empty());
            continue;
        }
        // Both checks stopped; the first stop was handled while its notice was on screen.
        ASSERT_EQ(received.size(), 2u);
        EXPECT_EQ(received[0].what, NOTIFY_STOP);
        EXPECT_TRUE(received[0].dialogOpen);
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_EQ(seen[0].caption, L"VeltoRecorder");
        EXPECT_EQ(seen[0].text, COutputFiles::kLowSpaceText);
        EXPECT_EQ(seen[0].buttons, std::vector<std::wstring>{L"확인"});
        EXPECT_EQ(seen[0].owner, host.NotifyWindow());
    }
}

}  // namespace

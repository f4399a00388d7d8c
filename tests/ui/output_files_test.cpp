// Proposed file names, the free space of the save folder's drive and the status line texts.
#include <gtest/gtest.h>

#include <vector>

#include "recorder/recording/Presets.h"
#include "recorder/ui/OutputFiles.h"
#include "tests/support/TempFolder.h"
#include "tests/ui/FilesHost.h"

using namespace velto;
using namespace velto::test;

namespace {

class OutputFilesTest : public testing::Test {
protected:
    TempFolder folder{L"녹음 파일 테스트"};
    FilesHost host;
};

struct NameCase {
    const char* name;
    int type;
    const wchar_t* baseName;
    std::vector<const wchar_t*> existing;  // files in the save folder; a trailing \ makes a folder
    const wchar_t* expected;
};

const NameCase kNameCases[] = {
    {"an empty folder", kRecordMp3, L"Noname", {}, L"Noname.mp3"},
    {"the first name taken", kRecordMp3, L"Noname", {L"Noname.mp3"}, L"Noname2.mp3"},
    {"the first two taken", kRecordMp3, L"Noname", {L"Noname.mp3", L"Noname2.mp3"}, L"Noname3.mp3"},
    {"a gap is filled", kRecordMp3, L"Noname", {L"Noname.mp3", L"Noname3.mp3"}, L"Noname2.mp3"},
    {"a dotted base name is split before the extension",
     kRecordWav,
     L"my.take",
     {L"my.take.wav"},
     L"my.take2.wav"},
    {"files of another type do not count", kRecordWma, L"Noname", {L"Noname.mp3"}, L"Noname.wma"},
    {"a folder of that name is taken too",
     kRecordMp3,
     L"Noname",
     {L"Noname.mp3\\"},
     L"Noname2.mp3"},
    {"a Korean base name", kRecordMp3, L"녹음", {L"녹음.mp3"}, L"녹음2.mp3"},
};

TEST_F(OutputFilesTest, MakeUniqueNameProposesTheFirstFreeName)
{
    for (const NameCase& c : kNameCases) {
        SCOPED_TRACE(c.name);
        TempFolder save(L"녹음 폴더");
        for (const wchar_t* e : c.existing) {
            const std::wstring path = save.path() + e;
            if (path.back() == L'\\')
                ASSERT_TRUE(MakeFolders(path));
            else
                ASSERT_TRUE(WriteFileOfSize(path, 10));
        }
        host.recordType = c.type;
        COutputFiles files(host, save.path(), c.baseName);
        EXPECT_EQ(files.MakeUniqueName(), save.path() + c.expected);
    }
}

TEST_F(OutputFilesTest, PathsLongerThanMaxPathWork)
{
    std::wstring deep = folder.path();
    while (deep.size() < 400) deep += L"아주 긴 폴더 이름의 녹음 보관함\\";
    ASSERT_TRUE(WriteFileOfSize(deep + L"Noname.mp3", 10000));
    COutputFiles files(host, deep, L"Noname");
    EXPECT_EQ(files.MakeUniqueName(), deep + L"Noname2.mp3");

    files.SetCurrentFile(deep + L"Noname.mp3");
    EXPECT_EQ(files.ComposeStatusText(1),
              L"Recording Complete " + deep + L"Noname.mp3 (9)KByte 128Kbps - 44100Hz, Stereo");
}

TEST_F(OutputFilesTest, TheSaveFolderKeepsItsTrailingBackslash)
{
    COutputFiles files(host, folder.path().substr(0, folder.path().size() - 1), L"Noname");
    EXPECT_EQ(files.saveFolder(), folder.path());
    EXPECT_EQ(files.MakeUniqueName(), folder.path() + L"Noname.mp3");
}

TEST_F(OutputFilesTest, TheProposedNameGoesToThePathBoxAndBackToTheRecorder)
{
    COutputFiles files(host, folder.path(), L"Noname");
    files.ProposeNewFile();
    EXPECT_EQ(host.pathBox, folder.path() + L"Noname.mp3");
    EXPECT_EQ(files.currentFile(), host.pathBox);

    host.pathBox = folder.path() + L"다른 이름.mp3";
    EXPECT_EQ(files.GetOutputPath(), host.pathBox);
    EXPECT_EQ(files.currentFile(), host.pathBox);
}

struct StatusCase {
    const char* name;
    int complete;
    int type;
    int quality;
    long long fileSize;  // -1: no file; -2: a folder of that name
    const wchar_t* before;
    const wchar_t* after;  // the text is before + file + after; null before: the idle text
};

const StatusCase kStatusCases[] = {
    {"complete MP3 of 10000 bytes", 1, kRecordMp3, 3, 10000, L"Recording Complete ",
     L" (9)KByte 128Kbps - 44100Hz, Stereo"},
    {"ready WAV at row 11", 0, kRecordWav, 11, -1,
     L"WAV DirectRecording 705Kbps - 22050Hz, Stereo, ", L""},
    {"ready mono WAV", 0, kRecordWav, 3, -1, L"WAV DirectRecording 352Kbps - 22050Hz, Mono, ", L""},
    {"complete WMA shows kbit/s", 1, kRecordWma, 6, 2048, L"Recording Complete ",
     L" (2)KByte 96Kbps - 44100Hz, Stereo"},
    {"ready WMA shows kbit/s", 0, kRecordWma, 7, -1,
     L"WMA DirectRecording 128Kbps - 44100Hz, Stereo, ", L""},
    {"exactly one KiB", 1, kRecordMp3, 0, 1024, L"Recording Complete ",
     L" (1)KByte 32Kbps - 8000Hz, Stereo"},
    {"missing file", 1, kRecordMp3, 3, -1, nullptr, nullptr},
    {"file under 1024 bytes", 1, kRecordMp3, 3, 1023, nullptr, nullptr},
    {"empty file", 1, kRecordWav, 11, 0, nullptr, nullptr},
    {"a folder instead of the file", 1, kRecordMp3, 3, -2, nullptr, nullptr},
};

TEST_F(OutputFilesTest, ComposeStatusTextInBothForms)
{
    int n = 0;
    for (const StatusCase& c : kStatusCases) {
        SCOPED_TRACE(c.name);
        const std::wstring file =
            folder.path() + L"녹음 " + std::to_wstring(++n) + L"." + FileExtension(c.type);
        if (c.fileSize >= 0) {
            ASSERT_TRUE(WriteFileOfSize(file, static_cast<size_t>(c.fileSize)));
        }
        if (c.fileSize == -2) {
            ASSERT_TRUE(MakeFolders(file));
        }
        const std::wstring expected =
            c.before ? c.before + file + c.after : std::wstring(L"VeltoRecorder v1.02");
        EXPECT_EQ(ComposeStatusText(c.complete, c.type, c.quality, file), expected);

        host.recordType = c.type;
        host.quality = c.quality;
        COutputFiles files(host, folder.path());
        files.SetCurrentFile(file);
        EXPECT_EQ(files.ComposeStatusText(c.complete), expected);
    }
}

wchar_t MissingDrive()
{
    const DWORD drives = ::GetLogicalDrives();
    for (wchar_t d = L'Q'; d <= L'Y'; ++d)
        if (!(drives & (1u << (d - L'A')))) return d;
    return 0;
}

TEST_F(OutputFilesTest, GetFreeMegabytesNeedsADriveThatAnswers)
{
    COutputFiles files(host, folder.path());
    const int free = files.GetFreeMegabytes();
    EXPECT_GT(free, 0) << "the test folder's drive";
    EXPECT_EQ(files.freeMegabytesShown(), free);

    ULARGE_INTEGER available{};
    ASSERT_TRUE(
        ::GetDiskFreeSpaceExW(folder.path().substr(0, 3).c_str(), &available, nullptr, nullptr));
    // Others write to the same disk meanwhile: the two readings only roughly agree.
    EXPECT_NEAR(free, static_cast<double>(available.QuadPart >> 20), 2048);

    const wchar_t missing = MissingDrive();
    ASSERT_NE(missing, 0);
    const std::wstring noDrive[] = {std::wstring(1, missing) + L":\\녹음\\",
                                    L"\\\\server\\share\\",
                                    L"녹음\\",
                                    L"1:\\",
                                    L"",
                                    L"c"};
    for (const std::wstring& f : noDrive) {
        SCOPED_TRACE(testing::Message() << f);
        files.SetSaveFolder(f);
        EXPECT_EQ(files.GetFreeMegabytes(), -1);
    }
    files.SetSaveFolder(L"C:\\");
    EXPECT_GT(files.GetFreeMegabytes(), 0) << "upper-case drive letter";
}

}  // namespace

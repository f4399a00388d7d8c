// The update list format, the path rule that keeps updates inside the program folder, and the
// hash the updates are checked with.
#include <gtest/gtest.h>

#include "outside/renovo/Transfer.h"
#include "outside/renovo/UpdateList.h"

namespace renovo {
namespace {

const std::string kHashA(64, 'a');
const std::string kHashB = "0123456789abcdefABCDEF0123456789abcdef0123456789ABCDEF0123456789";

TEST(UpdateList, WellFormedListsParse)
{
    const std::string text =
        "\xEF\xBB\xBF# VeltoRecorder\r\n"
        "\r\n"
        "version 1.03\r\n"
        "file " +
        kHashA +
        " https://h/u/VeltoRecorder.exe VeltoRecorder.exe\r\n"
        "  file\t" +
        kHashB +
        "\tPlugins/out_wave.dll\tPlugins/out_wave.dll  \n"
        "file " +
        kHashA + " read%20me.txt read me.txt\n";
    UpdateList list;
    std::string error;
    ASSERT_TRUE(ParseUpdateList(text, list, error)) << error;
    EXPECT_EQ((std::array<uint32_t, 4>{1, 3, 0, 0}), list.version.parts);
    ASSERT_EQ(3u, list.files.size());
    EXPECT_EQ(L"VeltoRecorder.exe", list.files[0].path);
    EXPECT_EQ(L"https://h/u/VeltoRecorder.exe", list.files[0].address);
    EXPECT_EQ(0xAA, list.files[0].sha256[0]);
    EXPECT_EQ(L"Plugins\\out_wave.dll", list.files[1].path);
    EXPECT_EQ(0x01, list.files[1].sha256[0]);
    EXPECT_EQ(0xEF, list.files[1].sha256[7]);
    EXPECT_EQ(L"read me.txt", list.files[2].path);
}

TEST(UpdateList, MalformedListsAreRefused)
{
    const std::string file = "file " + kHashA + " x.bin ";
    const struct {
        const char* why;
        std::string text;
    } cases[] = {
        {"empty", ""},
        {"no version", file + "a.txt\n"},
        {"an error page", "<html><body>404 Not Found</body></html>\n"},
        {"two versions", "version 1.0\nversion 1.1\n"},
        {"version with words", "version 1.0 beta\n"},
        {"version not numeric", "version one\n"},
        {"short hash", "version 1.1\nfile abc x.bin a.txt\n"},
        {"hash not hex", "version 1.1\nfile " + std::string(64, 'g') + " x.bin a.txt\n"},
        {"no path", "version 1.1\nfile " + kHashA + " x.bin\n"},
        {"unknown keyword", "version 1.1\ndelete a.txt\n"},
        {"listed twice", "version 1.1\n" + file + "a.txt\n" + file + "A.TXT\n"},
        {"parent folder", "version 1.1\n" + file + "..\\Windows\\evil.dll\n"},
        {"absolute path", "version 1.1\n" + file + "C:\\Windows\\evil.dll\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        UpdateList list;
        std::string error;
        EXPECT_FALSE(ParseUpdateList(c.text, list, error));
        EXPECT_FALSE(error.empty());
    }
}

TEST(UpdateList, OnlyPathsInsideTheProgramFolderAreSafe)
{
    const struct {
        const wchar_t* path;
        bool safe;
    } cases[] = {
        {L"VeltoRecorder.exe", true},
        {L"Plugins\\out_wave.dll", true},
        {L"Plugins/in_mp3.dll", true},
        {L"Renovo.dll", true},
        {L"read me.txt", true},
        {L"", false},
        {L"..\\evil.dll", false},
        {L"Plugins\\..\\..\\evil.dll", false},
        {L".\\a.dll", false},
        {L"\\Windows\\evil.dll", false},
        {L"/etc/passwd", false},
        {L"\\\\server\\share\\x", false},
        {L"C:\\x.dll", false},
        {L"C:x.dll", false},
        {L"a.txt:stream", false},
        {L"Plugins\\\\a.dll", false},
        {L"Plugins\\", false},
        {L"CON", false},
        {L"nul.txt", false},
        {L"Plugins\\COM1.dll", false},
        {L"trailing.", false},
        {L"trailing ", false},
        {L"what?.txt", false},
        // The running library copy and the replacement's own names are never listed.
        {L"RenovoCopy.dll", false},
        {L"renovocopy.DLL", false},
        {L"VeltoRecorder.exe.renovo-new", false},
        {L"VeltoRecorder.exe.renovo-old", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "\"" << c.path << "\"");
        EXPECT_EQ(c.safe, IsSafeRelativePath(c.path));
    }
}

TEST(UpdateList, VersionsCompareByNumber)
{
    const struct {
        const char* older;
        const char* newer;
    } cases[] = {
        {"1.02", "1.03"}, {"1.2", "1.10"}, {"1.02", "2"}, {"1", "1.0.0.1"}, {"0", "0.0.1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.older << " < " << c.newer);
        Version a, b;
        ASSERT_TRUE(ParseVersion(c.older, a));
        ASSERT_TRUE(ParseVersion(c.newer, b));
        EXPECT_TRUE(a < b);
        EXPECT_FALSE(b < a);
    }
    Version a, b;
    ASSERT_TRUE(ParseVersion("1.02", a));
    ASSERT_TRUE(ParseVersion("1.2.0.0", b));
    EXPECT_EQ(a, b);
    for (const char* bad : {"", ".", "1.", ".1", "1..2", "1.2.3.4.5", "1.x", "99999999999"}) {
        SCOPED_TRACE(bad);
        EXPECT_FALSE(ParseVersion(bad, a));
    }
}

TEST(UpdateList, FileAddressesResolveAgainstTheList)
{
    const struct {
        const wchar_t* list;
        const wchar_t* file;
        const wchar_t* resolved;
    } cases[] = {
        {L"https://h/update/list.txt", L"VeltoRecorder.exe", L"https://h/update/VeltoRecorder.exe"},
        {L"https://h/update/list.txt", L"1.03\\Plugins\\a.dll",
         L"https://h/update/1.03/Plugins/a.dll"},
        {L"https://h/update/list.txt", L"http://other/x.exe", L"http://other/x.exe"},
        {L"https://h/update/list.txt", L"C:\\drop\\x.exe", L"C:\\drop\\x.exe"},
        {L"C:\\publish\\list.txt", L"files\\x.exe", L"C:\\publish\\files\\x.exe"},
        {L"C:\\publish\\list.txt", L"HTTPS://h/x.exe", L"HTTPS://h/x.exe"},
        {L"\\\\server\\share\\list.txt", L"x.exe", L"\\\\server\\share\\x.exe"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.list << " + " << c.file);
        EXPECT_EQ(c.resolved, ResolveAddress(c.list, c.file));
    }
}

TEST(Sha256, MatchesTheStandardVectors)
{
    const struct {
        std::string input;
        const char* hex;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hex);
        Sha256 expected{}, actual{};
        ASSERT_TRUE(ParseSha256(c.hex, expected));
        ASSERT_TRUE(HashBytes(c.input.data(), c.input.size(), actual));
        EXPECT_EQ(expected, actual);
    }
}

}  // namespace
}  // namespace renovo

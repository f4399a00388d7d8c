// The update list format, its signature, the path rule that keeps updates inside the program
// folder, and the hash the updates are checked with.
#include <gtest/gtest.h>

#include "common/Text.h"
#include "outside/renovo/ListSignature.h"
#include "outside/renovo/Transfer.h"
#include "outside/renovo/UpdateList.h"
#include "tests/support/UpdateListSigning.h"

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

TEST(ListSignature, OnlyAWellFormedLastLineIsASignatureLine)
{
    const std::string body = "version 1.03\nfile " + kHashA + " a.txt a.txt\n";
    const std::string id = "0123456789abcdef";
    const std::string rs = std::string(64, '1') + std::string(64, 'e');
    const std::string line = "signature " + id + " " + rs;
    const struct {
        const char* why;
        std::string text;
        SignatureLine expected;
        std::string body;
    } cases[] = {
        {"a signed list", body + line + "\n", SignatureLine::Present, body},
        {"digits in capitals", body + "signature 0123456789ABCDEF " + rs + "\n",
         SignatureLine::Present, body},
        {"nothing but the signature", line + "\n", SignatureLine::Present, ""},
        {"nothing", "", SignatureLine::Missing, ""},
        {"a blank line", "\n", SignatureLine::Missing, ""},
        {"no signature line", body, SignatureLine::Missing, ""},
        {"a line after the signature", body + line + "\n# later\n", SignatureLine::Missing, ""},
        {"a blank line after the signature", body + line + "\n\n", SignatureLine::Missing, ""},
        {"another word", body + "signatures " + id + " " + rs + "\n", SignatureLine::Missing, ""},
        {"no line end after it", body + line, SignatureLine::Malformed, ""},
        {"a Windows line end", body + line + "\r\n", SignatureLine::Malformed, ""},
        {"cut in the signature", body + line.substr(0, line.size() - 1) + "\n",
         SignatureLine::Malformed, ""},
        {"one digit too many", body + line + "0\n", SignatureLine::Malformed, ""},
        {"no key id", body + "signature " + rs + "\n", SignatureLine::Malformed, ""},
        {"two blanks", body + "signature  " + id + " " + rs + "\n", SignatureLine::Malformed, ""},
        {"a tab", body + "signature\t" + id + " " + rs + "\n", SignatureLine::Malformed, ""},
        {"a blank at the end", body + line + " \n", SignatureLine::Malformed, ""},
        {"not hex", body + "signature " + id + " " + std::string(127, '0') + "g\n",
         SignatureLine::Malformed, ""},
        {"the keyword alone", body + "signature\n", SignatureLine::Malformed, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        SignedList list;
        EXPECT_EQ(c.expected, SplitSignedList(c.text, list));
        EXPECT_EQ(c.body, list.body);
        if (c.expected == SignatureLine::Present) {
            EXPECT_EQ(0x01, list.keyId[0]);
            EXPECT_EQ(0xEF, list.keyId[7]);
            EXPECT_EQ(0x11, list.signature[0]);
            EXPECT_EQ(0xEE, list.signature[63]);
        }
    }
}

// The reason a list was refused, or "" when it was taken (then with exactly its body).
std::string Refusal(const std::string& text, const std::string& body)
{
    std::string taken;
    std::wstring reason;
    if (AuthenticateList(text, velto::test::TestPublicKey(), taken, reason)) {
        EXPECT_EQ(body, taken);
        return "";
    }
    EXPECT_TRUE(taken.empty());
    EXPECT_FALSE(reason.empty());
    return velto::WideToUtf8(reason);
}

TEST(ListSignature, OnlyTheListAsSignedWithTheTrustedKeyIsTaken)
{
    const std::string body = "# VeltoRecorder 1.03\nversion 1.03\nfile " + kHashA +
                             " VeltoRecorder.exe VeltoRecorder.exe\n";
    const std::string other = "version 1.03\nfile " + kHashB + " evil.dll Renovo.dll\n";
    const std::string signedList = velto::test::SignedWithTestKey(body);
    const std::string otherSignature = velto::test::SignedWithTestKey(other).substr(other.size());
    EXPECT_EQ("", Refusal(signedList, body));

    const struct {
        const char* why;
        std::string text;
        const char* reason;
    } cases[] = {
        {"unsigned", body, "not signed"},
        {"another key", velto::test::SignedWithAnotherKey(body), "another key"},
        {"another key naming ours", velto::test::SignedWithAnotherKey(body, true),
         "does not match"},
        {"the signature of another list", body + otherSignature, "does not match"},
        {"another list with this one's signature", other + signedList.substr(body.size()),
         "does not match"},
        {"a line added after the signature", signedList + "file " + kHashB + " x.dll x.dll\n",
         "not signed"},
        {"the signature cut short", signedList.substr(0, signedList.size() - 2) + "\n",
         "malformed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        EXPECT_NE(std::string::npos, Refusal(c.text, body).find(c.reason)) << Refusal(c.text, body);
    }
}

// Every byte counts: the list with any one byte changed, and the list cut short anywhere.
TEST(ListSignature, AnyChangedByteOrCutIsRefused)
{
    const std::string body = "# made today\r\nversion 1.03\nfile " + kHashA + " a.txt a.txt\n";
    const std::string signedList = velto::test::SignedWithTestKey(body);
    ASSERT_EQ("", Refusal(signedList, body));
    for (size_t i = 0; i < signedList.size(); ++i) {
        for (const char flip : {'\x01', '\x80'}) {
            std::string altered = signedList;
            altered[i] = static_cast<char>(altered[i] ^ flip);
            EXPECT_NE("", Refusal(altered, body)) << "byte " << i << " changed";
        }
        EXPECT_NE("", Refusal(signedList.substr(0, i), body)) << "cut after " << i << " bytes";
    }
}

}  // namespace
}  // namespace renovo

// Corrupt settings: every value under the recorder's key, stored with random contents and of
// the wrong kinds (including a placement of the wrong size and a negative auto-stop time).
// The settings component must hand out values the program can work with, and the real
// program, started with a command line, must come up with its window on the screen and close
// normally, writing sane values back.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "recorder/app/Settings.h"
#include "recorder/recording/Presets.h"
#include "recorder/recording/Recorder.h"
#include "tests/app/RegistryFixture.h"
#include "tests/support/DialogWatcher.h"
#include "tests/support/Programs.h"

namespace velto::test {
namespace {

constexpr DWORD kTimeoutMs = 30000;
constexpr unsigned kSeed = 20240611;  // fixed, so a failure can be replayed

const wchar_t* const kValueNames[] = {L"install",    L"SavePath",    L"NoName",   L"RecordType",
                                      L"SelQuality", L"RecStopTime", L"AutoStop", L"VeltoRecorder"};

// One stored value: any registry kind, any bytes.
struct Stored {
    DWORD type;
    std::vector<BYTE> bytes;
};

Stored Dword(int value)
{
    Stored s{REG_DWORD, std::vector<BYTE>(4)};
    memcpy(s.bytes.data(), &value, 4);
    return s;
}

Stored Text(DWORD type, const std::wstring& text, bool terminated = true)
{
    const size_t n = (text.size() + (terminated ? 1 : 0)) * sizeof(wchar_t);
    Stored s{type, std::vector<BYTE>(n)};
    memcpy(s.bytes.data(), text.c_str(), n);
    return s;
}

// Something a damaged or meddled-with registry could hold.
Stored RandomValue(std::mt19937& random)
{
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto bytes = [&](size_t n) {
        std::vector<BYTE> b(n);
        for (auto& x : b) x = static_cast<BYTE>(random());
        return b;
    };
    static const int kSpecial[] = {0, 1, 2, 3, -1, -300, 7, 15, 16, 300, 86400, INT_MIN, INT_MAX};
    switch (pick(12)) {
        case 0: return Dword(static_cast<int>(random()));
        case 1: return Dword(kSpecial[pick(static_cast<int>(std::size(kSpecial)))]);
        case 2: return Stored{REG_DWORD, bytes(static_cast<size_t>(pick(9)))};  // not 4 bytes
        case 3: {
            std::wstring text;
            for (int i = pick(300); i > 0; --i) text += static_cast<wchar_t>(1 + random() % 0xFFFE);
            return Text(REG_SZ, text, pick(2) == 0);
        }
        case 4: return Stored{REG_SZ, bytes(static_cast<size_t>(pick(41)))};  // odd sizes, no NUL
        case 5: return Text(REG_SZ, std::wstring(40000, L'x'));
        case 6: return Text(REG_SZ, L"");
        case 7: return Text(REG_EXPAND_SZ, L"%TEMP%\\");
        case 8: return Stored{REG_MULTI_SZ, {'a', 0, 0, 0, 0, 0}};
        case 9:
            return Stored{REG_BINARY, bytes(static_cast<size_t>(pick(3) == 0 ? 44 : pick(100)))};
        case 10: return Stored{REG_QWORD, bytes(8)};
        default: return Stored{REG_NONE, {}};
    }
}

void Put(const wchar_t* name, const Stored& value)
{
    PutRaw(name, value.type, value.bytes.data(), static_cast<DWORD>(value.bytes.size()));
}

// Nothing a file name or path cannot hold.
bool UsableName(const std::wstring& name)
{
    if (name.empty() || name.size() > 200) return false;
    for (wchar_t c : name)
        if (c < 0x20 || wcschr(L"<>:\"/\\|?*", c)) return false;
    return true;
}

bool UsableFolder(const std::wstring& folder)
{
    if (folder.empty() || folder.size() >= 32000) return false;
    for (wchar_t c : folder)
        if (c < 0x20 || wcschr(L"<>\"|?*", c)) return false;
    return true;
}

// What the settings component hands out must be usable as it stands.
void ExpectSane(const MainWindowSettings& s)
{
    EXPECT_EQ(s.recordType, NormaliseRecordType(s.recordType));
    EXPECT_TRUE(IsValidQuality(s.recordType, s.quality)) << s.recordType << "/" << s.quality;
    EXPECT_GT(g_autoStop.seconds.load(), 0);
    EXPECT_TRUE(g_autoStop.enabled.load() == 0 || g_autoStop.enabled.load() == 1);
    EXPECT_TRUE(UsableFolder(s.savePath)) << s.savePath.size();
    EXPECT_TRUE(UsableName(s.baseName)) << s.baseName.size();
    WINDOWPLACEMENT placement{};
    if (LoadWindowPlacement(placement)) {
        EXPECT_EQ(placement.length, sizeof placement);
        EXPECT_TRUE(placement.showCmd == SW_SHOWNORMAL || placement.showCmd == SW_SHOWMAXIMIZED)
            << placement.showCmd;
        const RECT& r = placement.rcNormalPosition;
        EXPECT_LT(r.left, r.right);
        EXPECT_LT(r.top, r.bottom);
        EXPECT_NE(nullptr, ::MonitorFromRect(&r, MONITOR_DEFAULTTONULL));
    }
}

// A placement as the close command stores it, with the fields a test wants to spoil.
Stored Placement(UINT showCmd, RECT normal, UINT flags = 0)
{
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    p.flags = flags;
    p.showCmd = showCmd;
    p.ptMinPosition = {-1, -1};
    p.ptMaxPosition = {-1, -1};
    p.rcNormalPosition = normal;
    Stored s{REG_BINARY, std::vector<BYTE>(sizeof p)};
    memcpy(s.bytes.data(), &p, sizeof p);
    return s;
}

// Hand-made damage, each the one wrong value in an otherwise good key.
struct Damage {
    const char* why;
    const wchar_t* name;
    Stored value;
};
std::vector<Damage> HandMadeDamage()
{
    return {
        {"placement of 43 bytes", L"VeltoRecorder", Stored{REG_BINARY, std::vector<BYTE>(43, 7)}},
        {"placement of 88 bytes", L"VeltoRecorder", Stored{REG_BINARY, std::vector<BYTE>(88, 7)}},
        {"placement stored as text", L"VeltoRecorder", Text(REG_SZ, L"100,50,403,209")},
        {"hidden placement", L"VeltoRecorder", Placement(SW_HIDE, {100, 50, 403, 209})},
        {"minimised placement", L"VeltoRecorder", Placement(SW_SHOWMINIMIZED, {100, 50, 403, 209})},
        {"placement off every screen", L"VeltoRecorder",
         Placement(SW_SHOWNORMAL, {30000, 30000, 30303, 30159})},
        {"placement with no size", L"VeltoRecorder", Placement(SW_SHOWNORMAL, {100, 50, 100, 50})},
        {"placement upside down", L"VeltoRecorder", Placement(SW_SHOWNORMAL, {403, 209, 100, 50})},
        {"placement of unknown show command", L"VeltoRecorder",
         Placement(0x12345, {100, 50, 403, 209})},
        {"negative auto-stop time", L"RecStopTime", Dword(-60)},
        {"smallest auto-stop time", L"RecStopTime", Dword(INT_MIN)},
        {"auto-stop flag of 7", L"AutoStop", Dword(7)},
        {"auto-stop flag of -1", L"AutoStop", Dword(-1)},
        {"auto-stop flag as text", L"AutoStop", Text(REG_SZ, L"1")},
        {"record type as text", L"RecordType", Text(REG_SZ, L"2")},
        {"record type of 2 bytes", L"RecordType", Stored{REG_DWORD, {2, 0}}},
        {"quality past every table", L"SelQuality", Dword(INT_MAX)},
        {"empty save folder", L"SavePath", Text(REG_SZ, L"")},
        {"save folder with wildcards", L"SavePath", Text(REG_SZ, L"c:\\*?\\")},
        {"save folder with control characters", L"SavePath", Text(REG_SZ, L"c:\\\x01\x02\\")},
        {"save folder of 40000 characters", L"SavePath", Text(REG_SZ, std::wstring(40000, L'x'))},
        {"save folder as a number", L"SavePath", Dword(3)},
        {"empty base name", L"NoName", Text(REG_SZ, L"")},
        {"base name leaving the folder", L"NoName", Text(REG_SZ, L"..\\..\\Windows\\evil")},
        {"base name with a colon", L"NoName", Text(REG_SZ, L"a:b")},
        {"base name without its NUL", L"NoName", Text(REG_SZ, L"Take", false)},
        {"base name of an odd byte count", L"NoName", Stored{REG_SZ, {'A', 0, 'B'}}},
    };
}

class CorruptSettingsTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettingsKey();
        g_autoStop.enabled = 1;
        g_autoStop.seconds = 300;
    }
    void TearDown() override
    {
        DeleteSettingsKey();
        g_autoStop.enabled = 1;
        g_autoStop.seconds = 300;
    }
    // A key as a normal run leaves it, which the damage then spoils.
    void PutGoodKey()
    {
        PutInt(L"install", 1);
        PutString(L"SavePath", L"c:\\");
        PutString(L"NoName", L"Noname");
        PutInt(L"RecordType", 1);
        PutInt(L"SelQuality", 6);
        PutInt(L"RecStopTime", 300);
        PutInt(L"AutoStop", 1);
    }
};

TEST_F(CorruptSettingsTest, HandMadeDamageGivesSaneSettings)
{
    for (const Damage& d : HandMadeDamage()) {
        SCOPED_TRACE(d.why);
        DeleteSettingsKey();
        PutGoodKey();
        Put(d.name, d.value);
        ExpectSane(LoadSettings());
    }
}

// What is repaired gets its default; what is merely unusual is kept.
TEST_F(CorruptSettingsTest, RepairsGiveDefaultsAndKeepWhatIsGood)
{
    const struct {
        const char* why;
        const wchar_t* name;
        Stored value;
        std::wstring savePath, baseName;
        int autoStop;
    } cases[] = {
        {"Korean folder", L"SavePath", Text(REG_SZ, L"d:\\녹음 파일\\"), L"d:\\녹음 파일\\",
         L"Noname", 1},
        {"network folder", L"SavePath", Text(REG_SZ, L"\\\\server\\share\\"),
         L"\\\\server\\share\\", L"Noname", 1},
        {"wildcard folder", L"SavePath", Text(REG_SZ, L"c:\\*\\"), L"c:\\", L"Noname", 1},
        {"name with dots and spaces", L"NoName", Text(REG_SZ, L"회의 1.2"), L"c:\\", L"회의 1.2",
         1},
        {"name leaving the folder", L"NoName", Text(REG_SZ, L"..\\x"), L"c:\\", L"Noname", 1},
        {"auto-stop 7", L"AutoStop", Dword(7), L"c:\\", L"Noname", 1},
        {"auto-stop 0", L"AutoStop", Dword(0), L"c:\\", L"Noname", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        DeleteSettingsKey();
        PutGoodKey();
        Put(c.name, c.value);
        const MainWindowSettings s = LoadSettings();
        EXPECT_EQ(c.savePath, s.savePath);
        EXPECT_EQ(c.baseName, s.baseName);
        EXPECT_EQ(c.autoStop, g_autoStop.enabled.load());
    }

    // A window closed while minimised comes back at its normal place, shown normally.
    Put(L"VeltoRecorder", Placement(SW_SHOWMINIMIZED, {120, 80, 423, 239}, WPF_SETMINPOSITION));
    WINDOWPLACEMENT placement{};
    ASSERT_TRUE(LoadWindowPlacement(placement));
    EXPECT_EQ(static_cast<UINT>(SW_SHOWNORMAL), placement.showCmd);
    EXPECT_EQ(120, placement.rcNormalPosition.left);
    EXPECT_EQ(239, placement.rcNormalPosition.bottom);
}

TEST_F(CorruptSettingsTest, RandomDamageGivesSaneSettings)
{
    std::printf("seed %u\n", kSeed);
    std::mt19937 random(kSeed);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        DeleteSettingsKey();
        for (const wchar_t* name : kValueNames)
            if (random() % 8 != 0) Put(name, RandomValue(random));
        ExpectSane(LoadSettings());
    }
}

// The program itself, started as the update library starts it, over damaged keys.
class CorruptSettingsStartTest : public CorruptSettingsTest {
protected:
    // Starts the recorder, checks that its window comes up on the screen, closes it and checks
    // what it wrote back.
    void StartShowAndClose()
    {
        Process p = StartProgram(BinFolder() + L"VeltoRecorder.exe", L"/run");
        ASSERT_TRUE(p) << "CreateProcess failed with " << ::GetLastError();
        DialogWatcher answerEverything(p.pid);
        HWND window = WaitForProcessWindow(L"VeltoRecorder", p.pid, kTimeoutMs);
        EXPECT_NE(nullptr, window) << "no window";
        if (window) {
            EXPECT_FALSE(::IsIconic(window));
            RECT r{};
            ::GetWindowRect(window, &r);
            EXPECT_LT(r.left, r.right);
            EXPECT_LT(r.top, r.bottom);
            EXPECT_NE(nullptr, ::MonitorFromRect(&r, MONITOR_DEFAULTTONULL))
                << r.left << "," << r.top << " " << r.right << "," << r.bottom;
            ::PostMessageW(window, WM_CLOSE, 0, 0);
        }
        EXPECT_TRUE(WaitForExit(p, kTimeoutMs));
        KillIfRunning(p);
        for (const SeenDialog& box : answerEverything.Seen())
            std::printf("  the program said: %ls\n", box.text.c_str());

        // The close wrote back what it worked with, which must be sane in turn.
        const auto type = GetInt(L"RecordType");
        const auto quality = GetInt(L"SelQuality");
        const auto seconds = GetInt(L"RecStopTime");
        ASSERT_TRUE(type && quality && seconds);
        EXPECT_TRUE(IsValidQuality(*type, *quality));
        EXPECT_GT(*seconds, 0);
    }
};

TEST_F(CorruptSettingsStartTest, TheProgramComesUpOverHandMadeDamage)
{
    for (const Damage& d : HandMadeDamage()) {
        SCOPED_TRACE(d.why);
        DeleteSettingsKey();
        PutGoodKey();
        Put(d.name, d.value);
        StartShowAndClose();
    }
}

TEST_F(CorruptSettingsStartTest, TheProgramComesUpOverRandomDamage)
{
    std::mt19937 random(kSeed + 1);
    for (int round = 0; round < 16; ++round) {
        SCOPED_TRACE(round);
        DeleteSettingsKey();
        // Most rounds keep the first-run mark, so the damage is read rather than wiped.
        PutInt(L"install", 1);
        for (const wchar_t* name : kValueNames)
            if (random() % 8 != 0 && (name != std::wstring(L"install") || random() % 4 == 0))
                Put(name, RandomValue(random));
        StartShowAndClose();
    }
}

}  // namespace
}  // namespace velto::test

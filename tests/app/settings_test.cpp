// The settings component against the real registry (Wine's, in the test prefix).
#include <gtest/gtest.h>

#include "recorder/app/Settings.h"
#include "recorder/recording/Recorder.h"
#include "tests/app/RegistryFixture.h"

namespace velto::test {
namespace {

class SettingsTest : public testing::Test {
protected:
    void SetUp() override
    {
        DeleteSettingsKey();
        g_autoStop.enabled = -7;  // anything a load must overwrite
        g_autoStop.seconds = -7;
    }
    void TearDown() override { DeleteSettingsKey(); }
};

TEST_F(SettingsTest, AbsentValuesGiveTheDefaults)
{
    const MainWindowSettings s = LoadSettings();
    EXPECT_EQ(L"c:\\", s.savePath);
    EXPECT_EQ(L"Noname", s.baseName);
    EXPECT_EQ(1, s.recordType);
    EXPECT_EQ(6, s.quality);
    EXPECT_EQ(300, g_autoStop.seconds.load());
    EXPECT_EQ(1, g_autoStop.enabled.load());
    WINDOWPLACEMENT placement{};
    EXPECT_FALSE(LoadWindowPlacement(placement));
}

TEST_F(SettingsTest, StoredValuesAreReadAndCorruptOnesRepaired)
{
    const struct {
        const char* why;
        int storedType, storedQuality;
        int type, quality;
    } cases[] = {
        {"WMA, last row", 2, 7, 2, 7},       {"WAV, last row", 0, 15, 0, 15},
        {"MP3, first row", 1, 0, 1, 0},      {"type past the end", 3, 0, 0, 11},
        {"negative type", -1, 5, 0, 11},     {"MP3 has no row 8", 1, 8, 0, 11},
        {"WAV has no row 16", 0, 16, 0, 11}, {"negative row", 2, -1, 0, 11},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        PutInt(L"RecordType", c.storedType);
        PutInt(L"SelQuality", c.storedQuality);
        const MainWindowSettings s = LoadSettings();
        EXPECT_EQ(c.type, s.recordType);
        EXPECT_EQ(c.quality, s.quality);
    }
}

TEST_F(SettingsTest, AutoStopTimeOfZeroOrLessBecomes300)
{
    const struct {
        int stored, seconds;
    } cases[] = {{0, 300}, {-5, 300}, {1, 1}, {45, 45}, {86399, 86399}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        PutInt(L"RecStopTime", c.stored);
        PutInt(L"AutoStop", 0);
        LoadSettings();
        EXPECT_EQ(c.seconds, g_autoStop.seconds.load());
        EXPECT_EQ(0, g_autoStop.enabled.load());
    }
}

TEST_F(SettingsTest, ValuesOfAnotherKindCountAsAbsent)
{
    PutString(L"RecordType", L"2");
    PutInt(L"SavePath", 7);
    const MainWindowSettings s = LoadSettings();
    EXPECT_EQ(1, s.recordType);
    EXPECT_EQ(L"c:\\", s.savePath);
}

TEST_F(SettingsTest, SavedValuesComeBackAsWritten)
{
    MainWindowSettings s;
    s.savePath = L"d:\\녹음 파일\\";
    s.baseName = L"회의";
    s.recordType = 2;
    s.quality = 5;
    g_autoStop.seconds = 3600;
    g_autoStop.enabled = 0;
    SaveSettings(s);

    EXPECT_EQ(L"d:\\녹음 파일\\", GetString(L"SavePath"));
    EXPECT_EQ(L"회의", GetString(L"NoName"));
    EXPECT_EQ(2, GetInt(L"RecordType"));
    EXPECT_EQ(5, GetInt(L"SelQuality"));
    EXPECT_EQ(3600, GetInt(L"RecStopTime"));
    EXPECT_EQ(0, GetInt(L"AutoStop"));
    // Destruction writes the six values, never the placement or "install".
    EXPECT_FALSE(GetRaw(L"VeltoRecorder"));
    EXPECT_FALSE(GetRaw(L"install"));

    g_autoStop.seconds = 1;
    const MainWindowSettings back = LoadSettings();
    EXPECT_EQ(s.savePath, back.savePath);
    EXPECT_EQ(s.baseName, back.baseName);
    EXPECT_EQ(3600, g_autoStop.seconds.load());
}

TEST_F(SettingsTest, TheAutoStopPageWritesOnlyItsTwoValues)
{
    g_autoStop.seconds = 90;
    g_autoStop.enabled = 1;
    SaveAutoStopSettings();
    EXPECT_EQ(90, GetInt(L"RecStopTime"));
    EXPECT_EQ(1, GetInt(L"AutoStop"));
    EXPECT_FALSE(GetRaw(L"SavePath"));
    EXPECT_FALSE(GetRaw(L"RecordType"));
}

TEST_F(SettingsTest, OnlyAWholePlacementRecordIsRestored)
{
    WINDOWPLACEMENT saved{};
    saved.length = sizeof saved;
    saved.showCmd = SW_SHOWNORMAL;
    saved.rcNormalPosition = {40, 60, 343, 212};
    SaveWindowPlacement(saved);
    auto raw = GetRaw(L"VeltoRecorder");
    ASSERT_TRUE(raw);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), raw->type);
    EXPECT_EQ(44u, raw->data.size());
    WINDOWPLACEMENT loaded{};
    ASSERT_TRUE(LoadWindowPlacement(loaded));
    EXPECT_EQ(0, memcmp(&saved, &loaded, sizeof saved));

    for (DWORD size : {0u, 40u, 43u, 45u, 88u}) {
        SCOPED_TRACE(size);
        std::vector<BYTE> bytes(size, 0x11);
        PutRaw(L"VeltoRecorder", REG_BINARY, bytes.data(), size);
        EXPECT_FALSE(LoadWindowPlacement(loaded));
    }
}

TEST_F(SettingsTest, TheFirstRunStartsFromTheDefaults)
{
    const struct {
        const char* why;
        int install;  // -1: absent
        bool wiped;
    } cases[] = {{"install absent", -1, true}, {"install 0", 0, true}, {"install 1", 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.why);
        DeleteSettingsKey();
        if (c.install >= 0) PutInt(L"install", c.install);
        PutString(L"SavePath", L"e:\\old\\");
        PutInt(L"RecordType", 2);
        PutInt(L"RecStopTime", 0);
        HKEY sub = nullptr;
        ::RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(kSettingsKey) + L"\\Leftover").c_str(),
                          0, nullptr, 0, KEY_WRITE, nullptr, &sub, nullptr);
        ::RegCloseKey(sub);

        ResetSettingsOnFirstRun();

        EXPECT_EQ(1, GetInt(L"install"));
        EXPECT_EQ(c.wiped, !GetRaw(L"SavePath").has_value());
        EXPECT_EQ(c.wiped, !GetRaw(L"RecordType").has_value());
        HKEY probe = nullptr;
        const bool subKeyLeft =
            ::RegOpenKeyExW(HKEY_CURRENT_USER, (std::wstring(kSettingsKey) + L"\\Leftover").c_str(),
                            0, KEY_READ, &probe) == ERROR_SUCCESS;
        if (probe) ::RegCloseKey(probe);
        EXPECT_EQ(c.wiped, !subKeyLeft);
        if (c.wiped) {
            // What the main window then reads: c:\, Noname, MP3 row 6, auto-stop on at 300 s.
            const MainWindowSettings s = LoadSettings();
            EXPECT_EQ(L"c:\\", s.savePath);
            EXPECT_EQ(L"Noname", s.baseName);
            EXPECT_EQ(1, s.recordType);
            EXPECT_EQ(6, s.quality);
            EXPECT_EQ(300, g_autoStop.seconds.load());
            EXPECT_EQ(1, g_autoStop.enabled.load());
        }
    }
}

}  // namespace
}  // namespace velto::test

// Finding, selecting and steering the recording line on mixer layouts that cards present.
#include <gtest/gtest.h>

#include <functional>

#include "recorder/mixer/MixerLine.h"
#include "recorder/mixer/VolumeBar.h"
#include "tests/mixer/Topologies.h"
#include "tests/support/DialogWatcher.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr DWORD kWaveIn = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
constexpr DWORD kWaveOut = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
constexpr DWORD kNone = CMixerLine::kNoVolume;

// Every layout here must be searched without a single message box, and every operation must
// close what it opened.
class MixerLineTest : public testing::Test {
protected:
    void TearDown() override
    {
        EXPECT_EQ(mixer.opens, mixer.closes) << "a mixer handle was left open";
        for (const auto& d : watcher.Seen())
            ADD_FAILURE() << "unexpected box: " << d.caption << ": " << d.text;
    }

    FakeMixer mixer;
    DialogWatcher watcher;
};

struct DiscoverCase {
    const char* name;
    std::function<std::vector<FakeLine>()> layout;
    BOOL selectFlag;
    const wchar_t* lineName;
    DWORD volume;
    DWORD state;
    DWORD requestedType;
};

const DiscoverCase kDiscoverCases[] = {
    {"stereo mix among the list items",
     [] {
         return std::vector<FakeLine>{
             WaveInWithList({L"Microphone", L"Line In", L"Stereo Mix"}, 2)};
     },
     TRUE, L"Stereo Mix", 12000, 1, kWaveIn},
    {"a vendor's text after the name does not match",
     [] {
         return std::vector<FakeLine>{WaveInWithList({L"Microphone", L"Stereo Mix (Realtek)"}, 0)};
     },
     TRUE, L"", kNone, 0, kWaveIn},
    {"ASCII letters ignore case",
     [] {
         return std::vector<FakeLine>{WaveInWithList({L"Microphone", L"stereo mix"}, -1)};
     },
     TRUE, L"stereo mix", 11000, 0, kWaveIn},
    {"item order decides over table order",
     [] {
         return std::vector<FakeLine>{WaveInWithList({L"Sum", L"Stereo Mix"}, 1)};
     },
     TRUE, L"Sum", 10000, 0, kWaveIn},
    {"a Korean item name",
     [] {
         return std::vector<FakeLine>{WaveInWithList({L"마이크", L"스테레오 믹스"}, 0)};
     },
     TRUE, L"스테레오 믹스", 11000, 0, kWaveIn},
    {"quoted What U Hear",
     [] {
         return std::vector<FakeLine>{WaveInWithList({L"Mic", L"\"what u hear\""}, 1)};
     },
     TRUE, L"\"what u hear\"", 11000, 1, kWaveIn},
    {"no matching item and no fall-back to the wave-in's own controls",
     [] {
         FakeLine in = WaveInWithList({L"Microphone", L"Line In"}, 0);
         in.controls.push_back(Volume(kWaveInVolumeId, 25000));
         in.controls.push_back(Mute(kWaveInMuteId, 0));
         return std::vector<FakeLine>{Speakers({WaveOut(0x50, L"Wave", 30000, 0)}), in};
     },
     TRUE, L"", kNone, 0, kWaveIn},
    {"an empty select list blocks the source search",
     [] {
         FakeControl empty = SelectList(kSelectListId, {}, {}, -1);
         return std::vector<FakeLine>{
             WaveIn({empty, Volume(kWaveInVolumeId, 25000), Mute(kWaveInMuteId, 0)})};
     },
     TRUE, L"", kNone, 0, kWaveIn},
    {"wave-in without controls: the speakers' wave line in mute mode",
     [] {
         return std::vector<FakeLine>{Speakers({WaveOut(0x50, L"Wave", 30000, 1)}), WaveIn({})};
     },
     FALSE, L"Wave", 30000, 1, kWaveOut},
    {"a wave line with volume but no mute is passed over",
     [] {
         FakeLine cd = Source(0x40, MIXERLINE_COMPONENTTYPE_SRC_COMPACTDISC, L"CD",
                              {Volume(0x41, 1000), Mute(0x42, 0)});
         FakeLine volumeOnly = Source(0x50, kWaveOut, L"Wave A", {Volume(0x51, 2000)});
         FakeLine muteFirst =
             Source(0x60, kWaveOut, L"Wave B", {Mute(0x62, 0), Volume(0x61, 3000)});
         return std::vector<FakeLine>{Speakers({cd, volumeOnly, muteFirst}), WaveIn({})};
     },
     FALSE, L"Wave B", 3000, 0, kWaveOut},
    {"wave-in without controls before any speakers: nothing found",
     [] {
         return std::vector<FakeLine>{WaveIn({}), Speakers({WaveOut(0x50, L"Wave", 30000, 0)})};
     },
     FALSE, L"", kNone, 0, kWaveOut},
    {"last wave-in destination with its own volume and mute",
     [] {
         return std::vector<FakeLine>{
             Speakers({WaveOut(0x50, L"Wave", 30000, 0)}),
             WaveIn({Volume(kWaveInVolumeId, 25000), Mute(kWaveInMuteId, 1)})};
     },
     FALSE, L"Recording Control", 25000, 1, kWaveIn},
    {"only a master volume with one source, as Wine shows it",
     [] { return std::vector<FakeLine>{Speakers({WaveOut(0x50, L"Wave", 30000, 0)})}; }, FALSE, L"",
     kNone, 0, kWaveIn},
    {"no destinations at all", [] { return std::vector<FakeLine>{}; }, FALSE, L"", kNone, 0,
     kWaveIn},
};

TEST_F(MixerLineTest, DiscoverOnEachLayout)
{
    for (const DiscoverCase& c : kDiscoverCases) {
        SCOPED_TRACE(c.name);
        mixer.destinations = c.layout();
        CMixerLine line(mixer);
        line.Discover(kWaveIn);
        EXPECT_EQ(line.selectFlag(), c.selectFlag);
        EXPECT_EQ(line.lineName(), c.lineName);
        EXPECT_EQ(line.volume(), c.volume);
        EXPECT_EQ(line.state(), c.state);
        EXPECT_EQ(line.requestedType(), c.requestedType);
        EXPECT_TRUE(mixer.writes.empty()) << "a search must not change the mixer";
    }
}

TEST_F(MixerLineTest, EveryNameOfTheTableIsFoundWholeAndOnlyWhole)
{
    ASSERT_EQ(kRecordingSourceNameCount, 27);
    EXPECT_STREQ(RecordingSourceNames[0], L"스테레오 믹스");
    EXPECT_STREQ(RecordingSourceNames[22], L"\"What U hear\"");
    EXPECT_STREQ(RecordingSourceNames[26], L"Digital Mixe");
    for (const wchar_t* name : RecordingSourceNames) {
        SCOPED_TRACE(testing::Message() << name);
        mixer.destinations = {WaveInWithList({L"Microphone", name}, 0)};
        CMixerLine line(mixer);
        line.Discover(kWaveIn);
        EXPECT_EQ(line.lineName(), name);
        EXPECT_EQ(line.volume(), 11000u);
    }
    // Whole names only, and case folding stops at ASCII.
    for (const wchar_t* text :
         {L"Stereo Mixe", L"Digital Mixer ", L" Sum", L"Stereo", L"ＳＵＭ", L"What U Hear!"})
        EXPECT_FALSE(IsRecordingSourceName(text));
    EXPECT_TRUE(IsRecordingSourceName(L"DIGITAL MIXE"));
    EXPECT_TRUE(IsRecordingSourceName(L"WHAT U HEAR"));
}

TEST_F(MixerLineTest, ASearchThatFindsNothingKeepsTheEarlierLine)
{
    mixer.destinations = {WaveInWithList({L"Microphone", L"Stereo Mix"}, 1)};
    CMixerLine line(mixer);
    line.Discover(kWaveIn);
    ASSERT_EQ(line.volume(), 11000u);

    mixer.destinations = {Speakers({})};
    line.Discover(kWaveIn);
    EXPECT_EQ(line.selectFlag(), FALSE);
    EXPECT_EQ(line.lineName(), L"Stereo Mix");
    EXPECT_EQ(line.volume(), 11000u);
    EXPECT_EQ(line.state(), 1u);
}

struct SetStateCase {
    const char* name;
    std::function<std::vector<FakeLine>()> layout;
    DWORD value;
    DWORD controlWritten;  // 0: nothing may be written
    std::vector<DWORD> written;
    DWORD state;
};

const SetStateCase kSetStateCases[] = {
    {"select mode with 0 still selects the line",
     [] {
         return std::vector<FakeLine>{
             WaveInWithList({L"Microphone", L"Line In", L"Stereo Mix"}, 0)};
     },
     0,
     kSelectListId,
     {0, 0, 1},
     1},
    {"select mode with the line already selected keeps it",
     [] {
         return std::vector<FakeLine>{WaveInWithList({L"Microphone", L"Stereo Mix"}, 1)};
     },
     1,
     kSelectListId,
     {0, 1},
     1},
    {"an empty line name selects the first item",
     [] {
         return std::vector<FakeLine>{WaveInWithList({L"Microphone", L"Line In", L"CD"}, 1)};
     },
     1,
     kSelectListId,
     {1, 0, 0},
     1},
    {"only one item of a single-select list is selected",
     [] {
         return std::vector<FakeLine>{
             WaveInWithList({L"Microphone", L"Stereo Mix", L"Stereo Mix Pro"}, 0)};
     },
     1,
     kSelectListId,
     {0, 1, 0},
     1},
    {"mute mode writes the wave line's mute",
     [] {
         return std::vector<FakeLine>{Speakers({WaveOut(0x50, L"Wave", 30000, 1)}), WaveIn({})};
     },
     0,
     0x50 + 2000,
     {0},
     0},
    {"the wave-in's own controls are never written",
     [] {
         return std::vector<FakeLine>{
             Speakers({WaveOut(0x50, L"Wave", 30000, 0)}),
             WaveIn({Volume(kWaveInVolumeId, 25000), Mute(kWaveInMuteId, 1)})};
     },
     0,
     0,
     {},
     1},
};

TEST_F(MixerLineTest, SetStateOnEachLayout)
{
    for (const SetStateCase& c : kSetStateCases) {
        SCOPED_TRACE(c.name);
        mixer.destinations = c.layout();
        mixer.writes.clear();
        CMixerLine line(mixer);
        line.Discover(kWaveIn);
        line.SetState(c.value);
        if (c.controlWritten == 0) {
            EXPECT_TRUE(mixer.writes.empty());
        } else {
            ASSERT_EQ(mixer.writes.size(), 1u);
            EXPECT_EQ(mixer.writes[0].controlId, c.controlWritten);
            EXPECT_EQ(mixer.writes[0].values, c.written);
        }
        EXPECT_EQ(line.state(), c.state);
        if (line.selectFlag()) {
            EXPECT_EQ(line.ReadSelectState(), 1u);
        }
    }
}

TEST_F(MixerLineTest, SetVolumeWritesTheLinesControlUnclamped)
{
    mixer.destinations = {WaveInWithList({L"Microphone", L"Stereo Mix"}, 1)};
    CMixerLine line(mixer);
    line.Discover(kWaveIn);
    line.SetVolume(70000);
    ASSERT_EQ(mixer.writes.size(), 1u);
    EXPECT_EQ(mixer.writes[0].controlId, 201u);
    EXPECT_EQ(mixer.writes[0].values, std::vector<DWORD>{70000});
    EXPECT_EQ(line.volume(), 70000u);
    EXPECT_EQ(line.ReadVolume(), 70000u);
}

TEST_F(MixerLineTest, WithoutALineNoControlIsWritten)
{
    // Control IDs start at 0 on real cards: a volume written blindly would land on another
    // control (under Wine the master volume).
    mixer.destinations = {Speakers({})};
    mixer.destinations[0].controls[0].id = 0;
    CMixerLine line(mixer);
    line.Discover(kWaveIn);
    line.SetVolume(1000);
    EXPECT_TRUE(mixer.writes.empty());
    EXPECT_EQ(line.volume(), kNone);
    EXPECT_EQ(line.ReadVolume(), kNone);
}

struct PixelCase {
    DWORD volume;  // kNone: no recording line
    int attachPixel;
    int pixel;
};

TEST_F(MixerLineTest, VolumeBarPixelsAt69)
{
    const PixelCase cases[] = {
        {kNone, -1, -1}, {0, 0, 0}, {949, 1, 0}, {950, 1, 1}, {32768, 34, 34}, {65535, 69, 69},
    };
    for (const PixelCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "volume " << c.volume);
        mixer.destinations = {Speakers({WaveOut(0x50, L"Wave", c.volume, 0)}), WaveIn({})};
        if (c.volume == kNone) mixer.destinations = {Speakers({})};
        CVolumeBar bar(mixer);
        bar.Attach(kWaveIn, 69);
        EXPECT_EQ(bar.pixelValue(), c.attachPixel);
        EXPECT_EQ(bar.Pixel(), c.pixel);
        EXPECT_FALSE(bar.HasSelect());
    }
}

TEST_F(MixerLineTest, VolumeBarFollowsTheVolumeAndSelects)
{
    mixer.destinations = {WaveInWithList({L"Microphone", L"Stereo Mix"}, 0)};
    CVolumeBar bar(mixer);
    bar.Attach(kWaveIn, 69);
    ASSERT_TRUE(bar.HasSelect());
    EXPECT_EQ(bar.Pixel(), 11);
    bar.line().SetVolume(949);
    EXPECT_EQ(bar.Pixel(), 0);
    bar.Select(1);
    EXPECT_EQ(mixer.FindControl(kSelectListId)->values, (std::vector<DWORD>{0, 1}));
}

}  // namespace

// The mixer's messages to the user, the volume trackbar, and the real mixer under Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>

#include "recorder/mixer/MixerLine.h"
#include "recorder/mixer/VolumeBar.h"
#include "recorder/mixer/VolumeSlider.h"
#include "tests/mixer/Topologies.h"
#include "tests/support/DialogWatcher.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr DWORD kWaveIn = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
constexpr DWORD kWaveOut = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;

struct FailureCase {
    const char* name;
    std::function<void(FakeMixer&)> arrange;
    std::function<void(CMixerLine&)> act;
    const wchar_t* caption;
    const wchar_t* text;
    bool ownerless;
    DWORD volumeAfter;  // what the line holds afterwards
};

void Discover(CMixerLine& line)
{
    line.Discover(kWaveIn);
}

std::vector<FakeLine> WaveLines(FakeLine first, FakeLine second)
{
    return {Speakers({std::move(first), std::move(second)}), WaveIn({})};
}

const FailureCase kFailures[] = {
    {"no mixer device", [](FakeMixer& m) { m.devices = 0; }, Discover, L"VeltoRecorder",
     L"No mixer device present", false, CMixerLine::kNoVolume},
    {"the device cannot be opened", [](FakeMixer& m) { m.openFails = true; }, Discover,
     L"VeltoRecorder", L"Could not open mixer device", false, CMixerLine::kNoVolume},
    {"the device cannot be opened to select", [](FakeMixer& m) { m.openFails = true; },
     [](CMixerLine& l) { l.SetState(1); }, L"VeltoRecorder", L"Could not open mixer device", false,
     CMixerLine::kNoVolume},
    {"a source line cannot be read again",
     [](FakeMixer& m) {
         FakeLine bad = WaveOut(0x50, L"Wave", 1000, 0);
         bad.failReadById = true;
         m.destinations = WaveLines(bad, WaveOut(0x60, L"Wave 2", 2000, 0));
     },
     Discover, L"시스템 정보 오류", L"디바이스 믹서 정보얻기 오류", true, CMixerLine::kNoVolume},
    {"a source line without controls stops the search",
     [](FakeMixer& m) {
         m.destinations =
             WaveLines(Source(0x50, kWaveOut, L"Wave", {}), WaveOut(0x60, L"Wave 2", 2000, 0));
     },
     Discover, L"Error", L"There are no controls associated with the selected line.", true,
     CMixerLine::kNoVolume},
    {"a control list that cannot be read moves on to the next line",
     [](FakeMixer& m) {
         FakeLine bad = WaveOut(0x50, L"Wave", 1000, 0);
         bad.failControls = true;
         m.destinations = WaveLines(bad, WaveOut(0x60, L"Wave 2", 2000, 0));
     },
     Discover, L"Error", L"mixerGetLineControls() failed", true, 2000},
};

TEST(MixerMessages, EachFailureShowsItsBoxOnce)
{
    DialogWatcher watcher;
    for (const FailureCase& c : kFailures) {
        SCOPED_TRACE(c.name);
        watcher.Clear();
        FakeMixer mixer;
        c.arrange(mixer);
        CMixerLine line(mixer);
        c.act(line);
        const auto seen = watcher.Seen();
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0].caption, c.caption);
        EXPECT_EQ(seen[0].text, c.text);
        EXPECT_EQ(seen[0].buttons.size(), 1u);
        if (c.ownerless) {
            EXPECT_EQ(seen[0].owner, nullptr);
        }
        EXPECT_EQ(line.volume(), c.volumeAfter);
        EXPECT_EQ(mixer.opens, mixer.closes);
    }
}

// A trackbar and a check box like the recording-volume page's.
class SliderTest : public testing::Test {
protected:
    void SetUp() override
    {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&icc);
        page_ = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr,
                                  nullptr, nullptr);
        trackbar_ = ::CreateWindowExW(0, TRACKBAR_CLASSW, L"", WS_CHILD | WS_VISIBLE | TBS_VERT, 10,
                                      10, 30, 150, page_, nullptr, nullptr, nullptr);
        button_ = ::CreateWindowExW(0, L"BUTTON", L"PC Sound", WS_CHILD | BS_AUTOCHECKBOX, 50, 10,
                                    100, 20, page_, nullptr, nullptr, nullptr);
        ASSERT_TRUE(trackbar_ && button_);
    }
    void TearDown() override { ::DestroyWindow(page_); }

    HWND page_ = nullptr, trackbar_ = nullptr, button_ = nullptr;
};

TEST_F(SliderTest, ShowsTheLineInvertedAndWritesThePosition)
{
    FakeMixer mixer;
    mixer.destinations = {WaveInWithList({L"Microphone", L"Stereo Mix"}, 1)};
    CVolumeSlider slider(mixer);
    slider.SetTrackbar(trackbar_);
    slider.Attach(kWaveIn, button_);

    EXPECT_EQ(::SendMessageW(trackbar_, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(::SendMessageW(trackbar_, TBM_GETRANGEMAX, 0, 0), 65535);
    EXPECT_EQ(::SendMessageW(trackbar_, TBM_GETPOS, 0, 0), 65535 - 11000);
    EXPECT_EQ(::SendMessageW(button_, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_TRUE(::IsWindowEnabled(trackbar_));
    EXPECT_EQ(slider.lineName(), L"Stereo Mix");
    EXPECT_TRUE(slider.selectFlag());

    ::SendMessageW(trackbar_, TBM_SETPOS, TRUE, 65535 - 40000);
    slider.ApplyPosition();
    ASSERT_EQ(mixer.writes.size(), 1u);
    EXPECT_EQ(mixer.writes[0].controlId, 201u);
    EXPECT_EQ(mixer.writes[0].values, std::vector<DWORD>{40000});
}

TEST_F(SliderTest, WithoutALineTheControlsAreDisabled)
{
    FakeMixer mixer;
    mixer.destinations = {Speakers({})};
    CVolumeSlider slider(mixer);
    slider.SetTrackbar(trackbar_);
    slider.Attach(kWaveIn, button_);
    EXPECT_FALSE(::IsWindowEnabled(trackbar_));
    EXPECT_FALSE(::IsWindowEnabled(button_));
    slider.ApplyPosition();
    EXPECT_TRUE(mixer.writes.empty());
}

// Wine's mixer shows master volumes only: the program must come up without a recording line,
// without a box and without writing anything.
TEST(RealMixer, FindsNoRecordingLineUnderWine)
{
    DialogWatcher watcher;
    CVolumeBar bar;
    for (int attempt = 0; attempt < 3; ++attempt) {
        bar.Attach(kWaveIn, 69);
        if (bar.HasSelect()) bar.Select(1);
    }
    EXPECT_EQ(bar.pixelValue(), -1);
    EXPECT_EQ(bar.Pixel(), -1);
    EXPECT_FALSE(bar.HasSelect());
    bar.line().SetVolume(1000);
    EXPECT_EQ(bar.line().volume(), CMixerLine::kNoVolume);
    for (const auto& d : watcher.Seen())
        ADD_FAILURE() << "unexpected box: " << d.caption << ": " << d.text;
}

}  // namespace

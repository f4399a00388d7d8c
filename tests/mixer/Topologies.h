// Mixer layouts that sound cards present, built for FakeMixer.
#pragma once

#include "tests/mixer/FakeMixer.h"

namespace velto::test {

inline constexpr DWORD kSpeakersId = 0xFFFF0000;
inline constexpr DWORD kWaveInId = 0xFFFF0001;
inline constexpr DWORD kSelectListId = 100;
inline constexpr DWORD kWaveInVolumeId = 300;
inline constexpr DWORD kWaveInMuteId = 301;

// A source line of one destination.
FakeLine Source(DWORD id, DWORD type, std::wstring name, std::vector<FakeControl> controls);

// Speakers with their own volume and mute and the given sources.
FakeLine Speakers(std::vector<FakeLine> sources);

// A wave-in destination whose single-select list has one item per text. Item k is the source
// line 0x100 + k, named like its item, with a volume control 200 + k of value 10000 + 1000 k;
// `selected` is the index of the selected item (-1: none).
FakeLine WaveInWithList(std::vector<std::wstring> items, int selected);

// A wave-in destination with the given controls (none: the card offers no list) and one
// microphone source.
FakeLine WaveIn(std::vector<FakeControl> controls);

// The playback wave line on the speakers, with volume `volume` and mute `mute`.
FakeLine WaveOut(DWORD id, std::wstring name, DWORD volume, DWORD mute);

}  // namespace velto::test

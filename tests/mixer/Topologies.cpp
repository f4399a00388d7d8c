#include "tests/mixer/Topologies.h"

namespace velto::test {

FakeLine Source(DWORD id, DWORD type, std::wstring name, std::vector<FakeControl> controls)
{
    FakeLine l;
    l.id = id;
    l.type = type;
    l.name = std::move(name);
    l.controls = std::move(controls);
    return l;
}

FakeLine Speakers(std::vector<FakeLine> sources)
{
    FakeLine l = Source(kSpeakersId, MIXERLINE_COMPONENTTYPE_DST_SPEAKERS, L"Master Volume",
                        {Volume(1, 50000), Mute(2, 0)});
    l.sources = std::move(sources);
    return l;
}

FakeLine WaveInWithList(std::vector<std::wstring> items, int selected)
{
    FakeLine l = Source(kWaveInId, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, L"Recording Control", {});
    std::vector<DWORD> params;
    for (DWORD k = 0; k < items.size(); ++k) {
        const DWORD id = 0x100 + k;
        params.push_back(id);
        l.sources.push_back(Source(id, MIXERLINE_COMPONENTTYPE_SRC_ANALOG, items[k],
                                   {Volume(200 + k, 10000 + 1000 * k), Mute(250 + k, 0)}));
    }
    l.controls.push_back(SelectList(kSelectListId, std::move(items), std::move(params), selected));
    return l;
}

FakeLine WaveIn(std::vector<FakeControl> controls)
{
    FakeLine l = Source(kWaveInId, MIXERLINE_COMPONENTTYPE_DST_WAVEIN, L"Recording Control",
                        std::move(controls));
    l.sources.push_back(Source(0x180, MIXERLINE_COMPONENTTYPE_SRC_MICROPHONE, L"Microphone",
                               {Volume(280, 5000), Mute(281, 0)}));
    return l;
}

FakeLine WaveOut(DWORD id, std::wstring name, DWORD volume, DWORD mute)
{
    return Source(id, MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT, std::move(name),
                  {Volume(id + 1000, volume), Mute(id + 2000, mute)});
}

}  // namespace velto::test

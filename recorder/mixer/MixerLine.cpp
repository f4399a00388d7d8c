#include "recorder/mixer/MixerLine.h"

#include <cwchar>

#include "common/AppMessageBox.h"

namespace velto {

const wchar_t* const RecordingSourceNames[kRecordingSourceNameCount] = {
    L"스테레오 믹스",
    L"Stereo Mix",
    L"웨이브 아웃 믹스",
    L"루프 백",
    L"웨이브 출력 믹스",
    L"믹스드 아웃",
    L"섬",
    L"스테레오 믹서",
    L"디지털 믹스",
    L"wave out mix",
    L"Loop back",
    L"Mixed Out",
    L"Sum",
    L"Stereo Mixer",
    L"Digital Mix",
    L"Mixed Output",
    L"믹스드 아웃풋",
    L"Stereo Output",
    L"스테레오 아웃풋",
    L"What U hear",
    L"What U Hear",
    L"왓 유 히어",
    L"\"What U hear\"",
    L"\"What U Hear\"",
    L"Stereo Out",
    L"스테레오 아웃",
    L"Digital Mixe",
};

namespace {

wchar_t FoldAscii(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
}

// Mixer names live in fixed arrays that a driver may fill to the last character.
template <size_t N>
std::wstring NameOf(const wchar_t (&name)[N])
{
    return std::wstring(name, ::wcsnlen(name, N));
}

MIXERLINEW EmptyLine()
{
    MIXERLINEW line{};
    line.cbStruct = sizeof(line);
    return line;
}

void ShowOpenFailure()
{
    AppMessageBox(::GetActiveWindow(), L"Could not open mixer device");
}

void ShowWarning(const wchar_t* text, const wchar_t* caption)
{
    ::MessageBoxW(nullptr, text, caption, MB_OK | MB_ICONWARNING);
}

// A failed read counts as a line without controls.
std::vector<MIXERCONTROLW> ReadAllControls(MixerApi& api, HMIXER mixer, const MIXERLINEW& line,
                                           bool* ok = nullptr)
{
    std::vector<MIXERCONTROLW> controls(line.cControls);
    for (auto& c : controls) c.cbStruct = sizeof(c);
    bool read = true;
    if (!controls.empty()) {
        MIXERLINECONTROLSW request{};
        request.cbStruct = sizeof(request);
        request.dwLineID = line.dwLineID;
        request.cControls = line.cControls;
        request.cbmxctrl = sizeof(MIXERCONTROLW);
        request.pamxctrl = controls.data();
        read = api.GetLineControls(mixer, &request, MIXER_GETLINECONTROLSF_ALL) == MMSYSERR_NOERROR;
        if (!read) controls.clear();
    }
    if (ok) *ok = read;
    return controls;
}

bool ControlByType(MixerApi& api, HMIXER mixer, DWORD lineId, DWORD type, MIXERCONTROLW* out)
{
    *out = MIXERCONTROLW{};
    out->cbStruct = sizeof(*out);
    MIXERLINECONTROLSW request{};
    request.cbStruct = sizeof(request);
    request.dwLineID = lineId;
    request.dwControlType = type;
    request.cControls = 1;
    request.cbmxctrl = sizeof(MIXERCONTROLW);
    request.pamxctrl = out;
    return api.GetLineControls(mixer, &request, MIXER_GETLINECONTROLSF_ONEBYTYPE) ==
           MMSYSERR_NOERROR;
}

MIXERCONTROLDETAILS Details(DWORD controlId, DWORD channels, DWORD items, DWORD entrySize,
                            void* entries)
{
    MIXERCONTROLDETAILS d{};
    d.cbStruct = sizeof(d);
    d.dwControlID = controlId;
    d.cChannels = channels;
    d.cMultipleItems = items;
    d.cbDetails = entrySize;
    d.paDetails = entries;
    return d;
}

size_t EntryCount(DWORD channels, DWORD items)
{
    return size_t{channels} * (items ? items : 1);
}

// One channel of a volume or mute control: the first 4-byte value.
bool ReadFirstValue(MixerApi& api, HMIXER mixer, const MIXERCONTROLW& control, DWORD* value)
{
    std::vector<MIXERCONTROLDETAILS_UNSIGNED> values(EntryCount(1, control.cMultipleItems));
    MIXERCONTROLDETAILS d = Details(control.dwControlID, 1, control.cMultipleItems,
                                    sizeof(MIXERCONTROLDETAILS_UNSIGNED), values.data());
    if (api.GetControlDetails(mixer, &d, MIXER_GETCONTROLDETAILSF_VALUE) != MMSYSERR_NOERROR)
        return false;
    *value = values[0].dwValue;
    return true;
}

bool WriteAllValues(MixerApi& api, HMIXER mixer, const MIXERCONTROLW& control, DWORD channels,
                    DWORD value)
{
    std::vector<MIXERCONTROLDETAILS_UNSIGNED> values(EntryCount(channels, control.cMultipleItems));
    for (auto& v : values) v.dwValue = value;
    MIXERCONTROLDETAILS d = Details(control.dwControlID, channels, control.cMultipleItems,
                                    sizeof(MIXERCONTROLDETAILS_UNSIGNED), values.data());
    return api.SetControlDetails(mixer, &d, MIXER_SETCONTROLDETAILSF_VALUE) == MMSYSERR_NOERROR;
}

bool ReadListTexts(MixerApi& api, HMIXER mixer, DWORD controlId, DWORD channels, DWORD items,
                   std::vector<MIXERCONTROLDETAILS_LISTTEXTW>* texts)
{
    texts->assign(size_t{channels} * items, MIXERCONTROLDETAILS_LISTTEXTW{});
    if (texts->empty()) return false;
    MIXERCONTROLDETAILS d =
        Details(controlId, channels, items, sizeof(MIXERCONTROLDETAILS_LISTTEXTW), texts->data());
    return api.GetControlDetails(mixer, &d, MIXER_GETCONTROLDETAILSF_LISTTEXT) == MMSYSERR_NOERROR;
}

bool Contains(const MIXERCONTROLDETAILS_LISTTEXTW& entry, const std::wstring& name)
{
    return NameOf(entry.szName).find(name) != std::wstring::npos;
}

}  // namespace

bool SameSourceName(const wchar_t* a, const wchar_t* b)
{
    for (; *a && *b; ++a, ++b)
        if (FoldAscii(*a) != FoldAscii(*b)) return false;
    return *a == *b;
}

bool IsRecordingSourceName(const wchar_t* text)
{
    for (const wchar_t* name : RecordingSourceNames)
        if (SameSourceName(text, name)) return true;
    return false;
}

// The wave-in destination's list control with its texts and 4-byte values. Entries of one
// item are `channels` apart.
struct CMixerLine::SelectList {
    MIXERCONTROLW control{};
    DWORD channels = 1;
    DWORD items = 0;
    std::vector<MIXERCONTROLDETAILS_LISTTEXTW> texts;
    std::vector<MIXERCONTROLDETAILS_UNSIGNED> values;
};

CMixerLine::CMixerLine(MixerApi& api) : api_(api) {}

void CMixerLine::Discover(DWORD requestedType)
{
    requestedType_ = requestedType;
    selectFlag_ = FALSE;
    if (api_.GetNumDevs() == 0) {
        AppMessageBox(::GetActiveWindow(), L"No mixer device present");
        return;
    }
    MixerSession mixer(api_, 0);
    if (!mixer) {
        ShowOpenFailure();
        return;
    }
    MIXERCAPSW caps{};
    if (api_.GetDevCaps(0, &caps) != MMSYSERR_NOERROR) return;

    bool haveSpeakers = false, examined = false;
    MIXERLINEW speakers = EmptyLine(), line = EmptyLine();
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        line = EmptyLine();
        line.dwDestination = d;
        if (api_.GetLineInfo(mixer.get(), &line, MIXER_GETLINEINFOF_DESTINATION) !=
            MMSYSERR_NOERROR)
            return;
        examined = true;
        if (line.dwComponentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS) {
            speakers = line;
            haveSpeakers = true;
            continue;
        }
        if (line.dwComponentType != MIXERLINE_COMPONENTTYPE_DST_WAVEIN) continue;
        if (line.cControls == 0) {
            // No list to choose from: the playback wave line stands in for the output mix.
            // Without a speakers destination seen first there is nowhere to look for it.
            requestedType_ = MIXERLINE_COMPONENTTYPE_SRC_WAVEOUT;
            if (haveSpeakers) SearchSources(mixer.get(), speakers);
            return;
        }
        for (const MIXERCONTROLW& c : ReadAllControls(api_, mixer.get(), line)) {
            if (c.dwControlType != MIXERCONTROL_CONTROLTYPE_MUX) continue;
            selectFlag_ = TRUE;
            if (c.cMultipleItems == 0) continue;
            TakeListItem(mixer.get(), line, c);
            return;
        }
    }
    // No decision: the last destination is tried once as the line itself, which takes a
    // wave-in destination's own volume and mute when it comes last.
    if (examined && line.cConnections > 0) TestSource(mixer.get(), line);
}

void CMixerLine::SearchSources(HMIXER mixer, const MIXERLINEW& destination)
{
    for (DWORD s = 0; s < destination.cConnections; ++s) {
        MIXERLINEW source = EmptyLine();
        source.dwDestination = destination.dwDestination;
        source.dwSource = s;
        if (api_.GetLineInfo(mixer, &source, MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR) return;
        if (TestSource(mixer, source) != SourceOutcome::kNext) return;
    }
}

CMixerLine::SourceOutcome CMixerLine::TestSource(HMIXER mixer, const MIXERLINEW& source)
{
    if (selectFlag_) return SourceOutcome::kStop;
    if (source.dwComponentType != requestedType_) return SourceOutcome::kNext;

    MIXERLINEW line = EmptyLine();
    line.dwLineID = source.dwLineID;
    if (api_.GetLineInfo(mixer, &line, MIXER_GETLINEINFOF_LINEID) != MMSYSERR_NOERROR) {
        ShowWarning(L"디바이스 믹서 정보얻기 오류", L"시스템 정보 오류");
        return SourceOutcome::kStop;
    }
    if (line.cControls == 0) {
        ShowWarning(L"There are no controls associated with the selected line.", L"Error");
        return SourceOutcome::kStop;
    }
    bool read = false;
    std::vector<MIXERCONTROLW> controls = ReadAllControls(api_, mixer, line, &read);
    if (!read) {
        ShowWarning(L"mixerGetLineControls() failed", L"Error");
        return SourceOutcome::kNext;
    }

    MIXERCONTROLW volumeControl{};
    bool haveVolume = false, haveMute = false;
    DWORD state = state_;
    for (const MIXERCONTROLW& c : controls) {
        if (c.dwControlType == MIXERCONTROL_CONTROLTYPE_VOLUME) {
            volumeControl = c;
            haveVolume = true;
        } else if (c.dwControlType == MIXERCONTROL_CONTROLTYPE_MUTE) {
            haveMute = true;
            MIXERCONTROLW mute;
            DWORD value = 0;
            if (ControlByType(api_, mixer, line.dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, &mute) &&
                ReadFirstValue(api_, mixer, mute, &value))
                state = value;
        }
        if (!(haveVolume && haveMute)) continue;
        DWORD volume = 0;
        if (!ReadFirstValue(api_, mixer, volumeControl, &volume)) return SourceOutcome::kStop;
        volumeControl_ = volumeControl;
        hasVolumeControl_ = true;
        lineName_ = NameOf(line.szName);
        state_ = state;
        volume_ = volume;
        return SourceOutcome::kFound;
    }
    return SourceOutcome::kNext;
}

void CMixerLine::TakeListItem(HMIXER mixer, const MIXERLINEW& destination,
                              const MIXERCONTROLW& list)
{
    const DWORD channels =
        (list.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : destination.cChannels;
    std::vector<MIXERCONTROLDETAILS_LISTTEXTW> texts;
    if (!ReadListTexts(api_, mixer, list.dwControlID, channels, list.cMultipleItems, &texts))
        return;
    // Item order decides: a card lists its output mix once, whatever the table's order.
    const MIXERCONTROLDETAILS_LISTTEXTW* taken = nullptr;
    for (const auto& entry : texts) {
        if (IsRecordingSourceName(NameOf(entry.szName).c_str())) {
            taken = &entry;
            break;
        }
    }
    if (!taken) return;

    MIXERLINEW source = EmptyLine();
    bool sourceFound = false;
    for (DWORD s = 0; s < destination.cConnections && !sourceFound; ++s) {
        source = EmptyLine();
        source.dwDestination = destination.dwDestination;
        source.dwSource = s;
        if (api_.GetLineInfo(mixer, &source, MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR) return;
        sourceFound = source.dwLineID == taken->dwParam1;
    }
    if (!sourceFound) return;

    for (const MIXERCONTROLW& c : ReadAllControls(api_, mixer, source)) {
        if (c.dwControlType != MIXERCONTROL_CONTROLTYPE_VOLUME) continue;
        DWORD volume = 0;
        if (!ReadFirstValue(api_, mixer, c, &volume)) return;
        volumeControl_ = c;
        hasVolumeControl_ = true;
        lineName_ = NameOf(taken->szName);
        volume_ = volume;
        state_ = ReadSelectState(mixer);
        return;
    }
}

bool CMixerLine::FindSelectList(HMIXER mixer, SelectList* list)
{
    MIXERLINEW waveIn = EmptyLine();
    waveIn.dwComponentType = MIXERLINE_COMPONENTTYPE_DST_WAVEIN;
    if (api_.GetLineInfo(mixer, &waveIn, MIXER_GETLINEINFOF_COMPONENTTYPE) != MMSYSERR_NOERROR)
        return false;
    for (const MIXERCONTROLW& c : ReadAllControls(api_, mixer, waveIn)) {
        if ((c.dwControlType & MIXERCONTROL_CT_CLASS_MASK) != MIXERCONTROL_CT_CLASS_LIST) continue;
        list->control = c;
        list->channels = (c.fdwControl & MIXERCONTROL_CONTROLF_UNIFORM) ? 1 : waveIn.cChannels;
        // A line reporting no channels still has its items one apart.
        if (list->channels == 0) list->channels = 1;
        list->items = (c.fdwControl & MIXERCONTROL_CONTROLF_MULTIPLE) ? c.cMultipleItems : 0;
        if (!ReadListTexts(api_, mixer, c.dwControlID, list->channels, list->items, &list->texts))
            return false;
        list->values.assign(list->texts.size(), MIXERCONTROLDETAILS_UNSIGNED{});
        MIXERCONTROLDETAILS d = Details(c.dwControlID, list->channels, list->items,
                                        sizeof(MIXERCONTROLDETAILS_UNSIGNED), list->values.data());
        return api_.GetControlDetails(mixer, &d, MIXER_GETCONTROLDETAILSF_VALUE) ==
               MMSYSERR_NOERROR;
    }
    return false;
}

DWORD CMixerLine::ReadSelectState()
{
    MixerSession mixer(api_, 0);
    if (!mixer) {
        ShowOpenFailure();
        return 0;
    }
    return ReadSelectState(mixer.get());
}

DWORD CMixerLine::ReadSelectState(HMIXER mixer)
{
    SelectList list;
    if (!FindSelectList(mixer, &list)) return 0;
    for (DWORD i = 0; i < list.items; i += list.channels)
        if (Contains(list.texts[i], lineName_)) return list.values[i].dwValue;
    return 0;
}

DWORD CMixerLine::ReadVolume()
{
    MixerSession mixer(api_, 0);
    if (!mixer) {
        ShowOpenFailure();
        return kNoVolume;
    }
    DWORD volume = kNoVolume;
    if (!hasVolumeControl_ || !ReadFirstValue(api_, mixer.get(), volumeControl_, &volume))
        return kNoVolume;
    return volume;
}

void CMixerLine::SetState(DWORD value)
{
    MixerSession mixer(api_, 0);
    if (!mixer) {
        ShowOpenFailure();
        return;
    }
    if (selectFlag_)
        SelectListItem(mixer.get());
    else
        WriteMute(mixer.get(), value);
}

void CMixerLine::SelectListItem(HMIXER mixer)
{
    SelectList list;
    if (!FindSelectList(mixer, &list)) return;
    // A single-select list takes one item: the first that carries the line's name. Later
    // items with the same text in them are cleared like every other.
    bool selected = false;
    for (DWORD i = 0; i < list.items; i += list.channels) {
        DWORD& first = list.values[i].dwValue;
        DWORD& last = list.values[i + list.channels - 1].dwValue;
        if (!selected && Contains(list.texts[i], lineName_)) {
            state_ = 1;
            if (first != 0) break;
            first = last = 1;
            selected = true;
        } else {
            first = last = 0;
        }
    }
    MIXERCONTROLDETAILS d = Details(list.control.dwControlID, list.channels, list.items,
                                    sizeof(MIXERCONTROLDETAILS_UNSIGNED), list.values.data());
    api_.SetControlDetails(mixer, &d, MIXER_SETCONTROLDETAILSF_VALUE);
}

void CMixerLine::WriteMute(HMIXER mixer, DWORD value)
{
    MIXERCAPSW caps{};
    if (api_.GetDevCaps(0, &caps) != MMSYSERR_NOERROR) return;
    for (DWORD d = 0; d < caps.cDestinations; ++d) {
        MIXERLINEW destination = EmptyLine();
        destination.dwDestination = d;
        if (api_.GetLineInfo(mixer, &destination, MIXER_GETLINEINFOF_DESTINATION) !=
            MMSYSERR_NOERROR)
            return;
        const bool speakers = destination.dwComponentType == MIXERLINE_COMPONENTTYPE_DST_SPEAKERS;
        const bool bareWaveIn = destination.dwComponentType == MIXERLINE_COMPONENTTYPE_DST_WAVEIN &&
                                destination.cControls == 0;
        if (!speakers && !bareWaveIn) continue;
        for (DWORD s = 0; s < destination.cConnections; ++s) {
            MIXERLINEW source = EmptyLine();
            source.dwDestination = d;
            source.dwSource = s;
            if (api_.GetLineInfo(mixer, &source, MIXER_GETLINEINFOF_SOURCE) != MMSYSERR_NOERROR)
                return;
            if (source.dwComponentType != requestedType_) continue;
            MIXERLINEW line = EmptyLine();
            line.dwLineID = source.dwLineID;
            if (api_.GetLineInfo(mixer, &line, MIXER_GETLINEINFOF_LINEID) != MMSYSERR_NOERROR)
                return;
            if (NameOf(line.szName) != lineName_ || line.cControls == 0) continue;
            MIXERCONTROLW mute;
            if (!ControlByType(api_, mixer, line.dwLineID, MIXERCONTROL_CONTROLTYPE_MUTE, &mute))
                continue;
            if (WriteAllValues(api_, mixer, mute, 1, value)) state_ = value;
            return;
        }
    }
}

void CMixerLine::SetVolume(DWORD value)
{
    // Without a found line the stored control is empty, and control 0 is some other control
    // of the card (under Wine the master volume): write nothing.
    if (!hasVolumeControl_) return;
    MixerSession mixer(api_, 0);
    if (!mixer) {
        ShowOpenFailure();
        return;
    }
    WriteAllValues(api_, mixer.get(), volumeControl_, 1, value);
    volume_ = value;
}

}  // namespace velto

#include "tests/mixer/FakeMixer.h"

#include <cwchar>

namespace velto::test {

namespace {

const HMIXER kHandle = reinterpret_cast<HMIXER>(0x4d49);

void Describe(const FakeLine& l, DWORD destination, DWORD source, MIXERLINEW* out)
{
    out->dwDestination = destination;
    out->dwSource = source;
    out->dwLineID = l.id;
    out->dwComponentType = l.type;
    out->cChannels = l.channels;
    out->cConnections = l.connections >= 0 ? static_cast<DWORD>(l.connections)
                                           : static_cast<DWORD>(l.sources.size());
    out->cControls = static_cast<DWORD>(l.controls.size());
    ::wcsncpy(out->szName, l.name.c_str(), MIXER_LONG_NAME_CHARS - 1);
    out->szName[MIXER_LONG_NAME_CHARS - 1] = L'\0';
    ::wcsncpy(out->szShortName, l.name.c_str(), MIXER_SHORT_NAME_CHARS - 1);
    out->szShortName[MIXER_SHORT_NAME_CHARS - 1] = L'\0';
}

void Describe(const FakeControl& c, MIXERCONTROLW* out)
{
    *out = MIXERCONTROLW{};
    out->cbStruct = sizeof(*out);
    out->dwControlID = c.id;
    out->dwControlType = c.type;
    out->fdwControl = c.flags;
    out->cMultipleItems = c.items;
    out->Bounds.dwMaximum = 65535;
}

size_t Entries(const MIXERCONTROLDETAILS& d)
{
    return size_t{d.cChannels} * (d.cMultipleItems ? d.cMultipleItems : 1);
}

}  // namespace

FakeControl Volume(DWORD id, DWORD value)
{
    FakeControl c;
    c.id = id;
    c.type = MIXERCONTROL_CONTROLTYPE_VOLUME;
    c.values = {value};
    return c;
}

FakeControl Mute(DWORD id, DWORD value)
{
    FakeControl c;
    c.id = id;
    c.type = MIXERCONTROL_CONTROLTYPE_MUTE;
    c.flags = MIXERCONTROL_CONTROLF_UNIFORM;
    c.values = {value};
    return c;
}

FakeControl SelectList(DWORD id, std::vector<std::wstring> texts, std::vector<DWORD> params,
                       int selected)
{
    FakeControl c;
    c.id = id;
    c.type = MIXERCONTROL_CONTROLTYPE_MUX;
    c.flags = MIXERCONTROL_CONTROLF_UNIFORM | MIXERCONTROL_CONTROLF_MULTIPLE;
    c.items = static_cast<DWORD>(texts.size());
    c.values.assign(texts.size(), 0);
    if (selected >= 0) c.values[selected] = 1;
    c.texts = std::move(texts);
    c.params = std::move(params);
    return c;
}

FakeLine* FakeMixer::FindLine(DWORD id)
{
    for (auto& d : destinations) {
        if (d.id == id) return &d;
        for (auto& s : d.sources)
            if (s.id == id) return &s;
    }
    return nullptr;
}

FakeControl* FakeMixer::FindControl(DWORD id)
{
    auto search = [id](FakeLine& l) -> FakeControl* {
        for (auto& c : l.controls)
            if (c.id == id) return &c;
        return nullptr;
    };
    for (auto& d : destinations) {
        if (FakeControl* c = search(d)) return c;
        for (auto& s : d.sources)
            if (FakeControl* c = search(s)) return c;
    }
    return nullptr;
}

MMRESULT FakeMixer::Open(UINT device, HMIXER* mixer)
{
    if (openFails || device >= devices) return MMSYSERR_BADDEVICEID;
    ++opens;
    *mixer = kHandle;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeMixer::Close(HMIXER mixer)
{
    if (!IsOpen(mixer)) return MMSYSERR_INVALHANDLE;
    ++closes;
    return MMSYSERR_NOERROR;
}

MMRESULT FakeMixer::GetDevCaps(UINT device, MIXERCAPSW* caps)
{
    if (device >= devices) return MMSYSERR_BADDEVICEID;
    *caps = MIXERCAPSW{};
    ::wcscpy(caps->szPname, L"Fake Mixer");
    caps->cDestinations = static_cast<DWORD>(destinations.size());
    return MMSYSERR_NOERROR;
}

MMRESULT FakeMixer::GetLineInfo(HMIXER mixer, MIXERLINEW* line, DWORD flags)
{
    if (!IsOpen(mixer)) return MMSYSERR_INVALHANDLE;
    if (line->cbStruct != sizeof(MIXERLINEW)) return MMSYSERR_INVALPARAM;
    switch (flags & MIXER_GETLINEINFOF_QUERYMASK) {
        case MIXER_GETLINEINFOF_DESTINATION:
            if (line->dwDestination >= destinations.size()) return MIXERR_INVALLINE;
            Describe(destinations[line->dwDestination], line->dwDestination, 0, line);
            return MMSYSERR_NOERROR;
        case MIXER_GETLINEINFOF_SOURCE: {
            if (line->dwDestination >= destinations.size()) return MIXERR_INVALLINE;
            const FakeLine& d = destinations[line->dwDestination];
            if (line->dwSource >= d.sources.size()) return MIXERR_INVALLINE;
            Describe(d.sources[line->dwSource], line->dwDestination, line->dwSource, line);
            return MMSYSERR_NOERROR;
        }
        case MIXER_GETLINEINFOF_LINEID:
            for (DWORD d = 0; d < destinations.size(); ++d) {
                const FakeLine& dest = destinations[d];
                if (dest.id == line->dwLineID) {
                    if (dest.failReadById) return MIXERR_INVALLINE;
                    Describe(dest, d, 0, line);
                    return MMSYSERR_NOERROR;
                }
                for (DWORD s = 0; s < dest.sources.size(); ++s) {
                    if (dest.sources[s].id != line->dwLineID) continue;
                    if (dest.sources[s].failReadById) return MIXERR_INVALLINE;
                    Describe(dest.sources[s], d, s, line);
                    return MMSYSERR_NOERROR;
                }
            }
            return MIXERR_INVALLINE;
        case MIXER_GETLINEINFOF_COMPONENTTYPE:
            for (DWORD d = 0; d < destinations.size(); ++d) {
                if (destinations[d].type != line->dwComponentType) continue;
                Describe(destinations[d], d, 0, line);
                return MMSYSERR_NOERROR;
            }
            return MIXERR_INVALLINE;
        default: return MMSYSERR_NOTSUPPORTED;
    }
}

MMRESULT FakeMixer::GetLineControls(HMIXER mixer, MIXERLINECONTROLSW* request, DWORD flags)
{
    if (!IsOpen(mixer)) return MMSYSERR_INVALHANDLE;
    if (request->cbStruct != sizeof(*request) || request->cbmxctrl != sizeof(MIXERCONTROLW))
        return MMSYSERR_INVALPARAM;
    FakeLine* line = FindLine(request->dwLineID);
    if (!line) return MIXERR_INVALLINE;
    switch (flags & MIXER_GETLINECONTROLSF_QUERYMASK) {
        case MIXER_GETLINECONTROLSF_ALL:
            if (line->failControls) return MMSYSERR_ERROR;
            if (request->cControls != line->controls.size() || line->controls.empty())
                return MMSYSERR_INVALPARAM;
            for (size_t i = 0; i < line->controls.size(); ++i)
                Describe(line->controls[i], &request->pamxctrl[i]);
            return MMSYSERR_NOERROR;
        case MIXER_GETLINECONTROLSF_ONEBYTYPE:
            for (const auto& c : line->controls) {
                if (c.type != request->dwControlType) continue;
                Describe(c, request->pamxctrl);
                return MMSYSERR_NOERROR;
            }
            return MIXERR_INVALCONTROL;
        default: return MMSYSERR_NOTSUPPORTED;
    }
}

MMRESULT FakeMixer::GetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* d, DWORD flags)
{
    if (!IsOpen(mixer)) return MMSYSERR_INVALHANDLE;
    FakeControl* c = FindControl(d->dwControlID);
    if (!c) return MIXERR_INVALCONTROL;
    const size_t n = Entries(*d);
    switch (flags & MIXER_GETCONTROLDETAILSF_QUERYMASK) {
        case MIXER_GETCONTROLDETAILSF_LISTTEXT: {
            if (d->cbDetails != sizeof(MIXERCONTROLDETAILS_LISTTEXTW) || d->cMultipleItems == 0)
                return MMSYSERR_INVALPARAM;
            auto* out = static_cast<MIXERCONTROLDETAILS_LISTTEXTW*>(d->paDetails);
            for (size_t k = 0; k < n; ++k) {
                out[k] = MIXERCONTROLDETAILS_LISTTEXTW{};
                if (k < c->params.size()) out[k].dwParam1 = c->params[k];
                if (k < c->texts.size())
                    ::wcsncpy(out[k].szName, c->texts[k].c_str(), MIXER_LONG_NAME_CHARS - 1);
            }
            return MMSYSERR_NOERROR;
        }
        case MIXER_GETCONTROLDETAILSF_VALUE: {
            if (d->cbDetails != sizeof(DWORD)) return MMSYSERR_INVALPARAM;
            auto* out = static_cast<DWORD*>(d->paDetails);
            for (size_t k = 0; k < n; ++k) out[k] = k < c->values.size() ? c->values[k] : 0;
            return MMSYSERR_NOERROR;
        }
        default: return MMSYSERR_NOTSUPPORTED;
    }
}

MMRESULT FakeMixer::SetControlDetails(HMIXER mixer, MIXERCONTROLDETAILS* d, DWORD flags)
{
    if (!IsOpen(mixer)) return MMSYSERR_INVALHANDLE;
    if ((flags & MIXER_SETCONTROLDETAILSF_QUERYMASK) != MIXER_SETCONTROLDETAILSF_VALUE ||
        d->cbDetails != sizeof(DWORD))
        return MMSYSERR_INVALPARAM;
    FakeControl* c = FindControl(d->dwControlID);
    if (!c) return MIXERR_INVALCONTROL;
    const auto* in = static_cast<const DWORD*>(d->paDetails);
    Write w{d->dwControlID, std::vector<DWORD>(in, in + Entries(*d))};
    for (size_t k = 0; k < w.values.size() && k < c->values.size(); ++k) c->values[k] = w.values[k];
    writes.push_back(std::move(w));
    return MMSYSERR_NOERROR;
}

}  // namespace velto::test

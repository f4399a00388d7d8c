// The recording line: the sound card's own output mix ("Stereo Mix", "What U Hear" and their
// Korean names) found on mixer device 0, made the active recording source, and its volume.
//
// Two ways a card offers that line: a single-select list on the wave-in destination (select
// mode: the line is chosen by selecting its list item), or no such list, in which case the
// playback wave line with its own volume and mute control stands in (mute mode).
//
// User-interface thread only. No mixer handle is held between calls.
#pragma once

#include <windows.h>
#include <mmsystem.h>

#include <string>
#include <vector>

#include "recorder/mixer/MixerApi.h"

namespace velto {

// The names a card gives its output-mix recording item, in search order.
inline constexpr int kRecordingSourceNameCount = 27;
extern const wchar_t* const RecordingSourceNames[kRecordingSourceNameCount];
// Whole-text comparison; ASCII letters ignore case, every other character must be equal.
bool SameSourceName(const wchar_t* a, const wchar_t* b);
bool IsRecordingSourceName(const wchar_t* text);

class CMixerLine {
public:
    static constexpr DWORD kNoVolume = 0xFFFFFFFF;  // no recording line known

    explicit CMixerLine(MixerApi& api = SystemMixer());
    virtual ~CMixerLine() = default;
    CMixerLine(const CMixerLine&) = delete;
    CMixerLine& operator=(const CMixerLine&) = delete;

    // Finds the line. Every caller passes MIXERLINE_COMPONENTTYPE_DST_WAVEIN. A search that
    // finds nothing keeps what an earlier search found.
    void Discover(DWORD requestedType);
    // Select mode: makes the line the selected recording source (the value plays no part).
    // Mute mode: writes the value to the line's mute control.
    void SetState(DWORD value);
    // Writes the volume (not clamped: callers keep to 0..65535).
    void SetVolume(DWORD value);
    // The volume control's current value; kNoVolume when there is none or it cannot be read.
    DWORD ReadVolume();
    // 1-style value of the line's item in the wave-in select list; 0 when it has none.
    DWORD ReadSelectState();

    BOOL selectFlag() const noexcept { return selectFlag_; }
    DWORD state() const noexcept { return state_; }
    const std::wstring& lineName() const noexcept { return lineName_; }
    DWORD requestedType() const noexcept { return requestedType_; }
    DWORD volume() const noexcept { return volume_; }
    bool HasLine() const noexcept { return volume_ != kNoVolume; }

private:
    enum class SourceOutcome { kFound, kStop, kNext };
    struct SelectList;

    void SearchSources(HMIXER mixer, const MIXERLINEW& destination);
    SourceOutcome TestSource(HMIXER mixer, const MIXERLINEW& source);
    void TakeListItem(HMIXER mixer, const MIXERLINEW& destination, const MIXERCONTROLW& list);
    bool FindSelectList(HMIXER mixer, SelectList* list);
    DWORD ReadSelectState(HMIXER mixer);
    void SelectListItem(HMIXER mixer);
    void WriteMute(HMIXER mixer, DWORD value);

    MixerApi& api_;
    BOOL selectFlag_ = FALSE;
    DWORD state_ = 0;
    std::wstring lineName_;
    DWORD requestedType_ = 0;
    DWORD volume_ = kNoVolume;
    MIXERCONTROLW volumeControl_{};
    bool hasVolumeControl_ = false;
};

}  // namespace velto

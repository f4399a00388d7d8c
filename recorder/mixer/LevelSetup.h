// The arithmetic of the automatic level set-up, apart from any window: the volume is raised
// one step a second until the captured tone clips, then backed off; without clipping it stops
// at the ceiling.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velto {

class CLevelSetupSteps {
public:
    static constexpr int kRaiseStep = 1310;
    static constexpr int kCeiling = 32767;
    static constexpr int kBackOff = 1965;
    // A backed-off volume this low would record too quietly: it is replaced by kFloorVolume.
    static constexpr int kFloorLimit = 4000;
    static constexpr int kFloorVolume = 4587;

    // Every set-up starts from 0.
    void Reset() noexcept { volume_ = 0; }

    // The raising step: the next volume to write, or -1 when the ceiling is passed and the
    // set-up ends (the mixer then keeps the last volume written).
    int Raise() noexcept;
    // After clipping: the volume to write, a back-off from the last step, never below the
    // floor nor above the ceiling.
    int BackOff() noexcept;

    int volume() const noexcept { return volume_; }

private:
    int volume_ = 0;
};

// True when a sample of the block is loud enough to count as clipping: |s / 95| > 230 with
// the division truncating, that is |s| >= 21945.
bool BlockClips(const int16_t* samples, size_t count) noexcept;

}  // namespace velto

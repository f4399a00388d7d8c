#include "recorder/mixer/LevelSetup.h"

#include <cstdlib>

namespace velto {

int CLevelSetupSteps::Raise() noexcept
{
    volume_ += kRaiseStep;
    if (volume_ > kCeiling) {
        volume_ = kCeiling;
        return -1;
    }
    return volume_;
}

int CLevelSetupSteps::BackOff() noexcept
{
    volume_ -= kBackOff;
    if (volume_ <= kFloorLimit) volume_ = kFloorVolume;
    if (volume_ > kCeiling) volume_ = kCeiling;
    return volume_;
}

bool BlockClips(const int16_t* samples, size_t count) noexcept
{
    for (size_t i = 0; i < count; ++i)
        if (std::abs(samples[i] / 95) > 230) return true;
    return false;
}

}  // namespace velto

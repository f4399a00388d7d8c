// A tone in the sound card that reaches the capture side in small, steady pieces.
//
// The test machine's sound card is a PulseAudio null sink. It renders at the latency its
// clients ask for, and a player that asks for nothing gets up to two seconds: the capture side
// then receives sound in bursts that far apart, so a recording may wait that long for its
// first block. Tests of many short recordings would spend most of their time waiting; this
// player asks for 20 ms.
#pragma once

#include <string>

namespace velto::test {

class SteadyTone {
public:
    SteadyTone(double frequency, double amplitude, double seconds);
    ~SteadyTone();
    SteadyTone(const SteadyTone&) = delete;
    SteadyTone& operator=(const SteadyTone&) = delete;
    bool ok() const { return started_; }

private:
    std::wstring wavPath_;
    std::string unixPath_;
    bool started_ = false;
};

}  // namespace velto::test

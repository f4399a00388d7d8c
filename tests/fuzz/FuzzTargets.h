// The fuzz targets: each takes any bytes, drives one piece of the program that needs no window
// with them and checks what must hold whatever the input. Built natively with libFuzzer by
// tests/fuzz/run, and into fuzz_regressions_test for the inputs that once broke something.
#pragma once

#include <cstddef>
#include <cstdint>

namespace velto::fuzz {

int SplitAtSeparatorTarget(const uint8_t* data, size_t size);
int UpdateListTarget(const uint8_t* data, size_t size);
int StatusTextTarget(const uint8_t* data, size_t size);
int SampleQueueTarget(const uint8_t* data, size_t size);
int WavHeaderTarget(const uint8_t* data, size_t size);

}  // namespace velto::fuzz

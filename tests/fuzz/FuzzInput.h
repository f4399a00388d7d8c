// Taking typed values off the front of a fuzz input. Whatever runs out reads as zero or empty,
// so every input means something.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace velto::fuzz {

class FuzzInput {
public:
    FuzzInput(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    bool empty() const { return size_ == 0; }
    uint8_t Byte() { return size_ ? (--size_, *data_++) : 0; }
    uint32_t U32()
    {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(Byte()) << (8 * i);
        return v;
    }
    int32_t I32() { return static_cast<int32_t>(U32()); }
    uint64_t U64() { return U32() | static_cast<uint64_t>(U32()) << 32; }
    // Up to `maxUnits` UTF-16 code units, little-endian, as the program's wide strings hold them.
    std::wstring Wide(size_t maxUnits)
    {
        std::wstring s;
        while (s.size() < maxUnits && size_ >= 2) {
            const uint16_t unit = static_cast<uint16_t>(Byte() | Byte() << 8);
            s += static_cast<wchar_t>(unit);
        }
        return s;
    }
    std::wstring RestWide() { return Wide(size_); }
    std::string RestBytes()
    {
        std::string s(reinterpret_cast<const char*>(data_), size_);
        data_ += size_;
        size_ = 0;
        return s;
    }

private:
    const uint8_t* data_;
    size_t size_;
};

}  // namespace velto::fuzz

// What a target holds the code to. Natively a broken property aborts, and the fuzzer reports
// it with the input; in the regression test it fails the test.
#ifdef VELTO_FUZZ_IN_TESTS
#include <gtest/gtest.h>
#define FUZZ_CHECK(condition)                                            \
    do {                                                                 \
        if (!(condition)) ADD_FAILURE() << "does not hold: " #condition; \
    } while (0)
#else
#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "does not hold: %s (%s:%d)\n", #condition, __FILE__, __LINE__); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)
#endif

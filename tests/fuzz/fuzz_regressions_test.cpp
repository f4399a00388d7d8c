// Every input that once broke a fuzz target, replayed on each test run through the same
// targets, here built for Windows against the real platform and run-time. tests/fuzz/run
// prints the row to add when it finds a new one.
#include <gtest/gtest.h>

#include <string>

#include "tests/fuzz/FuzzTargets.h"

namespace velto::fuzz {
namespace {

struct Regression {
    const char* target;
    const char* what;
    std::string input;
};

const Regression kRegressions[] = {
    {"status_text", "WAV row 82429 read far past the preset table",
     std::string("\x83\x00\x00\x00\x00\xfd\x41\x01", 8)},
    {"status_text", "MP3 row -188 read before the preset table",
     std::string("\x01\x01\x00\x00\x00\x44\xff\xff\xff\xff\xff\xff\xff", 13)},
    {"wav_header", "a data chunk without one whole frame was taken for sound (it never ended)",
     std::string("\x52\x49\x46\x46\x28\x00\x00\x00\x57\x41\x56\x45\x66\x6d\x74\x20"
                 "\x10\x00\x00\x00\x01\x00\x02\x00\x44\xac\x00\x00\x10\xb1\x02\x00"
                 "\x04\x00\x10\x00\x64\x61\x74\x61\x04\x00\x00\x00\x01\x02",
                 46)},
};

int RunTarget(const std::string& target, const std::string& input)
{
    const auto* data = reinterpret_cast<const uint8_t*>(input.data());
    if (target == "split") return SplitAtSeparatorTarget(data, input.size());
    if (target == "update_list") return UpdateListTarget(data, input.size());
    if (target == "status_text") return StatusTextTarget(data, input.size());
    if (target == "sample_queue") return SampleQueueTarget(data, input.size());
    if (target == "wav_header") return WavHeaderTarget(data, input.size());
    ADD_FAILURE() << "no fuzz target " << target;
    return -1;
}

TEST(FuzzRegressions, InputsThatOnceFailedPass)
{
    for (const Regression& r : kRegressions) {
        SCOPED_TRACE(std::string(r.target) + ": " + r.what);
        EXPECT_EQ(0, RunTarget(r.target, r.input));
    }
}

// The targets themselves work on the real platform: a few ordinary inputs each.
TEST(FuzzRegressions, TargetsRunOnOrdinaryInputs)
{
    const std::string sha(64, 'a');
    const Regression ordinary[] = {
        {"split", "the Updater's parameters",
         std::string("\x02$\0$\0a\0$\0$\0$\0"
                     "3\0",
                     15)},
        {"update_list", "a list", "version 1.03\nfile " + sha + " a.txt Plugins/a.txt\n"},
        {"update_list", "nothing", ""},
        {"update_list", "a signed list",
         "version 1.03\nsignature 0123456789ABCDEF " + std::string(128, 'f') + "\n"},
        {"status_text", "an MP3 recording",
         std::string("\x00\x01\x00\x00\x00\x03\x00\x00\x00\x00", 10) + std::string(8, '\0') +
             std::string("c\0:\0\\\0%\0s\0", 10)},
        {"wav_header", "a stereo WAV",
         std::string("\x52\x49\x46\x46\x2c\x00\x00\x00\x57\x41\x56\x45\x66\x6d\x74\x20"
                     "\x10\x00\x00\x00\x01\x00\x02\x00\x44\xac\x00\x00\x10\xb1\x02\x00"
                     "\x04\x00\x10\x00\x64\x61\x74\x61\x08\x00\x00\x00\x00\x00\x00\x00"
                     "\x00\x00\x00\x00",
                     52)},
        {"wav_header", "nothing", ""},
        {"sample_queue", "store, fetch, close",
         std::string("\x00\x01\x05\x00\x00\x00\x01\x40\x02\x00\x00\x03\x05\x00\x00\x00\x06", 17)},
    };
    for (const Regression& r : ordinary) {
        SCOPED_TRACE(std::string(r.target) + ": " + r.what);
        EXPECT_EQ(0, RunTarget(r.target, r.input));
    }
}

}  // namespace
}  // namespace velto::fuzz

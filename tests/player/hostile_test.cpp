// Hostile input to the player. Plug-in folders with broken plug-ins (test doubles: the real
// plug-ins cannot break the contract) beside the real ones, and damaged sound files played
// through Ravelplay.dll and the real plug-ins. Nothing may crash, read what is not there or
// hang: a broken plug-in is skipped or its texts are cut to the record's fields, and a damaged
// file either fails to play or plays what it holds and then ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "player/PlayerEngine.h"
#include "recorder/ui/PlayerLibrary.h"
#include "tests/player/PlayerTestSupport.h"
#include "tests/support/Tone.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr int kRate = 44100;
// Time for a play of `ms` to be heard and its end noticed on a busy machine: the engine looks
// once a second, and a play that is never heard ends after a few silent ticks.
DWORD EndWithin(int ms)
{
    return static_cast<DWORD>(ms) + 20000;
}

std::wstring RealPlugin(const std::wstring& name)
{
    return ProgramFolder() + L"Plugins\\" + name;
}

bool WriteBytes(const std::wstring& path, const std::string& bytes)
{
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = bytes.empty() || (::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()),
                                                  &written, nullptr) &&
                                      written == bytes.size());
    ::CloseHandle(f);
    return ok;
}

std::string ReadBytes(const std::wstring& path)
{
    std::string bytes;
    HANDLE f = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    ::CloseHandle(f);
    return bytes;
}

// The same bytes on every run.
std::string RandomBytes(size_t n, uint32_t seed)
{
    std::string bytes(n, '\0');
    for (char& b : bytes) {
        seed = seed * 1664525u + 1013904223u;
        b = static_cast<char>(seed >> 24);
    }
    return bytes;
}

void Put32(std::string& bytes, size_t at, uint32_t v)
{
    std::memcpy(&bytes[at], &v, 4);
}

void Put16(std::string& bytes, size_t at, uint16_t v)
{
    std::memcpy(&bytes[at], &v, 2);
}

// A 16-bit stereo WAV of a 440 Hz tone as its bytes: RIFF header (12), "fmt " chunk at 12
// (body at 20: tag, channels at 22, rate at 24, bytes a second at 28, block align at 32, bits
// at 34), "data" chunk at 36 (its size at 40, samples from 44).
std::string ToneWav(double seconds)
{
    const std::vector<int16_t> samples = MakeSine(kRate, 2, 440.0, 0.5, seconds);
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    std::string b(44, '\0');
    std::memcpy(&b[0], "RIFF", 4);
    Put32(b, 4, 36 + dataBytes);
    std::memcpy(&b[8], "WAVEfmt ", 8);
    Put32(b, 16, 16);
    Put16(b, 20, 1);
    Put16(b, 22, 2);
    Put32(b, 24, kRate);
    Put32(b, 28, kRate * 4);
    Put16(b, 32, 4);
    Put16(b, 34, 16);
    std::memcpy(&b[36], "data", 4);
    Put32(b, 40, dataBytes);
    b.append(reinterpret_cast<const char*>(samples.data()), dataBytes);
    return b;
}

std::string Quote(const std::string& unixPath)
{
    return "'" + unixPath + "'";
}

// An MP3 of the tone made by Linux's ffmpeg with LAME, without an ID3 tag or an info frame:
// the file is MPEG frames from its first byte. Empty when it could not be made.
// `extra`: more ffmpeg output options, such as another rate or channel count.
std::string ToneMp3(const std::wstring& folder, double seconds, const std::string& extra = "")
{
    const std::wstring wav = folder + L"\\mp3-source.wav";
    const std::wstring mp3 = folder + L"\\mp3-made.mp3";
    if (!WriteBytes(wav, ToneWav(seconds))) return {};
    if (!RunUnixShell("ffmpeg -loglevel error -y -i " + Quote(UnixPath(wav)) +
                          " -c:a libmp3lame -b:a 128k -write_xing 0 -id3v2_version 0 " + extra +
                          " " + Quote(UnixPath(mp3)),
                      60000))
        return {};
    return ReadBytes(mp3);
}

// ---- broken plug-ins beside the real ones ----

struct PluginCase {
    const wchar_t* name;
    const wchar_t* source;  // a fixture, a real plug-in (under Plugins), or null: garbage bytes
    bool real;
    bool kept;
    std::string extension;  // what the record must hold when kept; empty: not checked
};

const PluginCase kInputs[] = {
    {L"in_wav.dll", L"in_wav.dll", true, true, "wav"},
    {L"in_mp3.dll", L"in_mp3.dll", true, true, ""},
    {L"in_noentry.dll", L"noentry_fixture.dll", false, false, ""},
    {L"in_nullrecord.dll", L"in_hostile.dll", false, false, ""},
    {L"in_wrongversion.dll", L"in_hostile.dll", false, false, ""},
    {L"in_unterminated.dll", L"in_hostile.dll", false, true, std::string(99, 'q')},
    {L"in_edge.dll", L"in_hostile.dll", false, true, std::string(50, 'e')},
    {L"in_longtext.dll", L"in_hostile.dll", false, true, std::string(99, 'q')},
    {L"in_x.dll", nullptr, false, false, ""},
    {L"in_empty.dll", L"", false, false, ""},
};

const PluginCase kOutputs[] = {
    {L"out_wave.dll", L"out_wave.dll", true, true, ""},
    {L"out_noentry.dll", L"in_hostile.dll", false, false, ""},  // only the input entry
    {L"out_x.dll", nullptr, false, false, ""},
};

void Fill(PluginFolder& folder, const PluginCase& c)
{
    const std::wstring to = folder.path() + L"\\" + c.name;
    if (!c.source) {
        ASSERT_TRUE(WriteBytes(to, RandomBytes(3000, 7)));
    } else if (!*c.source) {
        ASSERT_TRUE(WriteBytes(to, ""));
    } else {
        const std::wstring from = c.real ? RealPlugin(c.source) : FixturePath(c.source);
        ASSERT_TRUE(::CopyFileW(from.c_str(), to.c_str(), FALSE))
            << "missing: " << WideToUtf8(from);
    }
}

template <size_t N>
void ExpectRecords(PlayerEngine& engine, bool output, const PluginCase (&cases)[N])
{
    size_t kept = 0;
    for (const PluginCase& c : cases) kept += c.kept ? 1 : 0;
    std::vector<std::string> seen;
    for (int i = 0;; ++i) {
        const PluginRecord* r = output ? engine.OutputRecord(i) : engine.InputRecord(i);
        if (!r) break;
        // Both texts end inside their fields.
        ASSERT_LT(strnlen(r->fileName, sizeof r->fileName), sizeof r->fileName);
        ASSERT_LT(strnlen(r->extension, sizeof r->extension), sizeof r->extension);
        seen.push_back(r->fileName);
        for (const PluginCase& c : cases) {
            const std::wstring wide(r->fileName, r->fileName + std::strlen(r->fileName));
            if (wide != c.name) continue;
            SCOPED_TRACE(r->fileName);
            EXPECT_TRUE(c.kept) << "a broken plug-in was kept";
            if (!c.extension.empty()) {
                EXPECT_EQ(std::string(r->extension), c.extension);
            }
            EXPECT_NE(r->module, nullptr);
            EXPECT_NE(output ? static_cast<void*>(r->out) : static_cast<void*>(r->in), nullptr);
        }
    }
    EXPECT_EQ(seen.size(), kept);
}

// Plays a file through the engine and waits for the end-of-play message.
void ExpectPlaysToTheEnd(PlayerEngine& engine, MessageWindow& window, const std::wstring& file,
                         int ms)
{
    SCOPED_TRACE(std::string(file.begin(), file.end()));
    window.Take(WM_RAVELPLAY_END);
    const std::string path = PlayerLibrary::LibraryPath(file);
    ASSERT_EQ(engine.Play(path.c_str(), 255, 0), 1);
    EXPECT_EQ(engine.GetCurrentState(), PlayState::Playing);
    EXPECT_NEAR(engine.GetCurrentTotalTime(), ms, 100);
    int heard = 0;
    const DWORD start = ::GetTickCount();
    bool ended = false;
    while (!ended && ::GetTickCount() - start < EndWithin(ms)) {
        ended = window.WaitFor(WM_RAVELPLAY_END, 50);
        if (!ended) heard = std::max(heard, engine.GetOutputTime());
    }
    EXPECT_TRUE(ended) << "no end-of-play message";
    EXPECT_GT(heard, 0) << "the output time never moved";
    EXPECT_EQ(engine.GetCurrentState(), PlayState::Stopped);
}

TEST(HostilePlugins, BrokenPluginsAreSkippedOrCutAndTheRealOnesStillPlay)
{
    PluginFolder folder;
    for (const PluginCase& c : kInputs) ASSERT_NO_FATAL_FAILURE(Fill(folder, c));
    for (const PluginCase& c : kOutputs) ASSERT_NO_FATAL_FAILURE(Fill(folder, c));
    const std::wstring wav = folder.path() + L"\\tone.wav";
    ASSERT_TRUE(WriteBytes(wav, ToneWav(2.0)));
    const std::wstring mp3 = folder.path() + L"\\tone.mp3";
    const std::string mp3Bytes = ToneMp3(folder.path(), 2.0);
    ASSERT_FALSE(mp3Bytes.empty());
    ASSERT_TRUE(WriteBytes(mp3, mp3Bytes));

    MessageWindow window;
    PlayerEngine engine;
    const std::string ansi = folder.ansi();
    EXPECT_EQ(engine.InitInputPlugins(window.hwnd(), ansi.c_str()), 5);
    EXPECT_EQ(engine.InitOutputPlugins(window.hwnd(), ansi.c_str()), 1);
    ExpectRecords(engine, false, kInputs);
    ExpectRecords(engine, true, kOutputs);

    engine.SetCurrentOutPlugin("out_wave.dll");
    ExpectPlaysToTheEnd(engine, window, wav, 2000);
    ExpectPlaysToTheEnd(engine, window, mp3, 2000);
    // A file only a broken plug-in claims: the plug-in is asked and says no.
    const std::wstring xyz = folder.path() + L"\\song.xyz";
    ASSERT_TRUE(WriteBytes(xyz, "xyz"));
    EXPECT_EQ(engine.Play(PlayerLibrary::LibraryPath(xyz).c_str(), 255, 0), 0);
    EXPECT_EQ(engine.GetCurrentState(), PlayState::Stopped);
}

// ---- damaged files through Ravelplay.dll and the real plug-ins ----

enum class Outcome {
    Fails,  // Play reports 0
    Ends,   // plays what the file holds, then the end-of-play message arrives
    Either,
};

// Good files of the tone, 2 s each, to damage.
struct Sources {
    std::string wav;      // 44.1 kHz stereo
    std::string mp3;      // 44.1 kHz stereo
    std::string monoMp3;  // 22.05 kHz mono
};

struct FileCase {
    const char* name;
    const wchar_t* fileName;
    Outcome outcome;
    std::string (*make)(const Sources& good);
};

std::string TruncatedMp3(const Sources& good)
{
    const std::string& mp3 = good.mp3;
    // Past the first second, in the middle of a frame (frames of 417 or 418 bytes at 128k).
    return mp3.substr(0, mp3.size() * 2 / 3 + 200);
}
std::string Mp3FrameHeaderOnly(const Sources& good)
{
    return good.mp3.substr(0, 4);
}
std::string Mp3FirstFrameCut(const Sources& good)
{
    return good.mp3.substr(0, 300);
}
std::string EmptyFile(const Sources&)
{
    return {};
}
std::string WavHeaderOnly(const Sources& good)
{
    return good.wav.substr(0, 44);
}
std::string WavDataBeyondTheFile(const Sources& good)
{
    std::string b = good.wav;
    Put32(b, 40, 0x7FFFFFF0);
    Put32(b, 4, 0x7FFFFFF0);
    return b;
}
std::string WavNoChannels(const Sources& good)
{
    std::string b = good.wav;
    Put16(b, 22, 0);
    return b;
}
std::string WavNoSampleRate(const Sources& good)
{
    std::string b = good.wav;
    Put32(b, 24, 0);
    Put32(b, 28, 0);
    return b;
}
std::string WavHugeBlockAlign(const Sources& good)
{
    std::string b = good.wav;
    Put16(b, 32, 0xFFFF);
    Put32(b, 28, 0xFFFFFFFF);
    return b;
}
std::string WavFormatChunkOverflows(const Sources& good)
{
    std::string b = good.wav;
    Put32(b, 16, 0xFFFFFFFF);
    return b;
}
// A chunk before the format whose size runs the offset past 4 GiB.
std::string WavChunkSizeOverflows(const Sources& good)
{
    std::string list = std::string("LIST") + std::string(4, '\0');
    Put32(list, 4, 0xFFFFFFFE);
    std::string b = good.wav;
    b.insert(12, list);
    return b;
}
std::string WavDataSizeOverflows(const Sources& good)
{
    std::string b = good.wav;
    Put32(b, 40, 0xFFFFFFFF);
    return b;
}
// Ten frames: a quarter of a millisecond, too little to move the output time.
std::string WavTenFrames(const Sources& good)
{
    std::string b = good.wav.substr(0, 44 + 40);
    Put32(b, 40, 40);
    Put32(b, 4, 36 + 40);
    return b;
}
// A stream that changes its channels and rate from one frame to the next.
std::string Mp3StereoThenMono(const Sources& good)
{
    return good.mp3 + good.monoMp3;
}
std::string Mp3MonoThenStereo(const Sources& good)
{
    return good.monoMp3 + good.mp3;
}
std::string RandomWma(const Sources&)
{
    return RandomBytes(64 * 1024, 11);
}
std::string RandomMp3(const Sources&)
{
    return RandomBytes(64 * 1024, 12);
}

const FileCase kFiles[] = {
    {"TruncatedMp3MidFrame", L"cut.mp3", Outcome::Ends, TruncatedMp3},
    {"Mp3FrameHeaderOnly", L"header.mp3", Outcome::Fails, Mp3FrameHeaderOnly},
    {"Mp3FirstFrameCut", L"first.mp3", Outcome::Fails, Mp3FirstFrameCut},
    {"ZeroLengthWav", L"empty.wav", Outcome::Fails, EmptyFile},
    {"WavHeaderOnly", L"header.wav", Outcome::Fails, WavHeaderOnly},
    {"WavDataSizeFarBeyondTheFile", L"beyond.wav", Outcome::Ends, WavDataBeyondTheFile},
    {"WavNoChannels", L"nochannels.wav", Outcome::Fails, WavNoChannels},
    {"WavNoSampleRate", L"norate.wav", Outcome::Fails, WavNoSampleRate},
    {"WavHugeBlockAlign", L"blockalign.wav", Outcome::Ends, WavHugeBlockAlign},
    {"WavFormatChunkSizeOverflows", L"fmtsize.wav", Outcome::Fails, WavFormatChunkOverflows},
    {"WavChunkSizeOverflows", L"listsize.wav", Outcome::Fails, WavChunkSizeOverflows},
    {"WavDataSizeOverflows", L"datasize.wav", Outcome::Ends, WavDataSizeOverflows},
    {"WavTenFrames", L"tiny.wav", Outcome::Ends, WavTenFrames},
    {"Mp3StereoThenMono", L"stereomono.mp3", Outcome::Ends, Mp3StereoThenMono},
    {"Mp3MonoThenStereo", L"monostereo.mp3", Outcome::Ends, Mp3MonoThenStereo},
    {"RandomBytesAsWma", L"noise.wma", Outcome::Either, RandomWma},
    {"RandomBytesAsMp3", L"noise.mp3", Outcome::Either, RandomMp3},
};

class HostileFiles : public ::testing::TestWithParam<FileCase> {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new PluginFolder;
        good_.wav = ToneWav(2.0);
        good_.mp3 = ToneMp3(folder_->path(), 2.0);
        good_.monoMp3 = ToneMp3(folder_->path(), 2.0, "-ac 1 -ar 22050");
    }
    static void TearDownTestSuite()
    {
        delete folder_;
        folder_ = nullptr;
    }
    static PluginFolder* folder_;
    static Sources good_;
};

PluginFolder* HostileFiles::folder_ = nullptr;
Sources HostileFiles::good_;

TEST_P(HostileFiles, FailOrPlayAndEndAndThePlayerStillPlays)
{
    const FileCase& c = GetParam();
    ASSERT_FALSE(good_.mp3.empty() || good_.monoMp3.empty()) << "no MP3 to damage";
    PluginFolder work;
    const std::wstring file = work.path() + L"\\" + c.fileName;
    ASSERT_TRUE(WriteBytes(file, c.make(good_)));
    const std::wstring good = work.path() + L"\\good.wav";
    ASSERT_TRUE(WriteBytes(good, ToneWav(1.0)));

    MessageWindow window;
    PlayerLibrary player;
    ASSERT_TRUE(player.Open(window.hwnd()));
    using PlayFn = char(__cdecl*)(const char*, int, int);
    auto play = reinterpret_cast<PlayFn>(::GetProcAddress(player.module(), "Play"));
    ASSERT_NE(play, nullptr);

    const char started = play(PlayerLibrary::LibraryPath(file).c_str(), 100, 0);
    std::printf("[ %s: %s ]\n", c.name, started ? "played" : "not played");
    if (c.outcome != Outcome::Either) {
        EXPECT_EQ(started, c.outcome == Outcome::Ends ? 1 : 0);
    }
    if (started) {
        EXPECT_TRUE(window.WaitFor(WM_RAVELPLAY_END, EndWithin(2000))) << "the play never ended";
    }
    EXPECT_EQ(player.GetCurrentState(), static_cast<int>(PlayState::Stopped));

    // Still healthy: a good file plays and ends.
    window.Take(WM_RAVELPLAY_END);
    ASSERT_EQ(play(PlayerLibrary::LibraryPath(good).c_str(), 100, 0), 1);
    int heard = 0;
    const DWORD start = ::GetTickCount();
    bool ended = false;
    while (!ended && ::GetTickCount() - start < EndWithin(1000)) {
        ended = window.WaitFor(WM_RAVELPLAY_END, 50);
        if (!ended) heard = std::max(heard, player.GetOutputTime());
    }
    EXPECT_TRUE(ended) << "the good file did not play to its end";
    EXPECT_GT(heard, 0);
    EXPECT_EQ(player.Unload(), 1);
}

INSTANTIATE_TEST_SUITE_P(Player, HostileFiles, ::testing::ValuesIn(kFiles),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace

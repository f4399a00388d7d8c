// Our lame_enc.dll, called as the recorder calls it, without a sound card: every MP3 row comes
// out as CBR Layer III frames at the row's rate, with LAME's tag written by beWriteVBRHeader
// into the closed file, and what it must refuse, it refuses.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "common/ProgramFolder.h"
#include "common/Text.h"
#include "common/win/Handles.h"
#include "recorder/recording/LameBinding.h"
#include "recorder/recording/Presets.h"
#include "tests/mp3/Mp3Frames.h"
#include "tests/support/Tone.h"

using namespace velto;
using namespace velto::test;

namespace {

std::vector<unsigned char> ReadAll(const std::wstring& path)
{
    std::ifstream in(path.c_str(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class LameEncTest : public testing::Test {
protected:
    void SetUp() override
    {
        module_.reset(LoadOutsideLibrary(L"lame_enc.dll"));
        ASSERT_TRUE(module_) << "lame_enc.dll is not beside the test";
        ASSERT_TRUE(lame_.Load(module_.get()));
        wchar_t temp[MAX_PATH];
        ::GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"velto 인코더 " + std::to_wstring(::GetCurrentProcessId()) +
                  L"\\";
        ::CreateDirectoryW(folder_.c_str(), nullptr);
    }
    void TearDown() override
    {
        for (const auto& f : files_) ::DeleteFileW(f.c_str());
        ::RemoveDirectoryW(folder_.c_str());
    }

    // Encodes `pcm` in 8192-sample calls with 16384-byte output blocks into `path`, as the
    // recorder does, and returns the stream's results so far.
    void EncodeFile(const lame::Config& config, const std::vector<int16_t>& pcm,
                    const std::wstring& path)
    {
        files_.push_back(path);
        lame::Config c = config;
        DWORD samples = 0, bufferBytes = 0;
        lame::HBE_STREAM stream = nullptr;
        ASSERT_EQ(lame_.beInitStream(&c, &samples, &bufferBytes, &stream), 0u);
        EXPECT_GE(bufferBytes, 16384u);
        FILE* f = _wfopen(path.c_str(), L"wb+");
        ASSERT_NE(f, nullptr);
        std::vector<int16_t> block(8192);
        std::vector<BYTE> out(16384);
        for (size_t at = 0; at < pcm.size(); at += block.size()) {
            const size_t n = std::min(block.size(), pcm.size() - at);
            std::copy(pcm.begin() + at, pcm.begin() + at + n, block.begin());
            DWORD bytes = 0;
            ASSERT_EQ(lame_.beEncodeChunk(stream, static_cast<DWORD>(n), block.data(), out.data(),
                                          &bytes),
                      0u);
            ASSERT_LE(bytes, out.size());
            std::fwrite(out.data(), 1, bytes, f);
        }
        DWORD bytes = 0;
        ASSERT_EQ(lame_.beDeinitStream(stream, out.data(), &bytes), 0u);
        std::fwrite(out.data(), 1, bytes, f);
        EXPECT_EQ(lame_.beCloseStream(stream), 0u);
        ASSERT_EQ(std::fclose(f), 0);
    }

    UniqueModule module_;
    lame::EntryPoints lame_;
    std::wstring folder_;
    std::vector<std::wstring> files_;
};

TEST_F(LameEncTest, EveryMp3RowGivesCbrLayerThreeFramesWithTheLameTag)
{
    for (int row = 0; row < QualityRowCount(kRecordMp3); ++row) {
        SCOPED_TRACE(row);
        const int rate = PresetSampleRate(kRecordMp3, row);
        const int kbps = PresetBitRate(kRecordMp3, row);
        // 1.3 s: the last call is a partial block, as when the auto-stop limit cuts one.
        const auto pcm = MakeSine(rate, 2, 1000.0, 12000.0, 1.3);
        const std::wstring path = folder_ + L"줄 " + std::to_wstring(row) + L".mp3";
        EncodeFile(lame::MakeConfig(rate, kbps), pcm, path);
        if (HasFatalFailure()) return;
        // The header call finds the closed file by its UTF-8 path, Korean folder and all.
        EXPECT_EQ(lame_.beWriteVBRHeader(WideToUtf8(path).c_str()), 0u);

        const auto file = ReadAll(path);
        const auto frames = Mp3Frames(file);
        ASSERT_FALSE(frames.empty()) << "not a sequence of MPEG audio frames";
        const int version = rate >= 32000 ? 10 : rate >= 16000 ? 20 : 25;
        int samples = 0;
        for (const Mp3Frame& f : frames) {
            ASSERT_EQ(f.version, version);
            ASSERT_EQ(f.layer, 3);
            ASSERT_EQ(f.sampleRate, rate);
            ASSERT_EQ(f.bitRateKbps, kbps);
            ASSERT_EQ(f.channels, 2);
            samples += f.samples;
        }
        EXPECT_TRUE(HasLameTag(file, frames[0].bytes));
        // Everything given came out: the tag frame, then at least the audio's length.
        EXPECT_GE(samples - frames[0].samples, static_cast<int>(pcm.size() / 2));
    }
}

TEST_F(LameEncTest, HeaderPathsAreUtf8OrTheAnsiCodePage)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring tag = std::to_wstring(::GetCurrentProcessId());
    struct Case {
        const char* name;
        std::wstring path;
        std::string (*encode)(const std::wstring&);
    } cases[] = {
        {"UTF-8, Korean", folder_ + L"한글 이름.mp3", &WideToUtf8},
        // "é" is a single byte in code page 1252 and not valid UTF-8 on its own.
        {"ANSI, Latin", std::wstring(temp) + L"velto caf\u00e9 " + tag + L".mp3", &WideToAnsi},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::wstring& path = c.path;
        EncodeFile(lame::MakeConfig(44100, 128), MakeSine(44100, 2, 440.0, 8000.0, 0.5), path);
        if (HasFatalFailure()) return;
        EXPECT_EQ(lame_.beWriteVBRHeader(c.encode(path).c_str()), 0u);
        const auto file = ReadAll(path);
        const auto frames = Mp3Frames(file);
        ASSERT_FALSE(frames.empty());
        EXPECT_TRUE(HasLameTag(file, frames[0].bytes));
    }
}

TEST_F(LameEncTest, RefusesWhatItCannotEncode)
{
    struct Case {
        const char* name;
        void (*change)(lame::Config&);
        lame::BE_ERR result;
    } cases[] = {
        {"BladeEnc's own record kind", [](lame::Config& c) { c.kind = 0; }, 1},
        {"an unknown channel mode", [](lame::Config& c) { c.mode = 9; }, 2},
        {"a record too short for its fields", [](lame::Config& c) { c.size = 20; }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        lame::Config config = lame::MakeConfig(44100, 128);
        c.change(config);
        DWORD samples = 0, bufferBytes = 0;
        lame::HBE_STREAM stream = reinterpret_cast<lame::HBE_STREAM>(1);
        EXPECT_EQ(lame_.beInitStream(&config, &samples, &bufferBytes, &stream), c.result);
        EXPECT_EQ(stream, nullptr);
    }

    // A closed stream's handle is refused, not used.
    lame::Config config = lame::MakeConfig(44100, 128);
    DWORD samples = 0, bufferBytes = 0;
    lame::HBE_STREAM stream = nullptr;
    ASSERT_EQ(lame_.beInitStream(&config, &samples, &bufferBytes, &stream), 0u);
    ASSERT_EQ(lame_.beCloseStream(stream), 0u);
    std::vector<int16_t> pcm(8192);
    std::vector<BYTE> out(16384);
    DWORD bytes = 99;
    EXPECT_EQ(lame_.beEncodeChunk(stream, 8192, pcm.data(), out.data(), &bytes), 4u);
    EXPECT_EQ(bytes, 0u);
    EXPECT_EQ(lame_.beCloseStream(stream), 4u);
    // A file that is not there gets no header, and says so.
    EXPECT_NE(lame_.beWriteVBRHeader(WideToUtf8(folder_ + L"없음.mp3").c_str()), 0u);
}

}  // namespace

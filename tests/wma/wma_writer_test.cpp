// WmAudSDK.dll driven directly, as a caller of its method table: what it produces for the
// formats asked of it (checked with the Linux ffprobe and ffmpeg), what it refuses, and how it
// treats the file on the paths a recording can take.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "common/ProgramFolder.h"
#include "common/win/Handles.h"
#include "outside/wmaudsdk/WmAudioWriter.h"
#include "recorder/recording/Presets.h"
#include "tests/support/FileBytes.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Tone.h"
#include "tests/wma/WmaProbe.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr double kTone = 1000.0;
constexpr double kAmplitude = 12000.0;
constexpr double kPi = 3.14159265358979323846;

class WmaWriterTest : public testing::Test {
protected:
    void SetUp() override
    {
        module_.reset(LoadOutsideLibrary(kWmaWriterDll));
        ASSERT_TRUE(module_) << "WmAudSDK.dll beside the test";
        create_ = reinterpret_cast<WMAudioCreateWriterFn>(
            ::GetProcAddress(module_.get(), kCreateWriterExport));
        ASSERT_NE(create_, nullptr);
    }

    ComPtr<IWmaAudioWriter> Create(const std::wstring& path)
    {
        ComPtr<IWmaAudioWriter> writer;
        EXPECT_EQ(create_(path.c_str(), writer.put()), S_OK);
        return writer;
    }

    // Feeds PCM in pieces that do not respect sample boundaries, as no caller should rely on.
    static void AppendInOddPieces(IWmaAudioWriter* writer, const std::vector<int16_t>& samples)
    {
        const auto* bytes = reinterpret_cast<const BYTE*>(samples.data());
        const size_t total = samples.size() * 2;
        for (size_t at = 0; at < total;) {
            const DWORD n = static_cast<DWORD>(std::min<size_t>(10001, total - at));
            ASSERT_EQ(writer->AppendPcm(bytes + at, n), S_OK);
            at += n;
        }
    }

    UniqueModule module_;
    WMAudioCreateWriterFn create_ = nullptr;
    TempFolder temp_{L"wma-writer"};
    const std::wstring& folder_ = temp_.path();
};

struct FormatCase {
    const char* name;
    int inputRate;
    int inputChannels;
    DWORD bitRate;
    DWORD outputRate;
    DWORD outputChannels;
    bool produced;
    long probedBitRate;  // what the file declares
};

const FormatCase kFormats[] = {
    {"row 0 raised to the floor", 8000, 2, 6440, 8000, 2, true, 24000},
    {"rows 1 and 2 raised to the floor", 22050, 2, 20008, 22050, 2, true, 24000},
    {"row 7", 44100, 2, 128016, 44100, 2, true, 128016},
    {"resampled from 44100 to 22050", 44100, 2, 32000, 22050, 2, true, 32000},
    {"mono input", 32000, 1, 48000, 32000, 2, true, 48000},
    {"mixed down to mono", 44100, 2, 64024, 44100, 1, true, 64024},
    {"above 48 kHz", 96000, 2, 128000, 96000, 2, false, 0},
    {"three channels", 44100, 2, 64000, 44100, 3, false, 0},
    {"no channels", 44100, 2, 64000, 44100, 0, false, 0},
    {"no bit rate", 44100, 2, 0, 44100, 2, false, 0},
};

TEST_F(WmaWriterTest, ProducesWhatIsAskedOrRefusesIt)
{
    constexpr double kSeconds = 2.0;
    int index = 0;
    for (const FormatCase& c : kFormats) {
        SCOPED_TRACE(c.name);
        const std::wstring path = folder_ + L"format-" + std::to_wstring(index++) + L".wma";
        ComPtr<IWmaAudioWriter> writer = Create(path);
        ASSERT_TRUE(writer);
        const WAVEFORMATEX input = MakePcmFormat(c.inputChannels, c.inputRate);
        ASSERT_EQ(writer->SetInputFormat(&input), S_OK);
        const HRESULT hr = writer->SetOutputFormat(c.bitRate, c.outputRate, c.outputChannels, 0);
        if (!c.produced) {
            EXPECT_TRUE(FAILED(hr));
            writer.reset();
            EXPECT_FALSE(FileExists(path)) << "a refused writer leaves no file behind";
            continue;
        }
        ASSERT_EQ(hr, S_OK);
        AppendInOddPieces(writer.get(),
                          MakeSine(c.inputRate, c.inputChannels, kTone, kAmplitude, kSeconds));
        ASSERT_EQ(writer->Finish(), S_OK);
        writer.reset();

        const ProbedAudio probed = ProbeAudio(path);
        ASSERT_TRUE(probed.ok);
        EXPECT_EQ(probed.codec, "wmav2");
        EXPECT_EQ(probed.channels, static_cast<int>(c.outputChannels));
        EXPECT_EQ(probed.sampleRate, static_cast<int>(c.outputRate));
        EXPECT_NEAR(probed.bitRate, c.probedBitRate, c.probedBitRate * 0.02);
        // The last frame is padded: at most one frame (2048 samples) longer.
        EXPECT_GE(probed.duration, kSeconds - 0.01);
        EXPECT_LE(probed.duration, kSeconds + 2048.0 / c.outputRate + 0.01);

        const std::vector<int16_t> decoded = DecodeAudio(path);
        for (int ch = 0; ch < static_cast<int>(c.outputChannels); ++ch) {
            const ToneCheck tone =
                MeasureTone(decoded, static_cast<int>(c.outputChannels), ch, c.outputRate, 0.2);
            EXPECT_NEAR(tone.frequency, kTone, kTone * 0.01) << "channel " << ch;
            EXPECT_NEAR(tone.level, kAmplitude * 2 / kPi, kAmplitude * 0.25) << "channel " << ch;
        }
    }
}

// The recorder knows the writer only as numbered method-table entries; this pins the numbers.
TEST_F(WmaWriterTest, AnswersThroughTheNumberedEntries)
{
    using Entry0 = HRESULT(STDMETHODCALLTYPE*)(void*, REFIID, void**);
    using NoArgs = HRESULT(STDMETHODCALLTYPE*)(void*);
    using Release2 = ULONG(STDMETHODCALLTYPE*)(void*);
    using Input4 = HRESULT(STDMETHODCALLTYPE*)(void*, const WAVEFORMATEX*);
    using Output5 = HRESULT(STDMETHODCALLTYPE*)(void*, DWORD, DWORD, DWORD, DWORD);
    using Append7 = HRESULT(STDMETHODCALLTYPE*)(void*, const BYTE*, DWORD);

    const std::wstring path = folder_ + L"entries.wma";
    void* writer = nullptr;
    ASSERT_EQ(create_(path.c_str(), reinterpret_cast<IWmaAudioWriter**>(&writer)), S_OK);
    void** table = *static_cast<void***>(writer);

    void* unknown = nullptr;
    EXPECT_EQ(reinterpret_cast<Entry0>(table[0])(writer, IID_IUnknown, &unknown), S_OK);
    EXPECT_EQ(unknown, writer);
    EXPECT_EQ(reinterpret_cast<Release2>(table[2])(writer), 1u);
    EXPECT_EQ(reinterpret_cast<NoArgs>(table[3])(writer), E_NOTIMPL);
    EXPECT_EQ(reinterpret_cast<NoArgs>(table[6])(writer), E_NOTIMPL);

    std::vector<int16_t> pcm = MakeSine(44100, 2, kTone, kAmplitude, 1.0);
    const auto* bytes = reinterpret_cast<const BYTE*>(pcm.data());
    const DWORD size = static_cast<DWORD>(pcm.size() * 2);
    EXPECT_EQ(reinterpret_cast<Append7>(table[7])(writer, bytes, size), E_UNEXPECTED)
        << "appending before the formats are set";
    const WAVEFORMATEX input = MakePcmFormat(2, 44100);
    EXPECT_EQ(reinterpret_cast<Input4>(table[4])(writer, &input), S_OK);
    EXPECT_EQ(reinterpret_cast<Output5>(table[5])(writer, 96024, 44100, 2, 0), S_OK);
    EXPECT_EQ(reinterpret_cast<Append7>(table[7])(writer, bytes, size), S_OK);
    EXPECT_EQ(reinterpret_cast<NoArgs>(table[8])(writer), S_OK);
    EXPECT_EQ(reinterpret_cast<Release2>(table[2])(writer), 0u);

    const ProbedAudio probed = ProbeAudio(path);
    EXPECT_EQ(probed.codec, "wmav2");
    EXPECT_NEAR(probed.duration, 1.0, 0.06);
}

// Players seek in an audio-only .wma file by arithmetic on its fixed-size packets, trusting the
// file properties that the finish goes back to write: the seekable flag (not the broadcast
// flag of a stream that never ended), the file size, the packet count and the play duration.
TEST_F(WmaWriterTest, AFinishedFileDeclaresItselfCompleteAndSeekable)
{
    const std::wstring path = folder_ + L"complete.wma";
    {
        ComPtr<IWmaAudioWriter> writer = Create(path);
        const WAVEFORMATEX input = MakePcmFormat(2, 44100);
        ASSERT_EQ(writer->SetInputFormat(&input), S_OK);
        ASSERT_EQ(writer->SetOutputFormat(96024, 44100, 2, 0), S_OK);
        AppendInOddPieces(writer.get(), MakeSine(44100, 2, kTone, kAmplitude, 3.0));
        ASSERT_EQ(writer->Finish(), S_OK);
    }
    const std::vector<uint8_t> file = ReadFileBytes(path);
    const std::string bytes(file.begin(), file.end());
    // The File Properties Object, GUID 8CABDCA1-A947-11CF-8EE4-00C00C205365 as stored.
    const char kFileProperties[] =
        "\xA1\xDC\xAB\x8C\x47\xA9\xCF\x11\x8E\xE4\x00\xC0\x0C\x20\x53\x65";
    const size_t at = bytes.find(std::string(kFileProperties, 16));
    ASSERT_NE(at, std::string::npos);
    ASSERT_GE(bytes.size(), at + 104);
    auto u64 = [&](size_t offset) {
        uint64_t v = 0;
        std::memcpy(&v, bytes.data() + at + offset, 8);
        return v;
    };
    uint32_t flags = 0;
    std::memcpy(&flags, bytes.data() + at + 88, 4);
    EXPECT_EQ(u64(40), bytes.size()) << "file size";
    EXPECT_GT(u64(56), 0u) << "data packets";
    const double playSeconds = u64(64) / 1e7 - u64(80) / 1e3;  // minus the preroll
    EXPECT_NEAR(playSeconds, 3.0, 0.06);
    EXPECT_EQ(flags, 2u) << "seekable, not broadcast";
}

TEST_F(WmaWriterTest, WritesToAKoreanFileName)
{
    const std::wstring path = folder_ + L"녹음 파일 01.wma";
    {
        ComPtr<IWmaAudioWriter> writer = Create(path);
        ASSERT_TRUE(writer);
        const WAVEFORMATEX input = MakePcmFormat(2, 22050);
        ASSERT_EQ(writer->SetInputFormat(&input), S_OK);
        ASSERT_EQ(writer->SetOutputFormat(20008, 22050, 2, 0), S_OK);
        AppendInOddPieces(writer.get(), MakeSine(22050, 2, kTone, kAmplitude, 1.0));
        ASSERT_EQ(writer->Finish(), S_OK);
    }
    ASSERT_TRUE(FileExists(path)) << "the file carries exactly the name it was given";
    const std::wstring plain = folder_ + L"korean-renamed.wma";
    ASSERT_TRUE(::MoveFileW(path.c_str(), plain.c_str()));
    EXPECT_EQ(ProbeAudio(plain).codec, "wmav2");
}

TEST_F(WmaWriterTest, CreationFailsWhereNoFileCanBe)
{
    IWmaAudioWriter* writer = reinterpret_cast<IWmaAudioWriter*>(1);
    EXPECT_TRUE(FAILED(create_((folder_ + L"no such folder\\take.wma").c_str(), &writer)));
    EXPECT_EQ(writer, nullptr);
    EXPECT_TRUE(FAILED(create_(L"", &writer)));
    EXPECT_TRUE(FAILED(create_(nullptr, &writer)));
}

TEST_F(WmaWriterTest, ARefusedFormatLeavesAnExistingFileAsItWas)
{
    const std::wstring path = folder_ + L"existing.wma";
    const std::vector<int16_t> original = MakeSine(8000, 1, kTone, kAmplitude, 0.1);
    ASSERT_TRUE(WriteWavFile(path, original, 8000, 1));
    {
        ComPtr<IWmaAudioWriter> writer = Create(path);
        const WAVEFORMATEX input = MakePcmFormat(2, 96000);
        ASSERT_EQ(writer->SetInputFormat(&input), S_OK);
        EXPECT_TRUE(FAILED(writer->SetOutputFormat(128000, 96000, 2, 0)));
    }
    WIN32_FILE_ATTRIBUTE_DATA data{};
    ASSERT_TRUE(::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 44 + original.size() * 2);
}

TEST_F(WmaWriterTest, ReleasedWithoutFinishKeepsWhatWasRecorded)
{
    const std::wstring path = folder_ + L"unfinished.wma";
    {
        ComPtr<IWmaAudioWriter> writer = Create(path);
        const WAVEFORMATEX input = MakePcmFormat(2, 44100);
        ASSERT_EQ(writer->SetInputFormat(&input), S_OK);
        ASSERT_EQ(writer->SetOutputFormat(64024, 44100, 2, 0), S_OK);
        AppendInOddPieces(writer.get(), MakeSine(44100, 2, kTone, kAmplitude, 1.5));
    }
    const ProbedAudio probed = ProbeAudio(path);
    EXPECT_EQ(probed.codec, "wmav2");
    EXPECT_NEAR(probed.duration, 1.5, 0.06);
}

// wmav2 refuses a frame that does not fit its bit rate; the loudest noise at row 3's rate is
// such a frame. The recording must go on.
TEST_F(WmaWriterTest, KeepsEncodingFullScaleNoiseAtALowRate)
{
    const std::wstring path = folder_ + L"noise.wma";
    std::mt19937 random(7);
    std::vector<int16_t> noise(32000 * 2 * 3);
    for (auto& s : noise) s = (random() & 1) ? 32767 : -32768;
    {
        ComPtr<IWmaAudioWriter> writer = Create(path);
        const WAVEFORMATEX input = MakePcmFormat(2, 32000);
        ASSERT_EQ(writer->SetInputFormat(&input), S_OK);
        ASSERT_EQ(writer->SetOutputFormat(32000, 32000, 2, 0), S_OK);
        AppendInOddPieces(writer.get(), noise);
        ASSERT_EQ(writer->Finish(), S_OK);
    }
    const ProbedAudio probed = ProbeAudio(path);
    EXPECT_EQ(probed.codec, "wmav2");
    EXPECT_NEAR(probed.duration, 3.0, 0.1);
}

}  // namespace

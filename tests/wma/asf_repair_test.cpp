// Finishing a .wma file whose writing stopped part-way (FinishCutShortAsf, used by
// WmAudSDK.dll when the disk refuses the rest): a finished recording is cut in the middle of
// a packet, repaired, and read back with the Linux ffprobe and ffmpeg.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/ProgramFolder.h"
#include "common/win/Handles.h"
#include "outside/wmaudsdk/AsfRepair.h"
#include "outside/wmaudsdk/WmAudioWriter.h"
#include "recorder/recording/Presets.h"
#include "tests/support/FileBytes.h"
#include "tests/support/Programs.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Tone.h"
#include "tests/wma/WmaProbe.h"

using namespace velto;
using namespace velto::test;

namespace {

constexpr double kTone = 1000.0;
constexpr int kRate = 44100;
constexpr double kSeconds = 4.0;

// A finished recording of the tone, as the recorder's writer makes it.
bool WriteRecording(const std::wstring& path)
{
    UniqueModule module(LoadOutsideLibrary(kWmaWriterDll));
    if (!module) return false;
    auto create = reinterpret_cast<WMAudioCreateWriterFn>(
        ::GetProcAddress(module.get(), kCreateWriterExport));
    ComPtr<IWmaAudioWriter> writer;
    if (!create || FAILED(create(path.c_str(), writer.put()))) return false;
    const WAVEFORMATEX input = MakePcmFormat(2, kRate);
    const std::vector<int16_t> pcm = MakeSine(kRate, 2, kTone, 12000.0, kSeconds);
    return SUCCEEDED(writer->SetInputFormat(&input)) &&
           SUCCEEDED(writer->SetOutputFormat(64024, kRate, 2, 0)) &&
           SUCCEEDED(writer->AppendPcm(reinterpret_cast<const BYTE*>(pcm.data()),
                                       static_cast<DWORD>(pcm.size() * 2))) &&
           SUCCEEDED(writer->Finish());
}

HRESULT Repair(const std::wstring& path)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return E_FAIL;
    return wmaudsdk::FinishCutShortAsf(file.get());
}

uint64_t SizeOf(const std::wstring& path)
{
    return ReadFileBytes(path).size();
}

TEST(AsfRepairTest, AFileCutInAPacketPlaysAndTellsTheLengthOfWhatItHolds)
{
    TempFolder folder(L"asf-repair");
    const std::wstring whole = folder.File(L"whole.wma");
    ASSERT_TRUE(WriteRecording(whole));
    const std::vector<uint8_t> bytes = ReadFileBytes(whole);

    // Cut in the middle of a packet, at about half the sound: the header still counts every
    // packet and the whole length, and the packets' index is gone, as after a full disk.
    const std::wstring cut = folder.File(L"cut.wma");
    const size_t at = bytes.size() / 2 + 1001;
    ASSERT_TRUE(WriteFileBytes(cut, std::string(bytes.begin(), bytes.begin() + at)));
    ASSERT_EQ(Repair(cut), S_OK);

    const uint64_t repaired = SizeOf(cut);
    EXPECT_LT(repaired, at);                 // the broken packet went
    EXPECT_GT(repaired + 3200, at);          // and nothing more
    const ProbedAudio probed = ProbeAudio(cut);
    ASSERT_TRUE(probed.ok);
    EXPECT_EQ(probed.codec, "wmav2");
    const std::vector<int16_t> samples = DecodeAudio(cut);
    const double decoded = static_cast<double>(samples.size()) / (kRate * 2);
    std::printf("cut at %zu of %zu bytes: %llu bytes kept, declares %.3f s, decodes to %.3f s\n",
                at, bytes.size(), static_cast<unsigned long long>(repaired), probed.duration,
                decoded);
    EXPECT_GT(decoded, kSeconds * 0.3);
    EXPECT_LT(decoded, kSeconds * 0.7);
    EXPECT_NEAR(probed.duration, decoded, 0.15);
    const ToneCheck heard = MeasureTone(samples, 2, 0, kRate, 0.3);
    EXPECT_NEAR(heard.frequency, kTone, kTone * 0.02);

    // Repairing again changes nothing.
    const std::vector<uint8_t> once = ReadFileBytes(cut);
    ASSERT_EQ(Repair(cut), S_OK);
    EXPECT_EQ(ReadFileBytes(cut), once);
}

TEST(AsfRepairTest, WhatIsNoAsfFileIsLeftAlone)
{
    TempFolder folder(L"asf-repair");
    const std::wstring path = folder.File(L"not.wma");
    const std::string text(5000, 'x');
    ASSERT_TRUE(WriteFileBytes(path, text));
    EXPECT_TRUE(FAILED(Repair(path)));
    EXPECT_EQ(ReadFileBytes(path), std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace

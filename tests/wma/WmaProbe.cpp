#include "tests/wma/WmaProbe.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tests/support/Tone.h"

namespace velto::test {
namespace {

std::string ReadTextFile(const std::wstring& path)
{
    std::string text;
    if (FILE* f = _wfopen(path.c_str(), L"rb")) {
        char buf[4096];
        size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
        std::fclose(f);
    }
    return text;
}

std::string Value(const std::string& text, const std::string& key)
{
    const std::string needle = key + "=";
    size_t at = 0;
    while ((at = text.find(needle, at)) != std::string::npos) {
        if (at == 0 || text[at - 1] == '\n') {
            const size_t start = at + needle.size();
            const size_t end = text.find_first_of("\r\n", start);
            return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        }
        at += needle.size();
    }
    return {};
}

}  // namespace

ProbedAudio ProbeAudio(const std::wstring& path)
{
    ProbedAudio result;
    const std::wstring report = path + L".probe.txt";
    ::DeleteFileW(report.c_str());
    const std::string command =
        "/usr/bin/ffprobe -v error -select_streams a:0 -show_entries "
        "stream=codec_name,channels,sample_rate,bit_rate:format=duration -of default=nw=1 '" +
        UnixPath(path) + "' > '" + UnixPath(report) + "' 2>&1";
    if (!RunUnixShell(command, 60000)) return result;
    const std::string text = ReadTextFile(report);
    ::DeleteFileW(report.c_str());
    result.codec = Value(text, "codec_name");
    result.channels = std::atoi(Value(text, "channels").c_str());
    result.sampleRate = std::atoi(Value(text, "sample_rate").c_str());
    result.bitRate = std::atol(Value(text, "bit_rate").c_str());
    result.duration = std::atof(Value(text, "duration").c_str());
    result.ok = !result.codec.empty();
    return result;
}

std::vector<int16_t> DecodeAudio(const std::wstring& path)
{
    const std::wstring raw = path + L".raw";
    ::DeleteFileW(raw.c_str());
    const std::string command = "/usr/bin/ffmpeg -v error -y -i '" + UnixPath(path) +
                                "' -f s16le -acodec pcm_s16le '" + UnixPath(raw) + "'";
    std::vector<int16_t> samples;
    if (!RunUnixShell(command, 60000)) return samples;
    const std::string bytes = ReadTextFile(raw);
    ::DeleteFileW(raw.c_str());
    samples.resize(bytes.size() / 2);
    if (!samples.empty()) std::memcpy(samples.data(), bytes.data(), samples.size() * 2);
    return samples;
}

ToneCheck MeasureTone(const std::vector<int16_t>& interleaved, int channels, int channel,
                      int sampleRate, double marginSeconds)
{
    std::vector<int16_t> one = Channel(interleaved, channels, channel);
    const size_t margin = static_cast<size_t>(marginSeconds * sampleRate);
    if (one.size() <= 2 * margin) return {};
    std::vector<int16_t> middle(one.begin() + static_cast<long>(margin),
                                one.end() - static_cast<long>(margin));
    return {EstimateFrequency(middle, sampleRate), MeanAbs(middle)};
}

std::wstring MakeTestFolder(const std::wstring& name)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + name + L"\\";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    // Leftovers of an earlier run would hide a file that should not have been written.
    WIN32_FIND_DATAW found;
    HANDLE h = ::FindFirstFileW((folder + L"*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW((folder + found.cFileName).c_str());
        } while (::FindNextFileW(h, &found));
        ::FindClose(h);
    }
    return folder;
}

}  // namespace velto::test

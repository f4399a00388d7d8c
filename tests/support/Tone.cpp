#include "tests/support/Tone.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tests/support/FileBytes.h"
#include "tests/support/UiDriver.h"

namespace {
constexpr double kPi = 3.14159265358979323846;
}

namespace velto::test {

std::vector<int16_t> MakeSine(int sampleRate, int channels, double frequency, double amplitude,
                              double seconds)
{
    const size_t frames = static_cast<size_t>(seconds * sampleRate);
    std::vector<int16_t> out(frames * static_cast<size_t>(channels));
    const double step = 2.0 * kPi * frequency / sampleRate;
    for (size_t i = 0; i < frames; ++i) {
        auto v = static_cast<int16_t>(std::lround(amplitude * std::sin(step * static_cast<double>(i))));
        for (int c = 0; c < channels; ++c) out[i * channels + c] = v;
    }
    return out;
}

std::vector<int16_t> Channel(const std::vector<int16_t>& interleaved, int channels, int which)
{
    std::vector<int16_t> out;
    out.reserve(interleaved.size() / channels);
    for (size_t i = static_cast<size_t>(which); i < interleaved.size(); i += channels)
        out.push_back(interleaved[i]);
    return out;
}

double MeanAbs(const std::vector<int16_t>& samples)
{
    if (samples.empty()) return 0;
    double sum = 0;
    for (int16_t s : samples) sum += std::abs(static_cast<int>(s));
    return sum / static_cast<double>(samples.size());
}

double EstimateFrequency(const std::vector<int16_t>& samples, int sampleRate)
{
    double first = -1, last = -1;
    long crossings = 0;
    for (size_t i = 1; i < samples.size(); ++i) {
        const double a = samples[i - 1], b = samples[i];
        if (a < 0 && b >= 0) {
            const double t = static_cast<double>(i - 1) + (-a) / (b - a);
            if (first < 0) first = t;
            last = t;
            ++crossings;
        }
    }
    if (crossings < 2 || last <= first) return 0;
    return (crossings - 1) * sampleRate / (last - first);
}

int CountDiscontinuities(const std::vector<int16_t>& samples, int sampleRate, double frequency,
                         double tolerance)
{
    if (samples.size() < 3) return 0;
    const double k = 2.0 * std::cos(2.0 * kPi * frequency / sampleRate);
    double peak = 0;
    for (int16_t s : samples) peak = std::max(peak, std::fabs(static_cast<double>(s)));
    if (peak < 100) return 0;
    const double limit = tolerance * peak + 2.0;
    int count = 0;
    bool inJump = false;
    for (size_t i = 2; i < samples.size(); ++i) {
        const double predicted = k * samples[i - 1] - samples[i - 2];
        const bool bad = std::fabs(predicted - samples[i]) > limit;
        if (bad && !inJump) ++count;
        inJump = bad;
    }
    return count;
}

long FirstLoudSample(const std::vector<int16_t>& samples, int threshold)
{
    for (size_t i = 0; i < samples.size(); ++i)
        if (std::abs(static_cast<int>(samples[i])) > threshold) return static_cast<long>(i);
    return -1;
}

double MedianPitch(const std::vector<int16_t>& samples, int sampleRate)
{
    std::vector<double> periods;
    double last = -1;
    for (size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0 && samples[i] >= 0) {
            const double at = static_cast<double>(i - 1) +
                              static_cast<double>(-samples[i - 1]) / (samples[i] - samples[i - 1]);
            if (last >= 0) periods.push_back(at - last);
            last = at;
        }
    }
    if (periods.empty()) return 0;
    std::sort(periods.begin(), periods.end());
    return sampleRate / periods[periods.size() / 2];
}

SinkCapture::SinkCapture(const std::wstring& rawPath, int seconds)
    : raw_(rawPath), startedMarker_(rawPath + L".started"), done_(rawPath + L".done")
{
    ::DeleteFileW(startedMarker_.c_str());
    ::DeleteFileW(done_.c_str());
    const std::string raw = "'" + UnixPath(raw_) + "'";
    // The seconds count from the first samples on, not from the start of parec; a parec that
    // never delivers is ended after 20 s all the same.
    RunUnixShell(
        "(parec --device=speakers.monitor --format=s16le --rate=" + std::to_string(kSampleRate) +
            " --channels=1 --raw --latency-msec=50 > " + raw + " & p=$!; i=0; while [ ! -s " + raw +
            " ] && [ $i -lt 400 ]; do sleep 0.05; i=$((i+1)); done; touch '" +
            UnixPath(startedMarker_) + "'; sleep " + std::to_string(seconds) +
            "; kill $p; wait $p; touch '" + UnixPath(done_) + "') >/dev/null 2>&1 & :",
        10000);
    started_ = WaitUntil(
        [&] { return ::GetFileAttributesW(startedMarker_.c_str()) != INVALID_FILE_ATTRIBUTES; },
        30000);
}

std::vector<int16_t> SinkCapture::Wait(DWORD timeoutMs)
{
    if (!WaitUntil([&] { return ::GetFileAttributesW(done_.c_str()) != INVALID_FILE_ATTRIBUTES; },
                   timeoutMs))
        return {};
    const std::vector<uint8_t> bytes = ReadFileBytes(raw_);
    std::vector<int16_t> samples(bytes.size() / 2);
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
    ::DeleteFileW(startedMarker_.c_str());
    ::DeleteFileW(done_.c_str());
    return samples;
}

bool WriteWavFile(const std::wstring& path, const std::vector<int16_t>& samples, int sampleRate,
                  int channels)
{
    FILE* f = _wfopen(path.c_str(), L"wb");
    if (!f) return false;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
    auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
    std::fwrite("RIFF", 1, 4, f);
    u32(36 + dataBytes);
    std::fwrite("WAVEfmt ", 1, 8, f);
    u32(16);
    u16(1);
    u16(static_cast<uint16_t>(channels));
    u32(static_cast<uint32_t>(sampleRate));
    u32(static_cast<uint32_t>(sampleRate * channels * 2));
    u16(static_cast<uint16_t>(channels * 2));
    u16(16);
    std::fwrite("data", 1, 4, f);
    u32(dataBytes);
    std::fwrite(samples.data(), 2, samples.size(), f);
    return std::fclose(f) == 0;
}

std::string UnixPath(const std::wstring& windowsPath)
{
    using ToUnix = char*(CDECL*)(LPCWSTR);
    auto toUnix = reinterpret_cast<ToUnix>(
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    if (!toUnix) return {};
    char* p = toUnix(windowsPath.c_str());
    if (!p) return {};
    std::string out(p);
    ::HeapFree(::GetProcessHeap(), 0, p);
    return out;
}

bool StartUnixProgram(const std::wstring& commandLine)
{
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    std::wstring cmd = commandLine;
    if (!::CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                          &pi))
        return false;
    if (pi.hThread) ::CloseHandle(pi.hThread);
    if (pi.hProcess) ::CloseHandle(pi.hProcess);
    return true;
}

bool RunUnixShell(const std::string& command, DWORD timeoutMs)
{
    // Wine cannot wait for a Linux process, so the command leaves a marker file when done.
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    static LONG counter = 0;
    std::wstring marker = std::wstring(temp) + L"velto-done-" +
                          std::to_wstring(::GetCurrentProcessId()) + L"-" +
                          std::to_wstring(::InterlockedIncrement(&counter));
    ::DeleteFileW(marker.c_str());
    // The marker's folder exists; its Linux path is the folder's plus the name.
    std::string folder = UnixPath(temp);
    if (folder.empty()) return false;
    if (folder.back() != '/') folder += '/';
    std::string unixMarker = folder + "velto-done-" + std::to_string(::GetCurrentProcessId()) +
                             "-" + std::to_string(counter);
    std::string script = command + "; touch '" + unixMarker + "'";
    std::wstring line = L"/bin/sh -c \"";
    for (char c : script) {
        if (c == '"' || c == '\\') line += L'\\';
        line += static_cast<wchar_t>(static_cast<unsigned char>(c));
    }
    line += L"\"";
    if (!StartUnixProgram(line)) return false;
    const DWORD start = ::GetTickCount();
    while (::GetFileAttributesW(marker.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (::GetTickCount() - start > timeoutMs) return false;
        ::Sleep(20);
    }
    ::DeleteFileW(marker.c_str());
    return true;
}

TonePlayer::TonePlayer(double frequency, double amplitude, double seconds, int sampleRate,
                       int channels)
{
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    static LONG counter = 0;
    wavPath_ = std::wstring(temp) + L"velto-tone-" + std::to_wstring(::GetCurrentProcessId()) +
               L"-" + std::to_wstring(::InterlockedIncrement(&counter)) + L".wav";
    if (!WriteWavFile(wavPath_, MakeSine(sampleRate, channels, frequency, amplitude, seconds),
                      sampleRate, channels))
        return;
    unixPath_ = UnixPath(wavPath_);
    if (unixPath_.empty()) return;
    std::wstring cmd = L"/usr/bin/paplay --device=speakers \"";
    for (char c : unixPath_) cmd += static_cast<wchar_t>(static_cast<unsigned char>(c));
    cmd += L"\"";
    started_ = StartUnixProgram(cmd);
    if (started_) ::Sleep(150);  // the stream reaches the sink
}

TonePlayer::~TonePlayer()
{
    // "[p]aplay" matches paplay but not the shell running this line.
    if (started_)
        RunUnixShell("pkill -f '[p]aplay --device=speakers " + unixPath_ + "' ; sleep 0.1", 5000);
    if (!wavPath_.empty()) ::DeleteFileW(wavPath_.c_str());
}

}  // namespace velto::test

#include "outside/plugins/common/InputPlugin.h"

#include <windows.h>
#include <process.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <vector>

#include "common/Text.h"
#include "common/win/Handles.h"
#include "outside/plugins/common/PluginAbout.h"

namespace velto::plugin {

namespace {

// 1152 frames (26 ms at 44.1 kHz) per write; the host's visualisation wants 576 per block.
constexpr int kChunkFrames = 1152;
constexpr int kVisFrames = 576;
// How long the decoding thread rests when the output is full or the file has played out; a
// stop or a seek wakes it at once. The output holds a second, so resting is cheap and safe.
constexpr DWORD kIdleMs = 40;
constexpr size_t kTitleMax = 100;  // what the smallest host buffer holds, with its NUL

struct Plugin {
    In_Module module{};
    const InputPluginInfo* info = nullptr;

    // Set by Play on the host's thread before the decoding thread starts, then the thread's
    // own until Stop has joined it.
    std::unique_ptr<Decoder> decoder;
    Out_Module* out = nullptr;
    UniqueHandle thread;

    UniqueHandle wake;  // set by Stop and SetOutputTime
    std::atomic<bool> stop{false};
    std::atomic<int> seekTo{-1};
    std::atomic<int> lengthMs{0};
    std::atomic<bool> paused{false};
    std::string file;  // the file being played, as the host named it
};

Plugin g;

// ---- the decoding thread ----

void Rest()
{
    if (g.wake) {
        ::WaitForSingleObject(g.wake.get(), kIdleMs);
    } else {
        ::Sleep(kIdleMs);
    }
}

void PostEndOfFile()
{
    if (g.module.hMainWindow) ::PostMessageW(g.module.hMainWindow, WM_WA_MPEG_EOF, 0, 0);
}

void Decode()
{
    Decoder& decoder = *g.decoder;
    Out_Module& out = *g.out;
    const int channels = decoder.channels();
    const int rate = decoder.sampleRate();
    const int frameBytes = channels * 2;
    // Room for a DSP that doubles the samples it is given.
    std::vector<int16_t> buffer(static_cast<size_t>(kChunkFrames * channels * 2));
    bool ended = false;
    bool endPosted = false;

    while (!g.stop.load()) {
        const int seek = g.seekTo.exchange(-1);
        if (seek >= 0) {
            decoder.Seek(seek);
            out.Flush(seek);
            ended = endPosted = false;
            continue;
        }
        if (ended) {
            // Played out: tell the main window once the output has been heard to the end.
            if (!endPosted && !out.IsPlaying()) {
                PostEndOfFile();
                endPosted = true;
            }
            Rest();
            continue;
        }
        const bool dsp = g.module.dsp_isactive && g.module.dsp_isactive();
        if (out.CanWrite() < kChunkFrames * frameBytes * (dsp ? 2 : 1)) {
            Rest();
            continue;
        }
        int frames = decoder.Read(buffer.data(), kChunkFrames);
        if (frames <= 0) {
            ended = true;
            continue;
        }
        if (frames >= kVisFrames) {
            const int stamp = out.GetWrittenTime();
            if (g.module.SAAddPCMData) g.module.SAAddPCMData(buffer.data(), channels, 16, stamp);
            if (g.module.VSAAddPCMData) g.module.VSAAddPCMData(buffer.data(), channels, 16, stamp);
        }
        if (dsp && g.module.dsp_dosamples)
            frames = g.module.dsp_dosamples(buffer.data(), frames, 16, channels, rate);
        out.Write(reinterpret_cast<char*>(buffer.data()), frames * frameBytes);
    }
}

unsigned __stdcall DecodeThread(void*)
{
    try {
        Decode();
    } catch (...) {
        // A failing decoder ends the sound; the host notices through the output.
    }
    return 0;
}

// ---- the module's entries ----

void StopPlaying()
{
    if (g.thread) {
        g.stop.store(true);
        ::SetEvent(g.wake.get());
        ::WaitForSingleObject(g.thread.get(), INFINITE);
        g.thread.reset();
    }
    if (g.out) {
        g.out->Close();
        g.out = nullptr;
        if (g.module.SAVSADeInit) g.module.SAVSADeInit();
    }
    g.decoder.reset();
    g.lengthMs.store(0);
    g.paused.store(false);
    g.file.clear();
}

// The file's name without folder and extension, cut to what any host's buffer holds.
void WriteTitle(const std::string& path, char* title)
{
    if (!title) return;
    size_t start = path.find_last_of("\\/");
    start = start == std::string::npos ? 0 : start + 1;
    std::string name = path.substr(start);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.resize(dot);
    if (name.size() >= kTitleMax) name.resize(kTitleMax - 1);
    std::memcpy(title, name.c_str(), name.size() + 1);
}

void __cdecl Config(HWND parent)
{
    ShowAbout(parent, g.info->about);
}
void __cdecl About(HWND parent)
{
    ShowAbout(parent, g.info->about);
}
void __cdecl Init()
{
    if (g.info->init) g.info->init();
}
void __cdecl Quit()
{
    try {
        StopPlaying();
    } catch (...) {
    }
}

void __cdecl GetFileInfo(const char* file, char* title, int* lengthMs)
{
    try {
        if (!file || !*file) {
            WriteTitle(g.file, title);
            if (lengthMs) *lengthMs = g.lengthMs.load();
            return;
        }
        WriteTitle(file, title);
        if (lengthMs) {
            std::unique_ptr<Decoder> decoder = g.info->makeDecoder();
            *lengthMs = decoder->Open(AnsiToWide(file)) ? decoder->lengthMs() : -1;
        }
    } catch (...) {
        if (lengthMs) *lengthMs = -1;
    }
}

int __cdecl InfoBox(const char*, HWND)
{
    return 0;
}

// The host goes by the extension; claiming files by content here would take them from the
// other plug-ins, which the host asks first in folder order.
int __cdecl IsOurFile(const char*)
{
    return 0;
}

int __cdecl Play(const char* file)
{
    try {
        StopPlaying();
        if (!file || !g.module.outMod) return 1;
        std::unique_ptr<Decoder> decoder = g.info->makeDecoder();
        if (!decoder->Open(AnsiToWide(file))) return -1;  // -1: the file cannot be played
        Out_Module* out = g.module.outMod;
        const int latency = out->Open(decoder->sampleRate(), decoder->channels(), 16, -1, -1);
        if (latency < 0) return 1;
        g.out = out;
        g.decoder = std::move(decoder);
        g.file = file;
        g.lengthMs.store(g.decoder->lengthMs());
        g.stop.store(false);
        g.seekTo.store(-1);
        g.paused.store(false);
        if (!g.wake) g.wake.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
        ::ResetEvent(g.wake.get());
        if (g.module.SAVSAInit) g.module.SAVSAInit(latency, g.decoder->sampleRate());
        if (g.module.VSASetInfo)
            g.module.VSASetInfo(g.decoder->sampleRate(), g.decoder->channels());
        if (g.module.SetInfo)
            g.module.SetInfo(g.decoder->bitrateKbps(), g.decoder->sampleRate() / 1000,
                             g.decoder->channels(), 1);
        g.thread.reset(reinterpret_cast<HANDLE>(
            ::_beginthreadex(nullptr, 0, &DecodeThread, nullptr, 0, nullptr)));
        if (!g.thread) {
            StopPlaying();
            return 1;
        }
        return 0;
    } catch (...) {
        StopPlaying();
        return 1;
    }
}

void __cdecl Pause()
{
    g.paused.store(true);
    if (g.out) g.out->Pause(1);
}
void __cdecl UnPause()
{
    g.paused.store(false);
    if (g.out) g.out->Pause(0);
}
int __cdecl IsPaused()
{
    return g.paused.load() ? 1 : 0;
}
void __cdecl Stop()
{
    try {
        StopPlaying();
    } catch (...) {
    }
}
int __cdecl GetLength()
{
    return g.lengthMs.load();
}
int __cdecl GetOutputTime()
{
    return g.out ? g.out->GetOutputTime() : 0;
}
void __cdecl SetOutputTime(int ms)
{
    if (!g.thread) return;
    g.seekTo.store(std::max(0, ms));
    ::SetEvent(g.wake.get());
}
// Volume and pan belong to the output; the host may call these before any output is set.
void __cdecl SetVolume(int volume)
{
    if (g.module.outMod) g.module.outMod->SetVolume(volume);
}
void __cdecl SetPan(int pan)
{
    if (g.module.outMod) g.module.outMod->SetPan(pan);
}
void __cdecl EQSet(int, char*, int) {}

}  // namespace

In_Module* InputModule(const InputPluginInfo& info)
{
    if (g.info) return &g.module;
    g.info = &info;
    In_Module& m = g.module;
    m.version = IN_MODULE_VERSION;
    m.description = const_cast<char*>(info.description);
    m.FileExtensions = const_cast<char*>(info.extensions);
    m.is_seekable = 1;
    m.UsesOutputPlug = 1;
    m.Config = Config;
    m.About = About;
    m.Init = Init;
    m.Quit = Quit;
    m.GetFileInfo = GetFileInfo;
    m.InfoBox = InfoBox;
    m.IsOurFile = IsOurFile;
    m.Play = Play;
    m.Pause = Pause;
    m.UnPause = UnPause;
    m.IsPaused = IsPaused;
    m.Stop = Stop;
    m.GetLength = GetLength;
    m.GetOutputTime = GetOutputTime;
    m.SetOutputTime = SetOutputTime;
    m.SetVolume = SetVolume;
    m.SetPan = SetPan;
    m.EQSet = EQSet;
    return &m;
}

}  // namespace velto::plugin

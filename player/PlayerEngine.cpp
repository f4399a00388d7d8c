#include "player/PlayerEngine.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "player/PluginCall.h"

namespace velto {

namespace {

// The engine whose play installed the host callbacks: the callbacks carry no context.
std::atomic<PlayerEngine*> g_host{nullptr};

// Plug-ins write the title of GetFileInfo without being told the buffer's size; the
// contract's hosts give them 2048 bytes. The title itself is not used.
constexpr size_t kTitleBytes = 2048;

// What a stream that reports no length counts as.
constexpr int kStreamLengthMs = 1000000;

std::string Lower(const char* text)
{
    std::string s(text ? text : "");
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool ExtensionContains(const PluginRecord& record, const std::string& lowerNeedle)
{
    std::string ext(record.extension, strnlen(record.extension, sizeof record.extension));
    return Lower(ext.c_str()).find(lowerNeedle) != std::string::npos;
}

// The file's ending: its last three characters, whatever they are.
std::string Ending(const char* path)
{
    const size_t n = std::strlen(path);
    return Lower(path + (n > 3 ? n - 3 : 0));
}

// ---- the output a faulty play is left with ----

// A plug-in that faulted may still have a thread running that writes to its output. It is
// given this one instead, which takes nothing (so a polite decoder idles) and plays nothing,
// and the real output is closed by the host or by the input plug-in's Stop.
int __cdecl QuietOpen(int, int, int, int, int)
{
    return -1;
}
void __cdecl QuietVoid() {}
void __cdecl QuietWindow(HWND) {}
void __cdecl QuietInt(int) {}
int __cdecl QuietWrite(char*, int)
{
    return 0;
}
int __cdecl QuietZero()
{
    return 0;
}
int __cdecl QuietPause(int)
{
    return 0;
}
Out_Module g_quietOutput = {
    OUT_MODULE_VERSION,
    const_cast<char*>("no output"),
    0,
    nullptr,
    nullptr,
    QuietWindow,
    QuietWindow,
    QuietVoid,
    QuietVoid,
    QuietOpen,
    QuietVoid,
    QuietWrite,
    QuietZero,
    QuietZero,
    QuietPause,
    QuietInt,
    QuietInt,
    QuietInt,
    QuietZero,
    QuietZero,
};

// ---- host callbacks installed into the input module at each play ----

void __cdecl HostSAVSAInit(int, int) {}
void __cdecl HostSAVSADeInit() {}
void __cdecl HostSAAddPCMData(void* data, int, int, int timeStamp)
{
    // 575 bytes: what the library has always kept of a block.
    if (PlayerEngine* e = g_host.load()) e->queue().Store(timeStamp, data, 575);
}
int __cdecl HostSAGetMode()
{
    return 1;
}
int __cdecl HostSAAdd(void* data, int timeStamp, int)
{
    if (PlayerEngine* e = g_host.load()) e->queue().Store(timeStamp, data, 20);
    return 0;
}
void __cdecl HostVSAAddPCMData(void*, int, int, int) {}
int __cdecl HostVSAGetMode(int*, int*)
{
    return 0;
}
int __cdecl HostVSAAdd(void*, int)
{
    return 0;
}
void __cdecl HostVSASetInfo(int, int) {}
int __cdecl HostDspIsActive()
{
    return 0;
}
int __cdecl HostDspDoSamples(short int*, int count, int, int, int)
{
    return count;
}
void __cdecl HostSetInfo(int bitrate, int sampleRate, int channels, int)
{
    if (PlayerEngine* e = g_host.load()) e->ReportInfo(bitrate, sampleRate, channels);
}

}  // namespace

PlayerEngine::PlayerEngine(TickTimer::Mode clock) : timer_(clock)
{
    // A plug-in's decoding thread that faults ends alone; the next tick ends its play.
    WatchPluginThreads(&MarkPluginFaulted);
}

PlayerEngine::~PlayerEngine()
{
    {
        Lock lock(mutex_);
        if (IsRunning()) StopLocked();
        ReleaseOutputsLocked();
        ReleaseInputsLocked();
        timer_.Kill();
    }
    PlayerEngine* self = this;
    g_host.compare_exchange_strong(self, nullptr);
}

void PlayerEngine::ReportInfo(int bitrate, int sampleRate, int channels)
{
    if (bitrate != -1) bitrate_.store(bitrate);
    if (sampleRate != -1) sampleRate_.store(sampleRate);
    if (channels != -1) channels_.store(channels);
}

// ---- play ----

int PlayerEngine::Play(const char* path, int volume, int pan)
{
    Lock lock(mutex_);
    return StartPlay(path, volume, pan, false);
}

int PlayerEngine::PlayUrl(const char* address, int volume, int pan)
{
    Lock lock(mutex_);
    return StartPlay(address, volume, pan, true);
}

int PlayerEngine::StartPlay(const char* path, int volume, int pan, bool stream)
{
    if (IsRunning()) StopLocked();
    totalMs_ = -1;
    streamMode_ = stream ? 1 : 0;
    totalSeconds_ = kNoLength;
    state_ = PlayState::Stopped;
    silentTicks_ = 0;
    if (!path) return 0;

    if (!SelectInput(path, stream)) return 0;
    In_Module* in = currentIn_.in;
    const HMODULE inModule = currentIn_.module;
    if (in->version != IN_MODULE_VERSION || !in->UsesOutputPlug) return 0;
    InstallHostCallbacks(in);
    ApplyEqLocked();

    if (!currentOutModule_ || PluginFaulted(currentOut_.module)) return 0;
    Out_Module* out = currentOutModule_;
    // Init ran once, when the plug-ins were loaded: a plug-in that sets itself up there (a
    // thread, a decoder library) must not be set up again under a running one.
    in->outMod = out;
    if (out->version != OUT_MODULE_VERSION) return 0;

    // A plug-in that faults on the way fails the play as a refusal does, and is left alone.
    std::vector<char> title(kTitleBytes, 0);
    const bool wma = ExtensionContains(currentIn_, "wma");
    SetVolumeLocked(volume);
    SetPanLocked(pan);
    if (stream) queue_.Reset();
    if (!stream && wma) MeasureLength(path, title.data());
    if (!PairFaultedLocked()) {
        if (CallPlugin(inModule, 1, in->Play, path) != 0) {
            if (PairFaultedLocked()) ShutDownLocked();
            if (!stream) totalMs_ = 0;
            return 0;
        }
        if (stream) {
            totalMs_ = CallPlugin(inModule, 0, in->GetLength);
            if (totalMs_ <= 0) {
                CallPlugin(inModule, in->GetFileInfo, path, title.data(), &totalMs_);
                totalMs_ = kStreamLengthMs;
            }
        } else if (!wma) {
            MeasureLength(path, title.data());
        }
    }
    if (PairFaultedLocked()) {
        ShutDownLocked();
        queue_.Close();
        totalMs_ = 0;
        return 0;
    }

    if (!stream) queue_.Reset();
    state_ = PlayState::Playing;
    timer_.Start(kTickMs, &PlayerEngine::OnTimer, this);
    if (!stream) totalSeconds_ = totalMs_ / 1000;
    return 1;
}

void PlayerEngine::MeasureLength(const char* path, char* title)
{
    In_Module* in = currentIn_.in;
    totalMs_ = CallPlugin(currentIn_.module, 0, in->GetLength);
    if (totalMs_ <= 0) CallPlugin(currentIn_.module, in->GetFileInfo, path, title, &totalMs_);
}

bool PlayerEngine::PairFaultedLocked() const
{
    return (HasInput() && PluginFaulted(currentIn_.module)) ||
           (currentOutModule_ && PluginFaulted(currentOut_.module));
}

bool PlayerEngine::SelectInput(const char* path, bool stream)
{
    const std::string wanted = stream ? std::string("mp3") : Ending(path);
    for (size_t i = 0; i < inputs_.size(); ++i) {
        const PluginRecord& candidate = inputs_[i];
        currentIn_ = PluginRecord{};
        currentIn_ = candidate;
        endWindow_ = endWindows_[i];
        host_.ForwardEndsTo(endWindow_);
        if (!candidate.in || PluginFaulted(candidate.module)) continue;
        if (CallPlugin(candidate.module, 0, candidate.in->IsOurFile, path) != 0) return true;
        if (PluginFaulted(candidate.module)) continue;
        if (ExtensionContains(candidate, wanted)) return true;
    }
    // The current record keeps the last one tried.
    return false;
}

void PlayerEngine::InstallHostCallbacks(In_Module* in)
{
    g_host.store(this);
    in->SAVSAInit = HostSAVSAInit;
    in->SAVSADeInit = HostSAVSADeInit;
    in->SAAddPCMData = HostSAAddPCMData;
    in->SAGetMode = HostSAGetMode;
    in->SAAdd = HostSAAdd;
    in->VSAAddPCMData = HostVSAAddPCMData;
    in->VSAGetMode = HostVSAGetMode;
    in->VSAAdd = HostVSAAdd;
    in->VSASetInfo = HostVSASetInfo;
    in->dsp_isactive = HostDspIsActive;
    in->dsp_dosamples = HostDspDoSamples;
    in->SetInfo = HostSetInfo;
}

// ---- stop, pause, seek, volume ----

int PlayerEngine::Stop()
{
    Lock lock(mutex_);
    return StopLocked();
}

int PlayerEngine::StopLocked()
{
    if (!HasInput()) return 0;
    queue_.Close();
    ShutDownLocked();
    state_ = PlayState::Stopped;
    timer_.Kill();
    return 1;
}

// Normally the input plug-in's Stop ends its thread and closes the output. When either
// plug-in has faulted, the input is given the quiet output first (a thread of a faulty input
// may write on), a faulty input is not asked to stop, and the host closes the real output
// that such an input leaves open.
void PlayerEngine::ShutDownLocked()
{
    In_Module* in = currentIn_.in;
    const bool outputFaulted = currentOutModule_ && PluginFaulted(currentOut_.module);
    if (PluginFaulted(currentIn_.module) || outputFaulted) in->outMod = &g_quietOutput;
    CallPlugin(currentIn_.module, in->Stop);
    if (PluginFaulted(currentIn_.module)) {
        in->outMod = &g_quietOutput;
        if (currentOutModule_) CallPlugin(currentOut_.module, currentOutModule_->Close);
    }
}

// After a call that may have broken a plug-in of the running play: the play ends as if it
// had played out (the window hears of it), and the broken plug-in is left alone.
void PlayerEngine::EndIfFaultedLocked()
{
    if (IsRunning() && PairFaultedLocked()) EndOfPlayLocked();
}

void PlayerEngine::Pause()
{
    Lock lock(mutex_);
    if (!HasInput()) return;
    if (state_ == PlayState::Playing) {
        CallPlugin(currentIn_.module, currentIn_.in->Pause);
        state_ = PlayState::Paused;
    } else if (state_ == PlayState::Paused) {
        CallPlugin(currentIn_.module, currentIn_.in->UnPause);
        state_ = PlayState::Playing;
    }
    EndIfFaultedLocked();
}

void PlayerEngine::SeekToPosition(int ms)
{
    Lock lock(mutex_);
    if (!HasInput()) return;
    queue_.Flush();
    if (!IsRunning()) return;
    silentTicks_ = 0;
    // The output is flushed one second beyond the position, as the library has always done,
    // but before the input plug-in hears of the seek: its decoding thread then flushes at the
    // new position after us. The other way round a quick thread could flush first and leave
    // the output time a second ahead for the rest of the play, ending it a second early.
    if (currentOutModule_) CallPlugin(currentOut_.module, currentOutModule_->Flush, ms + 1000);
    CallPlugin(currentIn_.module, currentIn_.in->SetOutputTime, ms);
    EndIfFaultedLocked();
}

void PlayerEngine::SetVolume(int volume)
{
    Lock lock(mutex_);
    SetVolumeLocked(volume);
    EndIfFaultedLocked();
}

void PlayerEngine::SetPan(int pan)
{
    Lock lock(mutex_);
    SetPanLocked(pan);
    EndIfFaultedLocked();
}

void PlayerEngine::SetVolumeLocked(int volume)
{
    if (HasInput()) CallPlugin(currentIn_.module, currentIn_.in->SetVolume, volume);
    if (currentOutModule_) CallPlugin(currentOut_.module, currentOutModule_->SetVolume, volume);
}

void PlayerEngine::SetPanLocked(int pan)
{
    if (HasInput()) CallPlugin(currentIn_.module, currentIn_.in->SetPan, pan);
    if (currentOutModule_) CallPlugin(currentOut_.module, currentOutModule_->SetPan, pan);
}

void PlayerEngine::SetCurrentOutPlugin(const char* name)
{
    Lock lock(mutex_);
    if (IsRunning() && HasInput()) {
        // The timer keeps running and the queue is left as it is; a later Stop finishes both.
        ShutDownLocked();
        state_ = PlayState::Stopped;
    }
    currentOut_ = PluginRecord{};
    currentOutModule_ = nullptr;
    if (!name) return;
    for (const PluginRecord& record : outputs_) {
        // Exact, byte for byte: "OUT_WAVE.DLL" is not "out_wave.dll".
        if (std::strcmp(record.fileName, name) == 0) {
            currentOut_ = record;
            currentOutModule_ = record.out;
            return;
        }
    }
}

// ---- equaliser ----

int PlayerEngine::SetEQValue(const char* bands, int preamp)
{
    if (!bands) return 0;
    Lock lock(mutex_);
    std::memcpy(eqBands_, bands, sizeof eqBands_);
    eqPreamp_ = preamp;
    return 1;
}

int PlayerEngine::EnableEQualizer(int on)
{
    Lock lock(mutex_);
    eqEnabled_ = on;
    ApplyEqLocked();
    return on;
}

void PlayerEngine::ApplyEqLocked()
{
    // A first band of 0 means the bands were never set.
    if (eqBands_[0] == 0 || !HasInput()) return;
    CallPlugin(currentIn_.module, currentIn_.in->EQSet, eqEnabled_, eqBands_, eqPreamp_);
    EndIfFaultedLocked();
}

// ---- queries ----

int PlayerEngine::GetTotalTime()
{
    Lock lock(mutex_);
    return totalMs_;
}

int PlayerEngine::GetCurrentTotalTime()
{
    Lock lock(mutex_);
    if (!HasInput()) return -1;
    const int length = CallPlugin(currentIn_.module, -1, currentIn_.in->GetLength);
    EndIfFaultedLocked();
    return length;
}

int PlayerEngine::GetOutputTime()
{
    Lock lock(mutex_);
    if (!HasInput() || !currentOutModule_) return -1;
    const int ms = CallPlugin(currentOut_.module, -1, currentOutModule_->GetOutputTime);
    EndIfFaultedLocked();
    return ms;
}

int PlayerEngine::GetWrittenTime()
{
    Lock lock(mutex_);
    if (!currentOutModule_) return -1;
    const int ms = CallPlugin(currentOut_.module, -1, currentOutModule_->GetWrittenTime);
    EndIfFaultedLocked();
    return ms;
}

PlayState PlayerEngine::GetCurrentState()
{
    Lock lock(mutex_);
    return state_;
}

int PlayerEngine::totalSeconds()
{
    Lock lock(mutex_);
    return totalSeconds_;
}

void PlayerEngine::OutPluginConfig(HWND parent)
{
    Lock lock(mutex_);
    if (currentOutModule_) CallPlugin(currentOut_.module, currentOutModule_->Config, parent);
    EndIfFaultedLocked();
}

// ---- the once-a-second watch ----

void PlayerEngine::OnTimer(void* context, UINT timerId)
{
    auto* self = static_cast<PlayerEngine*>(context);
    // The lock may be held by a caller that is killing this very timer and waits for this
    // callback to return: never block on it for good.
    Lock lock(self->mutex_, std::defer_lock);
    while (!lock.try_lock_for(std::chrono::milliseconds(5)))
        if (!self->timer_.IsCurrent(timerId)) return;
    if (!self->timer_.IsCurrent(timerId)) return;
    self->TickLocked();
}

void PlayerEngine::Tick()
{
    Lock lock(mutex_);
    if (timer_.running()) TickLocked();
}

void PlayerEngine::TickLocked()
{
    const bool input = HasInput();
    // A plug-in that faulted since the last tick (on its own thread, or in a call) ends the
    // play now; its figures would mean nothing.
    if (IsRunning() && PairFaultedLocked()) {
        EndOfPlayLocked();
        return;
    }
    outputMs_ = input && currentOutModule_
                    ? CallPlugin(currentOut_.module, -1, currentOutModule_->GetOutputTime)
                    : -1;
    totalMs_ = input ? CallPlugin(currentIn_.module, -1, currentIn_.in->GetLength) : -1;
    if (IsRunning() && PairFaultedLocked()) {
        EndOfPlayLocked();
        return;
    }
    totalSeconds_ = totalMs_ / 1000;
    const int second = outputMs_ / 1000;
    bool secondChanged = false;
    if (second != lastSecond_) {
        lastSecond_ = second;
        msAtSecondChange_ = outputMs_;
        secondChanged = true;
    }
    if (state_ == PlayState::Paused || state_ == PlayState::Stopped) return;
    if (outputMs_ <= 0) {
        if (NothingToHearLocked()) EndOfPlayLocked();
        return;
    }
    silentTicks_ = 0;
    if (!input || !currentOutModule_) return;

    const bool playing = CallPlugin(currentOut_.module, 0, currentOutModule_->IsPlaying) != 0;
    if (PairFaultedLocked()) {
        EndOfPlayLocked();
        return;
    }
    if (streamMode_ == 0) {
        if (totalSeconds_ == kNoLength) return;  // no length: never ends by itself
        if (playing && second < totalSeconds_ - 1) return;
        if (second < totalSeconds_ && secondChanged) return;
    } else {
        if (playing || secondChanged) return;
    }
    EndOfPlayLocked();
}

// A file that holds too little sound to move the output time (or none the plug-in could
// decode) would otherwise play for ever: once the output has had nothing to play for several
// ticks in a row, the play is over. Streams and files without a length keep their rule of
// never ending while nothing is heard.
bool PlayerEngine::NothingToHearLocked()
{
    if (streamMode_ != 0 || totalSeconds_ == kNoLength || !HasInput() || !currentOutModule_)
        return false;
    if (CallPlugin(currentOut_.module, 1, currentOutModule_->IsPlaying) != 0) {
        silentTicks_ = 0;
        return false;
    }
    return ++silentTicks_ >= kSilentTicksToEnd;
}

void PlayerEngine::EndOfPlayLocked()
{
    state_ = PlayState::Stopped;
    StopLocked();
    // To the caller's window given with the plug-in, not to the host window it was given.
    if (endWindow_ && currentIn_.module) ::PostMessageW(endWindow_, WM_RAVELPLAY_END, 1, 0);
}

}  // namespace velto

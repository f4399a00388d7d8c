// The one object inside Ravelplay.dll that plays: it loads the plug-ins, picks the input
// plug-in for a file, wires the output plug-in and the host's callbacks into it, starts it,
// watches the play once a second and posts WM_RAVELPLAY_END when it ends by itself.
//
// Threads: the exports call in on the caller's thread; Tick runs on the multimedia timer's
// thread; the input plug-in's decoding thread calls the host callbacks (SetInfo and the sample
// stores). `mutex_` guards every field below but the reported stream figures (atomics) and the
// sample queue (its own lock). The decoding thread never takes `mutex_`, so a plug-in's Stop
// may wait for that thread while the lock is held. The tick waits for the lock in short slices
// and gives up once its timer has been killed, so killing the timer under the lock cannot
// deadlock either.
#pragma once

#include <windows.h>

#include <atomic>
#include <deque>
#include <mutex>

#include "player/PluginHost.h"
#include "player/PluginRecord.h"
#include "player/SampleQueue.h"
#include "player/TickTimer.h"

namespace velto {

class PlayerEngine {
public:
    // Total seconds while no length is known: a play in file mode then never ends by itself.
    static constexpr int kNoLength = -824;
    static constexpr UINT kTickMs = 1000;
    // Ticks in a row with nothing heard and nothing left to hear after which a file's play
    // has ended: a file too short or too damaged to be heard at all still ends.
    static constexpr int kSilentTicksToEnd = 5;

    explicit PlayerEngine(TickTimer::Mode clock = TickTimer::Mode::Multimedia);
    // Stops a running play, releases the output plug-ins, then the input plug-ins.
    ~PlayerEngine();
    PlayerEngine(const PlayerEngine&) = delete;
    PlayerEngine& operator=(const PlayerEngine&) = delete;

    // Discovery: loads "in_*.dll" / "out_*.dll" from `folder` and appends a record for each
    // plug-in that offers its module. Returns how many this call loaded.
    int InitInputPlugins(HWND window, const char* folder);
    int InitOutputPlugins(HWND window, const char* folder);
    // Record i of either list; null when i is outside it.
    PluginRecord* InputRecord(int i);
    PluginRecord* OutputRecord(int i);
    int inputCount();
    int outputCount();
    void ReleaseInputPlugins();
    void ReleaseOutputPlugins();
    // For the library's unload, under the loader lock: drops every plug-in without calling or
    // unloading any, and stops the timer.
    void ForgetPlugins();

    PluginRecord* CurrentInputRecord() { return &currentIn_; }
    PluginRecord* CurrentOutputRecord() { return &currentOut_; }
    void SetCurrentOutPlugin(const char* name);

    // 1 when the play started, 0 otherwise.
    int Play(const char* path, int volume, int pan);
    int PlayUrl(const char* address, int volume, int pan);
    // 1 when an input plug-in was current and has been stopped.
    int Stop();
    void Pause();
    void SeekToPosition(int ms);
    void SetVolume(int volume);
    void SetPan(int pan);

    int GetTotalTime();
    int GetCurrentTotalTime();
    int GetOutputTime();
    int GetWrittenTime();
    PlayState GetCurrentState();
    int GetBitrate() const { return bitrate_.load(); }
    int GetSampleRate() const { return sampleRate_.load(); }
    int GetStereo() const { return channels_.load(); }

    int SetEQValue(const char* bands, int preamp);
    int EnableEQualizer(int on);
    void OutPluginConfig(HWND parent);
    void SetSpectrumData(int time, SampleBlock* out) { queue_.Fetch(time, out); }

    // One timer tick now, as the multimedia timer would run it; nothing when the timer is
    // not running. For tests with a manual clock.
    void Tick();
    bool timerRunning() const { return timer_.running(); }
    int totalSeconds();
    SampleQueue& queue() { return queue_; }

    // The host callbacks reach the engine that installed them last.
    void ReportInfo(int bitrate, int sampleRate, int channels);

    // The window the plug-ins are given as hMainWindow (null before discovery).
    HWND pluginWindow() const { return host_.hwnd(); }

private:
    using Lock = std::unique_lock<std::timed_mutex>;

    int Discover(HWND window, const char* folder, bool output);
    bool LoadPlugin(HWND window, const char* path, const char* fileName, bool output);
    void CloseHostIfUnusedLocked();
    void ReleaseInputsLocked();
    void ReleaseOutputsLocked();

    int StartPlay(const char* path, int volume, int pan, bool stream);
    bool SelectInput(const char* path, bool stream);
    void InstallHostCallbacks(In_Module* in);
    void MeasureLength(const char* path, char* title);
    int StopLocked();
    void ShutDownLocked();
    bool PairFaultedLocked() const;
    void EndIfFaultedLocked();
    void ApplyEqLocked();
    void SetVolumeLocked(int volume);
    void SetPanLocked(int pan);
    bool HasInput() const { return currentIn_.module != nullptr && currentIn_.in != nullptr; }
    bool IsRunning() const { return state_ == PlayState::Playing || state_ == PlayState::Paused; }

    static void OnTimer(void* context, UINT timerId);
    void TickLocked();
    void EndOfPlayLocked();
    bool NothingToHearLocked();

    std::timed_mutex mutex_;
    // Deques: a record pointer handed out stays valid when a later discovery appends.
    std::deque<PluginRecord> inputs_;
    std::deque<PluginRecord> outputs_;
    // The caller's window given with each input plug-in, which hears of the end of its plays;
    // the plug-ins themselves are given the host window.
    std::deque<HWND> endWindows_;
    HWND endWindow_ = nullptr;  // the current input's
    int inputCount_ = 0;
    int outputCount_ = 0;

    char eqBands_[10] = {};
    int eqEnabled_ = 0;
    int eqPreamp_ = 31;

    int streamMode_ = 0;
    PluginRecord currentIn_ = {};
    PluginRecord currentOut_ = {};
    Out_Module* currentOutModule_ = nullptr;
    int totalMs_ = -1;
    int totalSeconds_ = kNoLength;
    int outputMs_ = 0;
    PlayState state_ = PlayState::Idle;
    int msAtSecondChange_ = -1;
    int lastSecond_ = -1;
    int silentTicks_ = 0;  // ticks in a row with no output time and an idle output

    std::atomic<int> bitrate_{0};
    std::atomic<int> sampleRate_{0};
    std::atomic<int> channels_{0};

    SampleQueue queue_;
    TickTimer timer_;
    PluginHostWindow host_;
};

}  // namespace velto

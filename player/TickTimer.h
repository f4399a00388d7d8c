// The engine's periodic multimedia timer. Built at the finest resolution the timer device
// offers (its minimum period, at least 1 ms).
//
// Threads: Start and Kill run on whichever thread holds the engine's lock (the caller's, or
// the timer's own thread when a tick ends the play); the callback runs on the multimedia timer
// thread. Timers are created with TIME_KILL_SYNCHRONOUS, so once Kill returns no callback of
// the killed timer is running or will run, except the one that called Kill itself.
#pragma once

#include <windows.h>

#include <atomic>

namespace velto {

class TickTimer {
public:
    using Callback = void (*)(void* context, UINT timerId);

    // A manual timer never fires: tests tick the engine themselves.
    enum class Mode { Multimedia, Manual };

    explicit TickTimer(Mode mode = Mode::Multimedia);
    ~TickTimer();
    TickTimer(const TickTimer&) = delete;
    TickTimer& operator=(const TickTimer&) = delete;

    // Starts a periodic timer calling callback(context, id), after killing one that runs.
    bool Start(UINT intervalMs, Callback callback, void* context);
    void Kill();

    bool running() const { return id_.load() != 0; }
    // True while `id` is the running timer; a callback whose timer was killed or replaced
    // must do nothing.
    bool IsCurrent(UINT id) const { return id != 0 && id == id_.load(); }
    UINT period() const { return period_; }

private:
    static void CALLBACK Thunk(UINT id, UINT msg, DWORD_PTR user, DWORD_PTR, DWORD_PTR);

    Mode mode_;
    UINT period_ = 0;  // 0 when the timer device could not be asked
    std::atomic<UINT> id_{0};
    Callback callback_ = nullptr;
    void* context_ = nullptr;
    UINT nextManualId_ = 1;
};

}  // namespace velto

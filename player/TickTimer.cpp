#include "player/TickTimer.h"

#include <mmsystem.h>

#include <algorithm>

namespace velto {

TickTimer::TickTimer(Mode mode) : mode_(mode)
{
    if (mode_ != Mode::Multimedia) return;
    TIMECAPS caps{};
    if (::timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR) return;
    period_ = std::min<UINT>(std::max<UINT>(caps.wPeriodMin, 1), caps.wPeriodMax);
    if (::timeBeginPeriod(period_) != TIMERR_NOERROR) period_ = 0;
}

TickTimer::~TickTimer()
{
    Kill();
    // Leaving the raised resolution behind would keep the whole system's timer fine after
    // the library is gone.
    if (period_ != 0) ::timeEndPeriod(period_);
}

bool TickTimer::Start(UINT intervalMs, Callback callback, void* context)
{
    Kill();
    callback_ = callback;
    context_ = context;
    if (mode_ == Mode::Manual) {
        id_.store(nextManualId_++);
        return true;
    }
    const UINT id =
        ::timeSetEvent(intervalMs, period_, &TickTimer::Thunk, reinterpret_cast<DWORD_PTR>(this),
                       TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    id_.store(id);
    return id != 0;
}

void TickTimer::Kill()
{
    const UINT id = id_.exchange(0);
    if (id != 0 && mode_ == Mode::Multimedia) ::timeKillEvent(id);
}

void CALLBACK TickTimer::Thunk(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR)
{
    auto* self = reinterpret_cast<TickTimer*>(user);
    if (!self->IsCurrent(id)) return;
    self->callback_(self->context_, id);
}

}  // namespace velto

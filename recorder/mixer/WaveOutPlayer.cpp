#include "recorder/mixer/WaveOutPlayer.h"

#include <process.h>

#include <cmath>
#include <algorithm>

#include "common/AppMessageBox.h"

namespace velto {

std::atomic<int> CWaveOutPlayer::liveFeeders_{0};
CToneGenerator g_testTone;

namespace {

constexpr DWORD kStopPauseMs = 50;
constexpr wchar_t kEventName[] = L"WaveOutThreadEvent";

// Start runs on the user-interface thread: its boxes belong to whatever window is active
// there. The feeder has no windows, so its boxes get no owner.
void TellUser(const wchar_t* text)
{
    AppMessageBox(::GetActiveWindow(), text);
}

}  // namespace

CWaveOutPlayer::CWaveOutPlayer() = default;

CWaveOutPlayer::~CWaveOutPlayer()
{
    // A derived player stops itself while its Fill still exists; this catches a bare player.
    if (device_ || feeder_) Stop();
}

void CWaveOutPlayer::ClearBuffers()
{
    for (auto& b : buffers_) std::fill(b, b + kBufferLength, int16_t{0});
}

MMRESULT CWaveOutPlayer::Start()
{
    if (device_ || feeder_) Stop();
    if (::waveOutGetNumDevs() == 0) {
        TellUser(L"No Sound Output Device");
        return 0;
    }
    if (::waveOutGetDevCapsW(0, &caps_, sizeof caps_) != MMSYSERR_NOERROR)
        TellUser(L"Sound output Cannot determine card capabilities !");

    stopFlag_ = 0;
    event_.reset(::CreateEventW(nullptr, FALSE, FALSE, kEventName));
    // Suspended until both buffers are queued, so the first thing it sees is a real device.
    uintptr_t thread =
        _beginthreadex(nullptr, 0, &CWaveOutPlayer::FeederEntry, this, CREATE_SUSPENDED, nullptr);
    if (thread == 0) {
        stopFlag_ = 1;
        event_.reset();
        return MMSYSERR_NOMEM;
    }
    ++liveFeeders_;
    feeder_.reset(reinterpret_cast<HANDLE>(thread));
    ::SetThreadPriority(feeder_.get(), THREAD_PRIORITY_TIME_CRITICAL);

    format_ = WAVEFORMATEX{};
    format_.wFormatTag = WAVE_FORMAT_PCM;
    format_.nChannels = 1;
    format_.nSamplesPerSec = static_cast<DWORD>(sampleRate_);
    format_.wBitsPerSample = 16;
    format_.nBlockAlign = 2;
    format_.nAvgBytesPerSec = static_cast<DWORD>(2 * sampleRate_);

    MMRESULT r = ::waveOutOpen(&device_, 0, &format_, reinterpret_cast<DWORD_PTR>(event_.get()), 0,
                               CALLBACK_EVENT);
    if (r != MMSYSERR_NOERROR) {
        device_ = nullptr;
        TellUser(L"Sound output Cannot Open Device!");
        EndFeeder();
        return r;
    }
    bool queued = true;
    for (int i = 0; i < 2 && queued; ++i) {
        currentBuffer_ = i;
        WAVEHDR& h = headers_[i];
        h = WAVEHDR{};
        h.lpData = reinterpret_cast<LPSTR>(buffers_[i]);
        h.dwBufferLength = static_cast<DWORD>(bufferLength_ * sizeof(int16_t));
        r = ::waveOutPrepareHeader(device_, &h, sizeof h);
        if (r != MMSYSERR_NOERROR || !(h.dwFlags & WHDR_PREPARED)) {
            TellUser(L" Sound Output Cannot Prepare Header !");
            queued = false;
        } else if ((r = ::waveOutWrite(device_, &h, sizeof h)) != MMSYSERR_NOERROR) {
            TellUser(L" Sound Output Cannot Write Buffer !");
            queued = false;
        }
        queuedLength_ = bufferLength_;
    }
    if (!queued) {
        // Nothing may keep playing half set up: leave the player stopped.
        EndFeeder();
        CloseDevice();
        return r != MMSYSERR_NOERROR ? r : MMSYSERR_ERROR;
    }
    ::ResumeThread(feeder_.get());
    return 0;
}

void CWaveOutPlayer::Stop()
{
    // Paused first, so the device does not run dry and complain while the feeder winds down.
    if (device_) ::waveOutPause(device_);
    ::Sleep(kStopPauseMs);
    stopFlag_ = 1;
    if (event_) ::SetEvent(event_.get());
    ::Sleep(kStopPauseMs);
    // The pauses alone do not promise that the feeder is out of the device (it may be showing
    // a message box): wait for it before the device and the event go away.
    EndFeeder();
    CloseDevice();
}

void CWaveOutPlayer::EndFeeder()
{
    stopFlag_ = 1;
    if (feeder_) {
        if (event_) ::SetEvent(event_.get());
        // A feeder still suspended (a failed Start) must run to see the flag.
        ::ResumeThread(feeder_.get());
        ::WaitForSingleObject(feeder_.get(), INFINITE);
        feeder_.reset();
    }
}

void CWaveOutPlayer::CloseDevice()
{
    if (device_) {
        ::waveOutReset(device_);
        for (WAVEHDR& h : headers_)
            if (h.dwFlags & WHDR_PREPARED) ::waveOutUnprepareHeader(device_, &h, sizeof h);
        ::waveOutClose(device_);
        device_ = nullptr;
    }
    event_.reset();
}

unsigned __stdcall CWaveOutPlayer::FeederEntry(void* self)
{
    try {
        static_cast<CWaveOutPlayer*>(self)->FeedUntilStopped();
    } catch (...) {
        // Nothing unwinds out of a thread; the tone just ends.
    }
    --liveFeeders_;
    return 0;
}

void CWaveOutPlayer::FeedUntilStopped()
{
    // The event fires for the device's open notification and for every returned buffer; a
    // wake-up only looks at which buffers are done, so a notification that merged with
    // another or came before the thread ran loses nothing.
    while (!stopFlag_) {
        if (::WaitForSingleObject(event_.get(), INFINITE) != WAIT_OBJECT_0) return;
        if (stopFlag_) return;
        RequeueFinishedBuffers();
    }
}

void CWaveOutPlayer::RequeueFinishedBuffers()
{
    // The device plays the buffers alternately, so the one after the last queued is the
    // first to come back; refilling in that order keeps the wave continuous.
    for (int n = 0; n < 2 && !stopFlag_; ++n) {
        const int next = currentBuffer_ ^ 1;
        if (!(headers_[next].dwFlags & WHDR_DONE)) return;
        currentBuffer_ = next;
        if (::waveOutUnprepareHeader(device_, &headers_[next], sizeof(WAVEHDR)) !=
            MMSYSERR_NOERROR) {
            AppMessageBox(nullptr, L"Sound output Cannot UnPrepareHeader !");
            return;
        }
        Fill();
        QueueBuffer(next);
    }
}

MMRESULT CWaveOutPlayer::QueueBuffer(int index)
{
    WAVEHDR& h = headers_[index];
    h = WAVEHDR{};
    h.lpData = reinterpret_cast<LPSTR>(buffers_[index]);
    h.dwBufferLength = static_cast<DWORD>(bufferLength_ * sizeof(int16_t));
    MMRESULT r = ::waveOutPrepareHeader(device_, &h, sizeof h);
    if (r != MMSYSERR_NOERROR || !(h.dwFlags & WHDR_PREPARED))
        AppMessageBox(nullptr, L"Sound output Cannot Prepare Header !");
    r = ::waveOutWrite(device_, &h, sizeof h);
    if (r != MMSYSERR_NOERROR) {
        AppMessageBox(nullptr, L"Sound output Cannot Add Buffer !");
        return r;
    }
    queuedLength_ = bufferLength_;
    return MMSYSERR_NOERROR;
}

// ---- the tone ----

CToneGenerator::CToneGenerator()
{
    Rewind();
}

CToneGenerator::~CToneGenerator()
{
    Stop();
}

void CToneGenerator::Set(int16_t amplitude, double frequency) noexcept
{
    amplitude_ = amplitude;
    frequency_ = frequency;
}

void CToneGenerator::Recompute() noexcept
{
    const double pi = 4.0 * std::atan(1.0);
    omega_ = 2.0 * pi * frequency_ / rate_;
    coefficient_ = 2.0 * std::cos(omega_);
    // The two values before the first sample, as if buffer 1 had just played them: the
    // first fill of buffer 0 then starts at A·sin ω.
    const int n = bufferLength();
    waves_[1][n - 2] = -amplitude_ * std::sin(omega_);
    waves_[1][n - 1] = 0.0;
}

void CToneGenerator::Rewind() noexcept
{
    Recompute();
    setCurrentBuffer(0);
    Fill();
    setCurrentBuffer(1);
    Fill();
}

MMRESULT CToneGenerator::Restart()
{
    Stop();
    Rewind();
    return Start();
}

void CToneGenerator::Fill()
{
    const int n = bufferLength();
    const int cur = currentBuffer();
    const double* prev = waves_[cur ^ 1];
    double* y = waves_[cur];
    int16_t* out = mutableBuffer(cur);
    y[0] = coefficient_ * prev[n - 1] - prev[n - 2];
    y[1] = coefficient_ * y[0] - prev[n - 1];
    for (int i = 2; i < n; ++i) y[i] = coefficient_ * y[i - 1] - y[i - 2];
    // Truncation toward zero, as the tone has always been rounded.
    for (int i = 0; i < n; ++i) out[i] = static_cast<int16_t>(static_cast<int>(y[i]));
}

}  // namespace velto

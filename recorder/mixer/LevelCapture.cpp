#include "recorder/mixer/LevelCapture.h"

#include <process.h>

#include <algorithm>
#include <cstring>

namespace velto {

CLevelCapture g_levelCapture;

CLevelCapture::~CLevelCapture()
{
    Stop();
}

void CLevelCapture::ClearBlock()
{
    std::lock_guard<std::mutex> lock(blockLock_);
    block_.fill(0);
}

CLevelCapture::Block CLevelCapture::Snapshot() const
{
    std::lock_guard<std::mutex> lock(blockLock_);
    return block_;
}

MMRESULT CLevelCapture::Start()
{
    Stop();
    // Samples of an earlier set-up must not count as clipping in this one.
    ClearBlock();

    WAVEFORMATEX format{};
    format.wFormatTag = WAVE_FORMAT_PCM;
    format.nChannels = 1;
    format.nSamplesPerSec = static_cast<DWORD>(sampleRate_);
    format.wBitsPerSample = 16;
    format.nBlockAlign = 2;
    format.nAvgBytesPerSec = static_cast<DWORD>(2 * sampleRate_);

    event_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!event_) return MMSYSERR_NOMEM;
    MMRESULT r = ::waveInOpen(&device_, 0, &format, reinterpret_cast<DWORD_PTR>(event_.get()), 0,
                              CALLBACK_EVENT);
    if (r != MMSYSERR_NOERROR) {
        device_ = nullptr;
        event_.reset();
        return r;
    }
    for (int i = 0; i < kQueuedBlocks; ++i) {
        WAVEHDR& h = headers_[i];
        h = WAVEHDR{};
        h.lpData = reinterpret_cast<LPSTR>(buffers_[i]);
        h.dwBufferLength = static_cast<DWORD>(blockBytes_);
        ::waveInPrepareHeader(device_, &h, sizeof h);
        ::waveInAddBuffer(device_, &h, sizeof h);
    }
    nextHeader_ = 0;
    stopFlag_ = 0;
    uintptr_t thread = _beginthreadex(nullptr, 0, &CLevelCapture::CaptureEntry, this, 0, nullptr);
    if (thread == 0) {
        stopFlag_ = 1;
        CloseDevice();
        return MMSYSERR_NOMEM;
    }
    thread_.reset(reinterpret_cast<HANDLE>(thread));
    r = ::waveInStart(device_);
    if (r != MMSYSERR_NOERROR) Stop();
    return r;
}

void CLevelCapture::Stop()
{
    stopFlag_ = 1;
    if (event_) ::SetEvent(event_.get());
    if (thread_) {
        ::WaitForSingleObject(thread_.get(), INFINITE);
        thread_.reset();
    }
    CloseDevice();
}

void CLevelCapture::CloseDevice()
{
    if (device_) {
        ::waveInReset(device_);
        ::waveInStop(device_);
        for (WAVEHDR& h : headers_)
            if (h.dwFlags & WHDR_PREPARED) ::waveInUnprepareHeader(device_, &h, sizeof h);
        ::waveInClose(device_);
        device_ = nullptr;
    }
    event_.reset();
}

unsigned __stdcall CLevelCapture::CaptureEntry(void* self)
{
    try {
        static_cast<CLevelCapture*>(self)->CaptureUntilStopped();
    } catch (...) {
        // Nothing unwinds out of a thread; the block just stops changing.
    }
    return 0;
}

void CLevelCapture::CaptureUntilStopped()
{
    while (!stopFlag_) {
        if (::WaitForSingleObject(event_.get(), INFINITE) != WAIT_OBJECT_0) return;
        if (stopFlag_) return;
        TakeFinishedBlocks();
    }
}

void CLevelCapture::TakeFinishedBlocks()
{
    // The driver fills the queued blocks in order; one wake-up may stand for several.
    for (int n = 0; n < kQueuedBlocks && !stopFlag_; ++n) {
        WAVEHDR& h = headers_[nextHeader_];
        if (!(h.dwFlags & WHDR_DONE)) return;
        Append(buffers_[nextHeader_], static_cast<int>(h.dwBytesRecorded / 2));
        OnBlock();
        ::waveInUnprepareHeader(device_, &h, sizeof h);
        h.dwFlags = 0;
        h.dwBytesRecorded = 0;
        ::waveInPrepareHeader(device_, &h, sizeof h);
        ::waveInAddBuffer(device_, &h, sizeof h);
        nextHeader_ = (nextHeader_ + 1) % kQueuedBlocks;
    }
}

void CLevelCapture::Append(const int16_t* samples, int count)
{
    count = std::min(count, kBlockSamples);
    if (count <= 0) return;
    std::lock_guard<std::mutex> lock(blockLock_);
    // Keep the newest kBlockSamples: slide the older ones left, then add the new ones.
    std::memmove(block_.data(), block_.data() + count,
                 sizeof(int16_t) * static_cast<size_t>(kBlockSamples - count));
    std::memcpy(block_.data() + (kBlockSamples - count), samples,
                sizeof(int16_t) * static_cast<size_t>(count));
}

}  // namespace velto

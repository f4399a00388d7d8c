#include "recorder/recording/SoundDevice.h"

#include <cstring>

#include "recorder/recording/Presets.h"

namespace velto {

CWaveInDevice::~CWaveInDevice() { Close(); }

DWORD CWaveInDevice::ReadWaitMs(int bytesPerSecond)
{
    if (bytesPerSecond <= 0) return 1000;
    return static_cast<DWORD>(2ull * kSliceBytes * 1000 / static_cast<unsigned>(bytesPerSecond)) + 100;
}

bool CWaveInDevice::Open(const wchar_t* /*name*/)
{
    format_ = MakePcmFormat(channels, sampleRate);
    readWaitMs_ = ReadWaitMs(static_cast<int>(format_.nAvgBytesPerSec));
    MMRESULT r = ::waveInOpen(&handle_, static_cast<UINT>(deviceId), &format_,
                              reinterpret_cast<DWORD_PTR>(&DriverCallback),
                              reinterpret_cast<DWORD_PTR>(this), CALLBACK_FUNCTION);
    if (r != MMSYSERR_NOERROR) {
        handle_ = nullptr;
        return false;
    }
    // The semaphores exist before any slice is queued: the driver may call back at once.
    freeSlices_.reset(::CreateSemaphoreW(nullptr, kSlices, kSlices, nullptr));
    filledSlices_.reset(::CreateSemaphoreW(nullptr, 0, kSlices, nullptr));
    if (!freeSlices_ || !filledSlices_) {
        // Without them no slice would ever be counted: a recording that runs with no data.
        ::waveInClose(handle_);
        handle_ = nullptr;
        freeSlices_.reset();
        filledSlices_.reset();
        return false;
    }
    ring_ = new BYTE[kSlices * kSliceBytes];
    for (int i = 0; i < kSlices; ++i) {
        WAVEHDR& h = headers_[i];
        std::memset(&h, 0, sizeof h);
        h.lpData = reinterpret_cast<LPSTR>(ring_ + i * kSliceBytes);
        h.dwBufferLength = kSliceBytes;
        ::waveInPrepareHeader(handle_, &h, sizeof h);
        ::waveInAddBuffer(handle_, &h, sizeof h);
    }
    nextSlice_ = 0;
    return true;
}

int CWaveInDevice::Start()
{
    if (handle_ && ::waveInStart(handle_) == MMSYSERR_NOERROR) started_ = true;
    return 1;
}

void CALLBACK CWaveInDevice::DriverCallback(HWAVEIN, UINT msg, DWORD_PTR instance, DWORD_PTR,
                                            DWORD_PTR)
{
    if (msg == WIM_DATA) reinterpret_cast<CWaveInDevice*>(instance)->OnSliceFilled();
}

void CWaveInDevice::OnSliceFilled()
{
    // Runs on the driver's thread, where waiting or calling back into wave-in is unsafe: the
    // slice is only moved from one count to the other. The free count always covers the
    // returned slice, so the zero-time wait cannot fail in practice.
    ::WaitForSingleObject(freeSlices_.get(), 0);
    ::ReleaseSemaphore(filledSlices_.get(), 1, nullptr);
}

int CWaveInDevice::Read(void* buffer, int length)
{
    if (!handle_) return 0;
    if (::WaitForSingleObject(filledSlices_.get(), readWaitMs_) != WAIT_OBJECT_0) return 0;

    WAVEHDR& h = headers_[nextSlice_];
    const int copy = length < kSliceBytes ? length : kSliceBytes;
    std::memcpy(buffer, h.lpData, static_cast<size_t>(copy));
    int recorded = static_cast<int>(h.dwBytesRecorded);
    if (recorded > copy) recorded = copy;
    RequeueSlice();
    return recorded;
}

HRESULT CWaveInDevice::DeliverSlice(PcmSink& sink, CaptureCursor& cursor)
{
    if (!handle_) return kCopyContinue;
    WAVEHDR& h = headers_[nextSlice_];
    DWORD recorded = h.dwBytesRecorded;
    if (recorded > static_cast<DWORD>(kSliceBytes)) recorded = kSliceBytes;
    const HRESULT hr = CopyBlock(reinterpret_cast<const BYTE*>(h.lpData), recorded, sink, cursor);
    RequeueSlice();
    return hr;
}

void CWaveInDevice::RequeueSlice()
{
    // Hand the slice straight back so the driver always has the other seven to fill.
    WAVEHDR& h = headers_[nextSlice_];
    ::waveInUnprepareHeader(handle_, &h, sizeof h);
    h.dwFlags = 0;
    h.dwBytesRecorded = 0;
    ::waveInPrepareHeader(handle_, &h, sizeof h);
    ::waveInAddBuffer(handle_, &h, sizeof h);
    nextSlice_ = (nextSlice_ + 1) % kSlices;
    ::ReleaseSemaphore(freeSlices_.get(), 1, nullptr);
}

int CWaveInDevice::Close()
{
    if (handle_) {
        // A device that never started will not fill its slices: they come back at once.
        if (!started_) ::waveInReset(handle_);
        // Let the driver return what it still holds; a driver that never does (a stalled or
        // removed device) is reset so that closing takes bounded time.
        const DWORD start = ::GetTickCount();
        for (;;) {
            for (WAVEHDR& h : headers_)
                if (h.dwFlags & WHDR_DONE) ::waveInUnprepareHeader(handle_, &h, sizeof h);
            MMRESULT r = ::waveInClose(handle_);
            if (r != WAVERR_STILLPLAYING) break;
            if (::GetTickCount() - start >= kCloseWaitMs) {
                ::waveInReset(handle_);
                for (WAVEHDR& h : headers_) ::waveInUnprepareHeader(handle_, &h, sizeof h);
                ::waveInClose(handle_);
                break;
            }
            ::Sleep(10);
        }
        handle_ = nullptr;
    }
    started_ = false;
    delete[] ring_;
    ring_ = nullptr;
    std::memset(headers_, 0, sizeof headers_);
    freeSlices_.reset();
    filledSlices_.reset();
    return 1;
}

HRESULT WaveInSource::Open(const WAVEFORMATEX& wanted)
{
    format_ = wanted;
    device_.channels = wanted.nChannels;
    device_.sampleRate = static_cast<int>(wanted.nSamplesPerSec);
    device_.deviceId = deviceId;
    return device_.Open(L"") ? S_OK : E_FAIL;
}

HRESULT WaveInSource::Start()
{
    device_.Start();
    return S_OK;
}

HRESULT WaveInSource::Deliver(PcmSink& sink, CaptureCursor& cursor)
{
    return device_.DeliverSlice(sink, cursor);
}

}  // namespace velto

#include "recorder/recording/DirectSoundSource.h"

#include <objbase.h>

namespace velto {

DirectSoundSource::~DirectSoundSource()
{
    Close();
}

HRESULT DirectSoundSource::Open(const WAVEFORMATEX& wanted)
{
    format_ = wanted;
    dataReady_.reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!dataReady_) return E_FAIL;
    HRESULT hr = ::CoInitialize(nullptr);
    if (FAILED(hr)) return hr;
    comInitialized_ = true;
    hr = ::DirectSoundCaptureCreate(nullptr, device_.put(), nullptr);
    if (SUCCEEDED(hr)) hr = CreateBuffer();
    if (SUCCEEDED(hr)) hr = SetNotifications();
    return hr;
}

HRESULT DirectSoundSource::CreateBuffer()
{
    const DWORD blockAlign = format_.nBlockAlign ? format_.nBlockAlign : 1;
    const DWORD blockSize = kBlockBytes - kBlockBytes % blockAlign;
    DSCBUFFERDESC description{};
    description.dwSize = sizeof(DSCBUFFERDESC);  // no flags, no effects
    description.dwBufferBytes = kBlocks * blockSize;
    description.lpwfxFormat = &format_;
    const HRESULT hr = device_->CreateCaptureBuffer(&description, buffer_.put(), nullptr);
    if (FAILED(hr)) return hr;
    blockSize_ = blockSize;
    bufferSize_ = kBlocks * blockSize;
    return hr;
}

HRESULT DirectSoundSource::SetNotifications()
{
    HRESULT hr =
        buffer_->QueryInterface(IID_IDirectSoundNotify, reinterpret_cast<void**>(notify_.put()));
    if (FAILED(hr)) return hr;
    DSBPOSITIONNOTIFY positions[kBlocks + 1]{};
    for (DWORD i = 0; i < kBlocks; ++i) {
        positions[i].dwOffset = (i + 1) * blockSize_ - 1;
        positions[i].hEventNotify = dataReady_.get();
    }
    positions[kBlocks].dwOffset = static_cast<DWORD>(DSBPN_OFFSETSTOP);
    positions[kBlocks].hEventNotify = dataReady_.get();
    hr = notify_->SetNotificationPositions(kBlocks + 1, positions);
    if (FAILED(hr)) return hr;

    // The file and the byte rate follow what the device really captures.
    WAVEFORMATEX actual{};
    DWORD size = 0;
    if (SUCCEEDED(buffer_->GetFormat(&actual, sizeof actual, &size)) &&
        actual.nAvgBytesPerSec != 0 && actual.nBlockAlign != 0) {
        if (actual.wFormatTag == WAVE_FORMAT_PCM) actual.cbSize = 0;
        format_ = actual;
    }
    return S_OK;
}

HRESULT DirectSoundSource::Start()
{
    return buffer_ ? buffer_->Start(DSCBSTART_LOOPING) : E_FAIL;
}

HRESULT DirectSoundSource::Deliver(PcmSink& sink, CaptureCursor& cursor)
{
    // The buffer went away underneath earlier (it stopped by itself): nothing more comes.
    if (!buffer_) return kCopyLimitReached;
    if (!positioned_) {
        cursor.bufferSize = bufferSize_;
        cursor.blockSize = blockSize_;
        cursor.nextOffset = 0;
        positioned_ = true;
    }
    DWORD status = 0;
    if (SUCCEEDED(buffer_->GetStatus(&status)) && !(status & DSCBSTATUS_CAPTURING)) {
        // The buffer stopped without being asked to: let it go; the recording keeps what it
        // has until the user stops.
        notify_.reset();
        buffer_.reset();
        return kCopyContinue;
    }
    DirectSoundCaptureRing ring(buffer_.get());
    return CopyCaptured(ring, sink, cursor);
}

void DirectSoundSource::Close()
{
    if (buffer_) buffer_->Stop();
    // The capture objects go before the event they signal.
    notify_.reset();
    buffer_.reset();
    device_.reset();
    if (comInitialized_) {
        ::CoUninitialize();
        comInitialized_ = false;
    }
}

}  // namespace velto

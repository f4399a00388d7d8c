#include "recorder/recording/CaptureCopy.h"

#include "recorder/recording/WaveWriter.h"

namespace velto {

HRESULT DirectSoundCaptureRing::GetReadPosition(DWORD* readPosition)
{
    DWORD capturePosition = 0;
    return buffer_->GetCurrentPosition(&capturePosition, readPosition);
}

HRESULT DirectSoundCaptureRing::Lock(DWORD offset, DWORD bytes, void** first, DWORD* firstBytes,
                                     void** second, DWORD* secondBytes)
{
    return buffer_->Lock(offset, bytes, first, firstBytes, second, secondBytes, 0);
}

HRESULT DirectSoundCaptureRing::Unlock(void* first, DWORD firstBytes, void* second,
                                       DWORD secondBytes)
{
    return buffer_->Unlock(first, firstBytes, second, secondBytes);
}

namespace {

struct Cut {
    bool limitReached = false;
    bool fileFull = false;
};

// Writes one locked region, cut at whichever limit it reaches first.
HRESULT CopyRegion(const void* region, DWORD length, CWaveWriter& writer, CaptureCursor& cursor,
                   Cut& cut)
{
    uint64_t count = length;
    if (cursor.limit != kNoByteLimit && cursor.bytesWritten + count >= cursor.limit) {
        count = cursor.limit > cursor.bytesWritten ? cursor.limit - cursor.bytesWritten : 0;
        cut.limitReached = true;
    }
    if (cursor.maxDataBytes != kNoByteLimit && cursor.bytesWritten + count >= cursor.maxDataBytes) {
        count = cursor.maxDataBytes > cursor.bytesWritten
                    ? cursor.maxDataBytes - cursor.bytesWritten
                    : 0;
        cut.fileFull = true;
    }
    DWORD written = 0;
    const HRESULT hr =
        writer.Write(static_cast<DWORD>(count), static_cast<const BYTE*>(region), &written);
    cursor.bytesWritten += written;
    cursor.nextOffset = (cursor.nextOffset + length) % cursor.bufferSize;
    return FAILED(hr) ? kCopyWriteFailed : S_OK;
}

}  // namespace

HRESULT CopyCaptured(CaptureRing& ring, CWaveWriter& writer, CaptureCursor& cursor)
{
    if (cursor.bufferSize == 0 || cursor.blockSize == 0) return E_UNEXPECTED;
    DWORD readPosition = 0;
    HRESULT hr = ring.GetReadPosition(&readPosition);
    if (FAILED(hr)) return hr;

    DWORD amount = readPosition >= cursor.nextOffset
                       ? readPosition - cursor.nextOffset
                       : readPosition + cursor.bufferSize - cursor.nextOffset;
    amount -= amount % cursor.blockSize;
    // A notification that arrives a little early finds less than a block: the rest comes
    // with the next one.
    if (amount == 0) return kCopyContinue;

    void* first = nullptr;
    void* second = nullptr;
    DWORD firstBytes = 0;
    DWORD secondBytes = 0;
    hr = ring.Lock(cursor.nextOffset, amount, &first, &firstBytes, &second, &secondBytes);
    if (FAILED(hr)) return hr;

    Cut cut;
    hr = S_OK;
    if (first && firstBytes) hr = CopyRegion(first, firstBytes, writer, cursor, cut);
    if (SUCCEEDED(hr) && second && secondBytes)
        hr = CopyRegion(second, secondBytes, writer, cursor, cut);
    ring.Unlock(first, firstBytes, second, secondBytes);
    if (FAILED(hr)) return hr;
    if (cut.limitReached) return kCopyLimitReached;
    if (cut.fileFull) return kCopyFileFull;
    return kCopyContinue;
}

}  // namespace velto

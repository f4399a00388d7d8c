#include "recorder/recording/CaptureCopy.h"

#include "recorder/recording/Recorder.h"

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

// Hands one stretch to the sink, cut at whichever limit it reaches first.
HRESULT CopyCut(const void* region, DWORD length, PcmSink& sink, CaptureCursor& cursor, Cut& cut)
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
        sink.Write(static_cast<DWORD>(count), static_cast<const BYTE*>(region), &written);
    cursor.bytesWritten += written;
    return FAILED(hr) ? kCopyWriteFailed : S_OK;
}

// One locked region of a looping buffer: the cursor moves past all of it, cut or not.
HRESULT CopyRegion(const void* region, DWORD length, PcmSink& sink, CaptureCursor& cursor,
                   Cut& cut)
{
    const HRESULT hr = CopyCut(region, length, sink, cursor, cut);
    cursor.nextOffset = (cursor.nextOffset + length) % cursor.bufferSize;
    return hr;
}

HRESULT Outcome(HRESULT hr, const Cut& cut)
{
    if (FAILED(hr)) return hr;
    if (cut.limitReached) return kCopyLimitReached;
    if (cut.fileFull) return kCopyFileFull;
    return kCopyContinue;
}

LPARAM Text(const wchar_t* text)
{
    return reinterpret_cast<LPARAM>(text);
}

}  // namespace

HRESULT CopyBlock(const BYTE* data, DWORD length, PcmSink& sink, CaptureCursor& cursor)
{
    Cut cut;
    return Outcome(CopyCut(data, length, sink, cursor, cut), cut);
}

HRESULT CopyCaptured(CaptureRing& ring, PcmSink& sink, CaptureCursor& cursor)
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
    if (first && firstBytes) hr = CopyRegion(first, firstBytes, sink, cursor, cut);
    if (SUCCEEDED(hr) && second && secondBytes)
        hr = CopyRegion(second, secondBytes, sink, cursor, cut);
    ring.Unlock(first, firstBytes, second, secondBytes);
    return Outcome(hr, cut);
}

uint64_t AutoStopLimitBytes(uint64_t bytesPerSecond)
{
    if (!g_autoStop.enabled.load()) return kNoByteLimit;
    int seconds = g_autoStop.seconds.load();
    if (seconds < 0) seconds = 0;
    return static_cast<uint64_t>(seconds) * bytesPerSecond;
}

BlockOutcome AfterBlockCopied(HRESULT copyResult, uint64_t bytesWritten, uint64_t bytesPerSecond,
                              int autoStopSeconds, int64_t& lastSecond)
{
    BlockOutcome outcome;
    const int64_t seconds =
        bytesPerSecond ? static_cast<int64_t>(bytesWritten / bytesPerSecond) : 0;
    if (copyResult == kCopyContinue) {
        if (seconds != lastSecond) {
            outcome.notify = true;
            outcome.what = NOTIFY_ELAPSED;
            outcome.value = static_cast<LPARAM>(seconds);
            lastSecond = seconds;
        }
        return outcome;
    }
    outcome.ends = true;
    outcome.notify = true;
    if (copyResult == kCopyFileFull) {
        outcome.what = NOTIFY_ERROR;
        outcome.value = Text(kFileFullError);
    } else if (copyResult == kCopyWriteFailed) {
        outcome.what = NOTIFY_ERROR;
        outcome.value = Text(kFileWriteError);
    } else if (FAILED(copyResult)) {
        outcome.what = NOTIFY_ERROR;
        outcome.value = Text(kCaptureFailedError);
    } else if (seconds == autoStopSeconds) {
        outcome.what = NOTIFY_LIMIT;
    } else {
        outcome.what = NOTIFY_ELAPSED;
        outcome.value = static_cast<LPARAM>(seconds);
    }
    return outcome;
}

}  // namespace velto

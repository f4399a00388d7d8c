// Copying what a looping capture buffer has filled into the WAV writer, block by block.
//
// The capture buffer is reached through CaptureRing, the three calls copying needs, so the
// copy (wrapping, the auto-stop cut, the file-size cut, lock failures) can be driven against a
// buffer that misbehaves on request.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <cstdint>

namespace velto {

class CWaveWriter;

class CaptureRing {
public:
    virtual ~CaptureRing() = default;
    // The end of the data that is safe to read.
    virtual HRESULT GetReadPosition(DWORD* readPosition) = 0;
    // `second` is null (and `secondBytes` 0) unless the range wraps past the buffer's end.
    virtual HRESULT Lock(DWORD offset, DWORD bytes, void** first, DWORD* firstBytes, void** second,
                         DWORD* secondBytes) = 0;
    virtual HRESULT Unlock(void* first, DWORD firstBytes, void* second, DWORD secondBytes) = 0;
};

// The real thing: a DirectSound capture buffer (not owned).
class DirectSoundCaptureRing : public CaptureRing {
public:
    explicit DirectSoundCaptureRing(IDirectSoundCaptureBuffer* buffer) : buffer_(buffer) {}
    HRESULT GetReadPosition(DWORD* readPosition) override;
    HRESULT Lock(DWORD offset, DWORD bytes, void** first, DWORD* firstBytes, void** second,
                 DWORD* secondBytes) override;
    HRESULT Unlock(void* first, DWORD firstBytes, void* second, DWORD secondBytes) override;

private:
    IDirectSoundCaptureBuffer* buffer_;
};

inline constexpr uint64_t kNoByteLimit = ~uint64_t{0};

// Where copying stands in one recording. Counts are 64-bit so that elapsed seconds and the
// limits stay right however long a recording runs.
struct CaptureCursor {
    DWORD bufferSize = 0;
    DWORD blockSize = 0;
    DWORD nextOffset = 0;                  // where the next unread data begins
    uint64_t bytesWritten = 0;             // sample bytes the writer has taken
    uint64_t limit = kNoByteLimit;         // auto-stop, in bytes
    uint64_t maxDataBytes = kNoByteLimit;  // what the file can hold
};

// Results of CopyCaptured besides failures (negative).
enum CopyResult : HRESULT {
    kCopyContinue = 0,      // copied whatever whole blocks there were (perhaps none)
    kCopyLimitReached = 1,  // the auto-stop limit was reached: the recording is complete
    kCopyFileFull = 2,      // the file cannot take more: stopped just before its limit
};
// The writer refused bytes (disk full, file gone); other failures come from the buffer.
inline const HRESULT kCopyWriteFailed = HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);

// Copies every whole block between the cursor and the buffer's read position into `writer`,
// in order, cutting the last stretch at the auto-stop limit or the file's limit.
HRESULT CopyCaptured(CaptureRing& ring, CWaveWriter& writer, CaptureCursor& cursor);

}  // namespace velto

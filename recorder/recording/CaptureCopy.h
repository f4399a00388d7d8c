// The arithmetic of a recording, in one place: how captured bytes are cut at the auto-stop
// limit and at what the file can hold, how they are counted, and what the main window is told
// after each stretch (elapsed seconds, the limit, an error). Every capture source hands its
// data over through CopyBlock or CopyCaptured, and the engine decides with AfterBlockCopied.
//
// A looping capture buffer is reached through CaptureRing, the three calls copying needs, so
// the copy (wrapping, the cuts, lock failures) can be driven against a buffer that misbehaves
// on request.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

#include <cstdint>

#include "recorder/recording/PcmSink.h"

namespace velto {

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
    uint64_t bytesWritten = 0;             // sample bytes the sink has taken
    uint64_t limit = kNoByteLimit;         // auto-stop, in bytes
    uint64_t maxDataBytes = kNoByteLimit;  // what the file can hold
};

// Results of CopyCaptured besides failures (negative).
enum CopyResult : HRESULT {
    kCopyContinue = 0,      // copied whatever whole blocks there were (perhaps none)
    kCopyLimitReached = 1,  // the auto-stop limit was reached: the recording is complete
    kCopyFileFull = 2,      // the file cannot take more: stopped just before its limit
};
// The sink refused bytes (disk full, file gone, an encoder failure); other failures come from
// the capture.
inline const HRESULT kCopyWriteFailed = HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);

// Hands `length` captured bytes to `sink`, cut at the auto-stop limit or the file's limit.
HRESULT CopyBlock(const BYTE* data, DWORD length, PcmSink& sink, CaptureCursor& cursor);

// Copies every whole block between the cursor and the buffer's read position into `sink`,
// in order, cutting the last stretch at the auto-stop limit or the file's limit.
HRESULT CopyCaptured(CaptureRing& ring, PcmSink& sink, CaptureCursor& cursor);

// Auto-stop limit in bytes for the current settings, or kNoByteLimit without auto-stop.
uint64_t AutoStopLimitBytes(uint64_t bytesPerSecond);

// What the worker makes of one stretch, given what copying returned: whether the recording is
// over and what the main window is told. `lastSecond` is the second last reported; it is
// updated when a new one is reported.
struct BlockOutcome {
    bool ends = false;    // the recording is complete or failed: the worker stops
    bool notify = false;  // post WM_RECORDER_NOTIFY with `what` and `value`
    WPARAM what = 0;
    LPARAM value = 0;
};
BlockOutcome AfterBlockCopied(HRESULT copyResult, uint64_t bytesWritten, uint64_t bytesPerSecond,
                              int autoStopSeconds, int64_t& lastSecond);

// Texts posted with NOTIFY_ERROR when a recording ends on a failure of its capture or file.
inline constexpr const wchar_t* kDeviceOpenError = L"장치를 열수가 없습니다..";
inline constexpr const wchar_t* kCaptureFailedError = L"녹음을 할 수 없습니다.";
inline constexpr const wchar_t* kFileCreateError = L"파일을 만들 수 없습니다.";
inline constexpr const wchar_t* kFileWriteError = L"파일을 저장할 수 없습니다.";
inline constexpr const wchar_t* kFileFullError = L"파일 크기가 2GB에 이르러 녹음을 중지 하였습니다..";

}  // namespace velto

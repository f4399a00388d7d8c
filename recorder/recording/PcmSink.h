// Where captured 16-bit PCM goes: the WAV writer, or a recording's encoder step.
#pragma once

#include <windows.h>

namespace velto {

class PcmSink {
public:
    virtual ~PcmSink() = default;
    // Takes `length` bytes. `written` receives the number of bytes taken, also after a
    // failure (negative result).
    virtual HRESULT Write(DWORD length, const BYTE* bytes, DWORD* written) = 0;
};

}  // namespace velto

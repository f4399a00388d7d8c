// The .wma file as FFmpeg's muxer sees it: a seekable byte stream over a Win32 file handle.
// The file is opened with its wide path (a Korean name must survive), and opened at creation
// without truncating, so a writer that never gets to write leaves an existing file as it was
// and removes only a file it created itself.
#pragma once

#include <windows.h>

#include <string>

struct AVIOContext;

namespace wmaudsdk {

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Opens (or creates) the file for writing; an HRESULT from the Win32 error on failure.
    HRESULT Open(const wchar_t* path);
    // Empties the file and returns a stream positioned at its start; null when out of memory.
    AVIOContext* StartWriting();
    // Flushes the stream and closes the file; the HRESULT of the first error met while writing.
    HRESULT Close();
    // Closes the file and deletes it when this writer created it and wrote nothing to it.
    void Abandon();
    // After a write the disk refused: drops what the stream still buffers (there is no room
    // for it), finishes the ASF file with the whole packets on the disk and closes it.
    HRESULT FinishCutShort();

    // The failure of the last write or seek, as an HRESULT (E_FAIL when the cause is unknown).
    HRESULT LastError() const;
    bool isOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

private:
    static int WritePacket(void* opaque, uint8_t* data, int size);
    static int64_t Seek(void* opaque, int64_t offset, int whence);
    void FreeStream();

    std::wstring path_;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
    bool createdHere_ = false;
    bool written_ = false;
    DWORD lastError_ = 0;
    AVIOContext* io_ = nullptr;
};

}  // namespace wmaudsdk

#include "outside/wmaudsdk/OutputFile.h"

#include "outside/wmaudsdk/AsfRepair.h"

#include <cstdint>
#include <cstdio>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace wmaudsdk {
namespace {
constexpr int kStreamBufferBytes = 64 * 1024;

HRESULT FromWin32(DWORD error)
{
    return error ? HRESULT_FROM_WIN32(error) : E_FAIL;
}
}  // namespace

OutputFile::~OutputFile()
{
    Close();
}

HRESULT OutputFile::Open(const wchar_t* path)
{
    path_ = path;
    // Others may read the file while it grows; nobody else may write it.
    handle_ = ::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle_ == INVALID_HANDLE_VALUE) return FromWin32(::GetLastError());
    createdHere_ = ::GetLastError() != ERROR_ALREADY_EXISTS;
    return S_OK;
}

AVIOContext* OutputFile::StartWriting()
{
    FreeStream();
    LARGE_INTEGER zero{};
    if (!::SetFilePointerEx(handle_, zero, nullptr, FILE_BEGIN) || !::SetEndOfFile(handle_)) {
        lastError_ = ::GetLastError();
        return nullptr;
    }
    written_ = true;
    auto* buffer = static_cast<unsigned char*>(av_malloc(kStreamBufferBytes));
    if (!buffer) return nullptr;
    io_ = avio_alloc_context(buffer, kStreamBufferBytes, 1, this, nullptr, &OutputFile::WritePacket,
                             &OutputFile::Seek);
    if (!io_) av_free(buffer);
    return io_;
}

void OutputFile::FreeStream()
{
    if (!io_) return;
    av_freep(&io_->buffer);
    avio_context_free(&io_);
}

HRESULT OutputFile::Close()
{
    HRESULT hr = S_OK;
    if (io_) {
        avio_flush(io_);
        if (io_->error < 0) hr = LastError();
        FreeStream();
    }
    if (handle_ != INVALID_HANDLE_VALUE) {
        if (!::CloseHandle(handle_) && SUCCEEDED(hr)) hr = FromWin32(::GetLastError());
        handle_ = INVALID_HANDLE_VALUE;
    }
    return hr;
}

void OutputFile::Abandon()
{
    FreeStream();
    const bool remove = isOpen() && createdHere_ && !written_;
    Close();
    if (remove) ::DeleteFileW(path_.c_str());
}

HRESULT OutputFile::FinishCutShort()
{
    FreeStream();
    if (handle_ == INVALID_HANDLE_VALUE) return E_UNEXPECTED;
    const HRESULT hr = FinishCutShortAsf(handle_);
    const HRESULT closed = Close();
    return FAILED(hr) ? hr : closed;
}

HRESULT OutputFile::LastError() const
{
    return FromWin32(lastError_);
}

int OutputFile::WritePacket(void* opaque, uint8_t* data, int size)
{
    auto* self = static_cast<OutputFile*>(opaque);
    DWORD done = 0;
    if (!::WriteFile(self->handle_, data, static_cast<DWORD>(size), &done, nullptr)) {
        self->lastError_ = ::GetLastError();
        return AVERROR(EIO);
    }
    if (done != static_cast<DWORD>(size)) {
        self->lastError_ = ERROR_DISK_FULL;
        return AVERROR(EIO);
    }
    return size;
}

int64_t OutputFile::Seek(void* opaque, int64_t offset, int whence)
{
    auto* self = static_cast<OutputFile*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) {
        LARGE_INTEGER size{};
        if (!::GetFileSizeEx(self->handle_, &size)) return AVERROR(EIO);
        return size.QuadPart;
    }
    DWORD method = whence == SEEK_SET ? FILE_BEGIN : whence == SEEK_CUR ? FILE_CURRENT : FILE_END;
    if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return AVERROR(EINVAL);
    LARGE_INTEGER distance{}, position{};
    distance.QuadPart = offset;
    if (!::SetFilePointerEx(self->handle_, distance, &position, method)) {
        self->lastError_ = ::GetLastError();
        return AVERROR(EIO);
    }
    return position.QuadPart;
}

}  // namespace wmaudsdk

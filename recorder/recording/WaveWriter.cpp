#include "recorder/recording/WaveWriter.h"

#include <cstring>

namespace velto {

namespace {

// Until Finish writes the real value, so that an unfinished file says so.
constexpr DWORD kUnfinishedFact = 0xFFFFFFFF;
constexpr LONG kPcmFormatBytes = 16;

// The format record as it goes into "fmt ": 16 bytes for PCM, the whole record with its
// extra bytes for anything else.
LONG FormatBytes(const WAVEFORMATEX& format)
{
    if (format.wFormatTag == WAVE_FORMAT_PCM) return kPcmFormatBytes;
    return static_cast<LONG>(sizeof(WAVEFORMATEX) + format.cbSize);
}

// "RIFF" and its length, "WAVE", "fmt " and its length, "fact" with its length and value,
// "data" and its length.
constexpr uint64_t kHeaderBytesBesideFormat = 12 + 8 + 12 + 8;
constexpr uint64_t kLargestFile = 0x7FFFFFFF;

}  // namespace

uint64_t MaxWaveDataBytes(const WAVEFORMATEX& format)
{
    const uint64_t header = kHeaderBytesBesideFormat + static_cast<uint64_t>(FormatBytes(format));
    uint64_t frame = format.nBlockAlign ? format.nBlockAlign : 1;
    if (frame % 2) frame *= 2;  // an even length needs no pad byte
    return (kLargestFile - header) / frame * frame;
}

namespace {

void PutLe32(std::string& out, uint32_t value)
{
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>(value >> shift));
}

}  // namespace

CWaveWriter::CWaveWriter() = default;

CWaveWriter::~CWaveWriter()
{
    if (file_) Finish(0);
    // A Finish that failed twice must still not leak the handle.
    if (file_) CloseAbandoned();
}

HRESULT CWaveWriter::Create(const std::wstring& path, const WAVEFORMATEX& format)
{
    if (file_) return E_FAIL;
    // The file is opened here, by its wide name, and handed to the I/O system as a handle:
    // some mmioOpenW implementations pass the name through the ANSI code page, which turns
    // Korean folder and file names into question marks.
    HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return E_FAIL;
    MMIOINFO open{};
    // The DOS I/O procedure takes an open handle in adwInfo[0] when no name is given; kernel
    // handles fit in 32 bits on 64-bit Windows too. mmioClose closes it.
    open.adwInfo[0] = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(handle));
    file_ = ::mmioOpenW(nullptr, &open, MMIO_ALLOCBUF | MMIO_READWRITE | MMIO_CREATE);
    if (!file_) {
        ::CloseHandle(handle);
        return E_FAIL;
    }
    HANDLE own = INVALID_HANDLE_VALUE;
    const HANDLE self = ::GetCurrentProcess();
    if (::DuplicateHandle(self, handle, self, &own, 0, FALSE, DUPLICATE_SAME_ACCESS))
        disk_.reset(own);
    writeFailed_ = false;
    dataStored_ = 0;
    formatChunk_.assign(reinterpret_cast<const char*>(&format),
                        static_cast<size_t>(FormatBytes(format)));
    frameBytes_ = format.nBlockAlign ? format.nBlockAlign : 1;
    if (frameBytes_ % 2) frameBytes_ *= 2;  // an even length needs no pad byte
    if (FAILED(WriteHeader(format))) {
        CloseAbandoned();
        disk_.reset();
        return E_FAIL;
    }
    return S_OK;
}

HRESULT CWaveWriter::WriteHeader(const WAVEFORMATEX& format)
{
    riff_ = MMCKINFO{};
    riff_.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (::mmioCreateChunk(file_, &riff_, MMIO_CREATERIFF) != MMSYSERR_NOERROR) return E_FAIL;

    const LONG formatBytes = FormatBytes(format);
    chunk_ = MMCKINFO{};
    chunk_.ckid = mmioFOURCC('f', 'm', 't', ' ');
    chunk_.cksize = static_cast<DWORD>(formatBytes);
    if (::mmioCreateChunk(file_, &chunk_, 0) != MMSYSERR_NOERROR) return E_FAIL;
    if (::mmioWrite(file_, reinterpret_cast<const char*>(&format), formatBytes) != formatBytes)
        return E_FAIL;
    if (::mmioAscend(file_, &chunk_, 0) != MMSYSERR_NOERROR) return E_FAIL;

    chunk_ = MMCKINFO{};
    chunk_.ckid = mmioFOURCC('f', 'a', 'c', 't');
    if (::mmioCreateChunk(file_, &chunk_, 0) != MMSYSERR_NOERROR) return E_FAIL;
    const DWORD unfinished = kUnfinishedFact;
    if (::mmioWrite(file_, reinterpret_cast<const char*>(&unfinished), sizeof unfinished) !=
        static_cast<LONG>(sizeof unfinished))
        return E_FAIL;
    if (::mmioAscend(file_, &chunk_, 0) != MMSYSERR_NOERROR) return E_FAIL;

    chunk_ = MMCKINFO{};
    chunk_.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (::mmioCreateChunk(file_, &chunk_, 0) != MMSYSERR_NOERROR) return E_FAIL;
    buffer_ = MMIOINFO{};
    if (::mmioGetInfo(file_, &buffer_, 0) != MMSYSERR_NOERROR) return E_FAIL;
    return S_OK;
}

HRESULT CWaveWriter::Write(DWORD length, const BYTE* bytes, DWORD* written)
{
    *written = 0;
    if (!file_ || writeFailed_) return E_FAIL;
    // Straight into the I/O system's own buffer, a whole stretch at a time; the system writes
    // to disk only when a buffer is full.
    while (*written < length) {
        if (buffer_.pchNext >= buffer_.pchEndWrite) {
            buffer_.dwFlags |= MMIO_DIRTY;
            // Everything stored so far must be on the disk now; a full disk shows here.
            if (::mmioAdvance(file_, &buffer_, MMIO_WRITE) != MMSYSERR_NOERROR ||
                !DiskHolds(HeaderBytes() + static_cast<LONGLONG>(dataStored_))) {
                writeFailed_ = true;
                return E_FAIL;
            }
            if (buffer_.pchNext >= buffer_.pchEndWrite) return E_FAIL;  // no room after all
        }
        const DWORD room = static_cast<DWORD>(buffer_.pchEndWrite - buffer_.pchNext);
        const DWORD n = length - *written < room ? length - *written : room;
        std::memcpy(buffer_.pchNext, bytes + *written, n);
        buffer_.pchNext += n;
        *written += n;
        dataStored_ += n;
    }
    return S_OK;
}

HRESULT CWaveWriter::Finish(DWORD factValue)
{
    if (!file_) return E_FAIL;
    if (writeFailed_) {
        // What the buffer still holds has no room on the disk: it is dropped, and the file is
        // finished with what the disk did take.
        buffer_.dwFlags &= ~MMIO_DIRTY;
        ::mmioSetInfo(file_, &buffer_, 0);
        CloseAbandoned();
        return SettleOnDisk(-1, factValue);
    }
    buffer_.dwFlags |= MMIO_DIRTY;
    if (::mmioSetInfo(file_, &buffer_, 0) != MMSYSERR_NOERROR) return E_FAIL;
    // Ascending writes the real lengths: the data chunk's (and its pad byte when the length is
    // odd), then the RIFF chunk's, which counts the pad byte.
    if (::mmioAscend(file_, &chunk_, 0) != MMSYSERR_NOERROR) return E_FAIL;
    if (::mmioAscend(file_, &riff_, 0) != MMSYSERR_NOERROR) return E_FAIL;
    const LONGLONG expectedSize = LONGLONG{riff_.cksize} + 8;

    if (::mmioSeek(file_, 0, SEEK_SET) == -1) return E_FAIL;
    if (::mmioDescend(file_, &riff_, nullptr, MMIO_FINDRIFF) != MMSYSERR_NOERROR) return E_FAIL;
    MMCKINFO fact{};
    fact.ckid = mmioFOURCC('f', 'a', 'c', 't');
    if (::mmioDescend(file_, &fact, &riff_, MMIO_FINDCHUNK) == MMSYSERR_NOERROR) {
        if (::mmioWrite(file_, reinterpret_cast<const char*>(&factValue), sizeof factValue) !=
            static_cast<LONG>(sizeof factValue))
            return E_FAIL;
        ::mmioAscend(file_, &fact, 0);
    }
    if (::mmioAscend(file_, &riff_, 0) != MMSYSERR_NOERROR) return E_FAIL;

    if (::mmioClose(file_, 0) != MMSYSERR_NOERROR) {
        file_ = nullptr;  // the handle is gone either way
        SettleOnDisk(expectedSize, factValue);
        return E_FAIL;
    }
    file_ = nullptr;
    // The last buffer may have been lost on a disk that filled up meanwhile.
    return SettleOnDisk(expectedSize, factValue);
}

LONGLONG CWaveWriter::HeaderBytes() const
{
    const LONGLONG format = static_cast<LONGLONG>(formatChunk_.size() + formatChunk_.size() % 2);
    return 12 + 8 + format + 12 + 8;
}

// The header as Create and Finish write it, for `dataBytes` of samples (an even count).
std::string CWaveWriter::HeaderFor(DWORD dataBytes, DWORD factValue) const
{
    std::string h = "RIFF";
    PutLe32(h, static_cast<uint32_t>(HeaderBytes() - 8 + dataBytes));
    h += "WAVEfmt ";
    PutLe32(h, static_cast<uint32_t>(formatChunk_.size()));
    h += formatChunk_;
    if (formatChunk_.size() % 2) h.push_back('\0');
    h += "fact";
    PutLe32(h, 4);
    PutLe32(h, factValue);
    h += "data";
    PutLe32(h, dataBytes);
    return h;
}

bool CWaveWriter::DiskHolds(LONGLONG bytes) const
{
    LARGE_INTEGER size{};
    // Without our own handle, or when the size cannot be read, the I/O system's word stands.
    if (!disk_ || !::GetFileSizeEx(disk_.get(), &size)) return true;
    return size.QuadPart >= bytes;
}

// After the I/O system has closed the file: when the disk holds less than the file should
// (-1: a write is known to have failed), the file is cut to the whole sample frames that
// arrived and its header rewritten for them, so that it is finished and plays as far as it
// goes. Cutting and rewriting in place need no new room on the disk.
HRESULT CWaveWriter::SettleOnDisk(LONGLONG expectedSize, DWORD factValue)
{
    UniqueFile disk(disk_.release());
    if (!disk) return expectedSize < 0 ? E_FAIL : S_OK;
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(disk.get(), &size)) return E_FAIL;
    if (expectedSize >= 0 && size.QuadPart >= expectedSize) return S_OK;

    const LONGLONG header = HeaderBytes();
    LONGLONG data = size.QuadPart > header ? size.QuadPart - header : 0;
    data -= data % frameBytes_;
    const std::string bytes = HeaderFor(static_cast<DWORD>(data), factValue);
    const LARGE_INTEGER start{};
    DWORD done = 0;
    if (!::SetFilePointerEx(disk.get(), start, nullptr, FILE_BEGIN) ||
        !::WriteFile(disk.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) ||
        done != bytes.size())
        return E_FAIL;
    // A broken frame at the end goes. Only cut when there is something to cut: some systems
    // refuse even a same-size truncation on a full disk.
    LARGE_INTEGER end{};
    end.QuadPart = header + data;
    if (size.QuadPart > end.QuadPart &&
        (!::SetFilePointerEx(disk.get(), end, nullptr, FILE_BEGIN) || !::SetEndOfFile(disk.get())))
        return E_FAIL;
    return S_OK;
}

void CWaveWriter::CloseAbandoned()
{
    ::mmioClose(file_, 0);
    file_ = nullptr;
}

}  // namespace velto

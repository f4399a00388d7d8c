#include "outside/wmaudsdk/AsfRepair.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace wmaudsdk {
namespace {

constexpr uint8_t kHeaderObject[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                       0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
constexpr uint8_t kFileProperties[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                         0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
constexpr uint8_t kDataObject[16] = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                     0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

// Offsets inside the objects.
constexpr size_t kObjectSize = 16;
constexpr size_t kHeaderFirstObject = 30;
constexpr size_t kPropsFileSize = 40;
constexpr size_t kPropsPackets = 56;
constexpr size_t kPropsPlayDuration = 64;
constexpr size_t kPropsSendDuration = 72;
constexpr size_t kPropsPreroll = 80;
constexpr size_t kPropsMinPacket = 92;
constexpr size_t kPropsMaxPacket = 96;
constexpr size_t kPropsBytes = 104;
constexpr size_t kDataPackets = 40;
constexpr uint64_t kDataObjectBytes = 50;  // before the first packet
// A header larger than this is not one our muxer wrote.
constexpr uint64_t kLargestHeader = 1 << 20;
constexpr uint64_t kHundredNsPerMs = 10000;

bool ReadAt(HANDLE file, uint64_t offset, void* data, DWORD size)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD done = 0;
    return ::ReadFile(file, data, size, &done, &at) && done == size;
}

bool WriteAt(HANDLE file, uint64_t offset, const void* data, DWORD size)
{
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(offset >> 32);
    DWORD done = 0;
    return ::WriteFile(file, data, size, &done, &at) && done == size;
}

uint64_t Le(const uint8_t* p, int bytes)
{
    uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
    return v;
}

void PutLe(uint8_t* p, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i, v >>= 8) p[i] = static_cast<uint8_t>(v);
}

// Bytes of a length field by its two-bit type: none, byte, word, double word.
size_t FieldBytes(unsigned type)
{
    static const size_t sizes[4] = {0, 1, 2, 4};
    return sizes[type & 3];
}

// The send time and duration (ms) in the payload parsing information of the packet at
// `offset`.
bool PacketTimes(HANDLE file, uint64_t offset, uint32_t* sendTime, uint32_t* duration)
{
    uint8_t p[32];
    if (!ReadAt(file, offset, p, sizeof p)) return false;
    size_t i = 0;
    if (p[0] & 0x80) {
        if (p[0] & 0x60) return false;  // error correction with a length type of its own
        i = 1 + (p[0] & 0x0F);
    }
    if (i + 2 > sizeof p) return false;
    const unsigned lengthTypes = p[i];
    i += 2;  // the length type flags and the property flags
    i += FieldBytes(lengthTypes >> 5);  // packet length
    i += FieldBytes(lengthTypes >> 1);  // sequence
    i += FieldBytes(lengthTypes >> 3);  // padding length
    if (i + 6 > sizeof p) return false;
    *sendTime = static_cast<uint32_t>(Le(p + i, 4));
    *duration = static_cast<uint32_t>(Le(p + i + 4, 2));
    return true;
}

// Where the file properties object begins inside the header; 0 when it is not there.
size_t FindFileProperties(const std::vector<uint8_t>& header)
{
    size_t at = kHeaderFirstObject;
    while (at + 24 <= header.size()) {
        const uint64_t size = Le(&header[at + kObjectSize], 8);
        if (size < 24 || size > header.size() - at) return 0;
        if (std::memcmp(&header[at], kFileProperties, 16) == 0)
            return size >= kPropsBytes ? at : 0;
        at += static_cast<size_t>(size);
    }
    return 0;
}

}  // namespace

HRESULT FinishCutShortAsf(HANDLE file)
{
    LARGE_INTEGER fileSize{};
    if (!::GetFileSizeEx(file, &fileSize)) return HRESULT_FROM_WIN32(::GetLastError());
    const uint64_t size = static_cast<uint64_t>(fileSize.QuadPart);

    uint8_t start[kHeaderFirstObject];
    if (!ReadAt(file, 0, start, sizeof start) || std::memcmp(start, kHeaderObject, 16) != 0)
        return E_FAIL;
    const uint64_t headerBytes = Le(start + kObjectSize, 8);
    if (headerBytes < kHeaderFirstObject || headerBytes > kLargestHeader ||
        headerBytes + kDataObjectBytes > size)
        return E_FAIL;
    std::vector<uint8_t> header(static_cast<size_t>(headerBytes));
    if (!ReadAt(file, 0, header.data(), static_cast<DWORD>(header.size()))) return E_FAIL;
    const size_t props = FindFileProperties(header);
    if (props == 0) return E_FAIL;
    const uint64_t packetBytes = Le(&header[props + kPropsMinPacket], 4);
    if (packetBytes == 0 || packetBytes != Le(&header[props + kPropsMaxPacket], 4)) return E_FAIL;

    uint8_t data[kDataObjectBytes];
    if (!ReadAt(file, headerBytes, data, sizeof data) || std::memcmp(data, kDataObject, 16) != 0)
        return E_FAIL;

    const uint64_t firstPacket = headerBytes + kDataObjectBytes;
    uint64_t packets = (size - firstPacket) / packetBytes;
    // Every packet begins as the first one does; what does not (an index cut short after
    // the packets) is not a packet.
    uint8_t lead = 0, last = 0;
    if (packets > 0 && !ReadAt(file, firstPacket, &lead, 1)) return E_FAIL;
    while (packets > 0) {
        if (!ReadAt(file, firstPacket + (packets - 1) * packetBytes, &last, 1)) return E_FAIL;
        if (last == lead) break;
        --packets;
    }
    uint64_t sendDuration = 0;  // 100 ns units
    if (packets > 0) {
        uint32_t sendTime = 0, duration = 0;
        if (!PacketTimes(file, firstPacket + (packets - 1) * packetBytes, &sendTime, &duration))
            return E_FAIL;
        sendDuration = (uint64_t{sendTime} + duration) * kHundredNsPerMs;
    }
    const uint64_t preroll = Le(&header[props + kPropsPreroll], 8);
    const uint64_t finishedSize = firstPacket + packets * packetBytes;

    PutLe(&header[props + kPropsFileSize], finishedSize, 8);
    PutLe(&header[props + kPropsPackets], packets, 8);
    PutLe(&header[props + kPropsPlayDuration], sendDuration + preroll * kHundredNsPerMs, 8);
    PutLe(&header[props + kPropsSendDuration], sendDuration, 8);
    PutLe(data + kObjectSize, kDataObjectBytes + packets * packetBytes, 8);
    PutLe(data + kDataPackets, packets, 8);
    if (!WriteAt(file, 0, header.data(), static_cast<DWORD>(header.size())) ||
        !WriteAt(file, headerBytes, data, sizeof data))
        return HRESULT_FROM_WIN32(::GetLastError());

    // The packet the disk cut short goes, and whatever followed it.
    if (size > finishedSize) {
        LARGE_INTEGER end{};
        end.QuadPart = static_cast<LONGLONG>(finishedSize);
        if (!::SetFilePointerEx(file, end, nullptr, FILE_BEGIN) || !::SetEndOfFile(file))
            return HRESULT_FROM_WIN32(::GetLastError());
    }
    return S_OK;
}

}  // namespace wmaudsdk

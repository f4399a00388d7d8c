#include "outside/renovo/Transfer.h"

#include <winhttp.h>

#include <vector>

#include "common/win/Handles.h"
#include "outside/renovo/CngHandles.h"

namespace renovo {
namespace {

struct InternetTraits {
    using Type = HINTERNET;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::WinHttpCloseHandle(h); }
};
using UniqueInternet = velto::ScopedHandle<InternetTraits>;

// Counts what arrives and refuses more than the limit.
class LimitedSink {
public:
    LimitedSink(FetchSink sink, uint64_t maxBytes) : sink_(std::move(sink)), max_(maxBytes) {}
    bool operator()(const void* data, size_t size)
    {
        total_ += size;
        if (max_ && total_ > max_) return false;
        return sink_(data, size);
    }

private:
    FetchSink sink_;
    uint64_t max_;
    uint64_t total_ = 0;
};

bool FetchWeb(const std::wstring& address, const std::wstring& userAgent, const FetchLimits& limits,
              LimitedSink& sink)
{
    URL_COMPONENTS parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUrlPathLength =
        parts.dwExtraInfoLength = static_cast<DWORD>(-1);
    if (!::WinHttpCrackUrl(address.c_str(), 0, 0, &parts)) return false;
    const std::wstring host(parts.lpszHostName, parts.dwHostNameLength);
    std::wstring path(parts.lpszUrlPath, parts.dwUrlPathLength);
    path.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);
    if (path.empty()) path = L"/";

    UniqueInternet session(::WinHttpOpen(userAgent.c_str(), WINHTTP_ACCESS_TYPE_DEFAULT_PROXY,
                                         WINHTTP_NO_PROXY_NAME, WINHTTP_NO_PROXY_BYPASS, 0));
    if (!session) return false;
    // Without these, a missing network can hold a request for a minute or more.
    ::WinHttpSetTimeouts(session.get(), static_cast<int>(limits.connectTimeoutMs),
                         static_cast<int>(limits.connectTimeoutMs),
                         static_cast<int>(limits.receiveTimeoutMs),
                         static_cast<int>(limits.receiveTimeoutMs));
    UniqueInternet connection(::WinHttpConnect(session.get(), host.c_str(), parts.nPort, 0));
    if (!connection) return false;
    const DWORD flags = parts.nScheme == INTERNET_SCHEME_HTTPS ? WINHTTP_FLAG_SECURE : 0;
    UniqueInternet request(::WinHttpOpenRequest(connection.get(), L"GET", path.c_str(), nullptr,
                                                WINHTTP_NO_REFERER, WINHTTP_DEFAULT_ACCEPT_TYPES,
                                                flags));
    if (!request) return false;
    if (!::WinHttpSendRequest(request.get(), WINHTTP_NO_ADDITIONAL_HEADERS, 0,
                              WINHTTP_NO_REQUEST_DATA, 0, 0, 0) ||
        !::WinHttpReceiveResponse(request.get(), nullptr))
        return false;
    DWORD status = 0, size = sizeof status;
    if (!::WinHttpQueryHeaders(request.get(), WINHTTP_QUERY_STATUS_CODE | WINHTTP_QUERY_FLAG_NUMBER,
                               WINHTTP_HEADER_NAME_BY_INDEX, &status, &size,
                               WINHTTP_NO_HEADER_INDEX) ||
        status != 200)
        return false;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!::WinHttpReadData(request.get(), buffer.data(), static_cast<DWORD>(buffer.size()),
                               &got))
            return false;
        if (got == 0) return true;
        if (!sink(buffer.data(), got)) return false;
    }
}

bool FetchLocal(const std::wstring& path, LimitedSink& sink)
{
    velto::UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                         OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) return false;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got,
                        nullptr))
            return false;
        if (got == 0) return true;
        if (!sink(buffer.data(), got)) return false;
    }
}

class Hasher {
public:
    Hasher()
    {
        if (BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(algorithm_.put(), BCRYPT_SHA256_ALGORITHM,
                                                         nullptr, 0)))
            ok_ = BCRYPT_SUCCESS(
                ::BCryptCreateHash(algorithm_.get(), hash_.put(), nullptr, 0, nullptr, 0, 0));
    }
    bool Add(const void* data, size_t size)
    {
        return ok_ && BCRYPT_SUCCESS(::BCryptHashData(hash_.get(),
                                                      static_cast<PUCHAR>(const_cast<void*>(data)),
                                                      static_cast<ULONG>(size), 0));
    }
    bool Finish(Sha256& out)
    {
        return ok_ && BCRYPT_SUCCESS(::BCryptFinishHash(hash_.get(), out.data(),
                                                        static_cast<ULONG>(out.size()), 0));
    }

private:
    UniqueAlgorithm algorithm_;
    UniqueHash hash_;
    bool ok_ = false;
};

}  // namespace

bool Fetch(const std::wstring& address, const std::wstring& userAgent, const FetchLimits& limits,
           const FetchSink& sink)
{
    LimitedSink limited(sink, limits.maxBytes);
    return IsWebAddress(address) ? FetchWeb(address, userAgent, limits, limited)
                                 : FetchLocal(address, limited);
}

bool FetchToMemory(const std::wstring& address, const std::wstring& userAgent,
                   const FetchLimits& limits, std::string& out)
{
    out.clear();
    return Fetch(address, userAgent, limits, [&out](const void* data, size_t size) {
        out.append(static_cast<const char*>(data), size);
        return true;
    });
}

bool FetchToFile(const std::wstring& address, const std::wstring& userAgent,
                 const FetchLimits& limits, const std::wstring& file)
{
    bool ok = false;
    {
        velto::UniqueFile out(::CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                            FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) return false;
        ok = Fetch(address, userAgent, limits, [&out](const void* data, size_t size) {
            DWORD written = 0;
            return ::WriteFile(out.get(), data, static_cast<DWORD>(size), &written, nullptr) &&
                   written == size;
        });
        ok = ok && ::FlushFileBuffers(out.get());
    }
    if (!ok) ::DeleteFileW(file.c_str());
    return ok;
}

bool HashBytes(const void* data, size_t size, Sha256& out)
{
    Hasher hasher;
    return hasher.Add(data, size) && hasher.Finish(out);
}

bool HashFile(const std::wstring& file, Sha256& out)
{
    Hasher hasher;
    LimitedSink sink([&hasher](const void* data, size_t size) { return hasher.Add(data, size); },
                     0);
    return FetchLocal(file, sink) && hasher.Finish(out);
}

}  // namespace renovo

// Getting bytes from an address (http, https or a local path) and hashing them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "outside/renovo/UpdateList.h"

namespace renovo {

struct FetchLimits {
    DWORD connectTimeoutMs = 5000;   // name resolution and connection each
    DWORD receiveTimeoutMs = 10000;  // each wait for data
    uint64_t maxBytes = 0;           // 0: no limit
};

// Receives the data in pieces; returns false to abandon the transfer.
using FetchSink = std::function<bool(const void* data, size_t size)>;

// True when the whole resource arrived (an http status of 200 for web addresses).
bool Fetch(const std::wstring& address, const std::wstring& userAgent, const FetchLimits& limits,
           const FetchSink& sink);
bool FetchToMemory(const std::wstring& address, const std::wstring& userAgent,
                   const FetchLimits& limits, std::string& out);
// Writes into `file` (created or truncated); the file is deleted when the transfer fails.
bool FetchToFile(const std::wstring& address, const std::wstring& userAgent,
                 const FetchLimits& limits, const std::wstring& file);

// SHA-256 of a file's content through the system's hashing (BCrypt); false when the file
// cannot be read.
bool HashFile(const std::wstring& file, Sha256& out);
bool HashBytes(const void* data, size_t size, Sha256& out);

}  // namespace renovo

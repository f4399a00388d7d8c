// Owning wrappers for the system's cryptography handles (CNG), used for the hashes and the
// list's signature.
#pragma once

#include <windows.h>

#include <bcrypt.h>

#include "common/win/Handles.h"

namespace renovo {

struct AlgorithmTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::BCryptCloseAlgorithmProvider(h, 0); }
};
struct HashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::BCryptDestroyHash(h); }
};
struct KeyTraits {
    using Type = BCRYPT_KEY_HANDLE;
    static Type Invalid() noexcept { return nullptr; }
    static void Close(Type h) noexcept { ::BCryptDestroyKey(h); }
};
using UniqueAlgorithm = velto::ScopedHandle<AlgorithmTraits>;
using UniqueHash = velto::ScopedHandle<HashTraits>;
using UniqueKey = velto::ScopedHandle<KeyTraits>;

}  // namespace renovo

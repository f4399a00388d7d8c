// The list's signature checked through the system's cryptography (CNG): ECDSA P-256 with
// SHA-256 is there on every Windows since Vista, so the check needs no library of its own.
#include <cstring>

#include "common/Text.h"
#include "outside/renovo/CngHandles.h"
#include "outside/renovo/ListSignature.h"
#include "outside/renovo/Transfer.h"

namespace renovo {
namespace {

enum class Verdict { Valid, Invalid, CannotCheck };

std::wstring HexW(const KeyId& id)
{
    return velto::Utf8ToWide(ToHex(id.data(), id.size()));
}

// Whether `signature` is `key`'s signature of `data`; `status` says why a check could not run.
Verdict Verify(const PublicKey& key, const std::string& data, const SignatureBytes& signature,
               NTSTATUS& status)
{
    status = 0;
    Sha256 digest{};
    if (!HashBytes(data.data(), data.size(), digest)) return Verdict::CannotCheck;
    UniqueAlgorithm algorithm;
    status =
        ::BCryptOpenAlgorithmProvider(algorithm.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0);
    if (!BCRYPT_SUCCESS(status)) return Verdict::CannotCheck;
    // A BCRYPT_ECCPUBLIC_BLOB: the header, then X and Y.
    const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PUBLIC_P256_MAGIC, 32};
    std::array<UCHAR, sizeof header + sizeof key.xy> blob{};
    std::memcpy(blob.data(), &header, sizeof header);
    std::memcpy(blob.data() + sizeof header, key.xy.data(), key.xy.size());
    UniqueKey publicKey;
    status = ::BCryptImportKeyPair(algorithm.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB, publicKey.put(),
                                   blob.data(), static_cast<ULONG>(blob.size()), 0);
    if (!BCRYPT_SUCCESS(status)) return Verdict::CannotCheck;
    SignatureBytes copy = signature;  // the call takes a pointer to mutable bytes
    status = ::BCryptVerifySignature(publicKey.get(), nullptr, digest.data(),
                                     static_cast<ULONG>(digest.size()), copy.data(),
                                     static_cast<ULONG>(copy.size()), 0);
    // Any refusal (a wrong signature, r or s out of range) is a signature that does not hold.
    return BCRYPT_SUCCESS(status) ? Verdict::Valid : Verdict::Invalid;
}

}  // namespace

bool AuthenticateList(const std::string& text, const PublicKey& key, std::string& body,
                      std::wstring& reason)
{
    body.clear();
    SignedList list;
    switch (SplitSignedList(text, list)) {
        case SignatureLine::Missing:
            reason = L"the list is not signed (its last line is no signature line)";
            return false;
        case SignatureLine::Malformed:
            reason = L"the list's signature line is malformed or cut short";
            return false;
        case SignatureLine::Present: break;
    }
    if (list.keyId != key.id) {
        reason = L"the list is signed with another key (" + HexW(list.keyId) +
                 L"; this program trusts " + HexW(key.id) + L")";
        return false;
    }
    NTSTATUS status = 0;
    switch (Verify(key, list.body, list.signature, status)) {
        case Verdict::Invalid:
            reason =
                L"the signature does not match the list (altered after signing, or the "
                L"signature of another list)";
            return false;
        case Verdict::CannotCheck:
            reason = velto::FormatW(L"the signature cannot be checked (status 0x%08lx)",
                                    static_cast<unsigned long>(status));
            return false;
        case Verdict::Valid: break;
    }
    body = std::move(list.body);
    return true;
}

}  // namespace renovo

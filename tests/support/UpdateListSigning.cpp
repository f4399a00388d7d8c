#include "tests/support/UpdateListSigning.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <vector>

#include "outside/renovo/CngHandles.h"
#include "outside/renovo/ListSignature.h"
#include "outside/renovo/Transfer.h"
#include "outside/renovo/UpdateList.h"
#include "tests/support/TestSigningKey.h"

namespace velto::test {
namespace {

// Signing with a key held by CNG, as the publisher's openssl signs: ECDSA P-256 over SHA-256.
class EcdsaKey {
public:
    // The test key, from its numbers.
    EcdsaKey()
    {
        if (!Open()) return;
        const BCRYPT_ECCKEY_BLOB header{BCRYPT_ECDSA_PRIVATE_P256_MAGIC, 32};
        std::vector<UCHAR> blob(sizeof header);
        std::memcpy(blob.data(), &header, sizeof header);
        blob.insert(blob.end(), std::begin(kTestKeyXY), std::end(kTestKeyXY));
        blob.insert(blob.end(), std::begin(kTestKeyD), std::end(kTestKeyD));
        EXPECT_TRUE(BCRYPT_SUCCESS(
            ::BCryptImportKeyPair(algorithm_.get(), nullptr, BCRYPT_ECCPRIVATE_BLOB, key_.put(),
                                  blob.data(), static_cast<ULONG>(blob.size()), 0)));
        id_ = kTestKeyId;
    }
    // A key nobody has seen before.
    struct Stranger {};
    explicit EcdsaKey(Stranger)
    {
        if (!Open()) return;
        EXPECT_TRUE(BCRYPT_SUCCESS(::BCryptGenerateKeyPair(algorithm_.get(), key_.put(), 256, 0)) &&
                    BCRYPT_SUCCESS(::BCryptFinalizeKeyPair(key_.get(), 0)));
        std::array<UCHAR, sizeof(BCRYPT_ECCKEY_BLOB) + 64> blob{};
        ULONG size = 0;
        EXPECT_TRUE(BCRYPT_SUCCESS(::BCryptExportKey(key_.get(), nullptr, BCRYPT_ECCPUBLIC_BLOB,
                                                     blob.data(), static_cast<ULONG>(blob.size()),
                                                     &size, 0)));
        id_ = KeyIdOf(blob.data() + sizeof(BCRYPT_ECCKEY_BLOB));
    }

    const std::string& id() const { return id_; }

    // The signature line for `body`, naming `id`.
    std::string SignatureLine(const std::string& body, const std::string& id) const
    {
        renovo::Sha256 digest{};
        renovo::SignatureBytes rs{};
        ULONG size = 0;
        EXPECT_TRUE(renovo::HashBytes(body.data(), body.size(), digest));
        EXPECT_TRUE(BCRYPT_SUCCESS(::BCryptSignHash(key_.get(), nullptr, digest.data(),
                                                    static_cast<ULONG>(digest.size()), rs.data(),
                                                    static_cast<ULONG>(rs.size()), &size, 0)) &&
                    size == rs.size());
        return "signature " + id + " " + renovo::ToHex(rs.data(), rs.size()) + "\n";
    }

private:
    bool Open()
    {
        const bool ok = BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(
            algorithm_.put(), BCRYPT_ECDSA_P256_ALGORITHM, nullptr, 0));
        EXPECT_TRUE(ok) << "no ECDSA P-256 in this system's CNG";
        return ok;
    }
    // The first 8 bytes of the SHA-256 of the point's SubjectPublicKeyInfo, as the publishing
    // script computes them.
    static std::string KeyIdOf(const UCHAR* xy)
    {
        static const uint8_t kSpkiPrefix[] = {0x30, 0x59, 0x30, 0x13, 0x06, 0x07, 0x2a, 0x86, 0x48,
                                              0xce, 0x3d, 0x02, 0x01, 0x06, 0x08, 0x2a, 0x86, 0x48,
                                              0xce, 0x3d, 0x03, 0x01, 0x07, 0x03, 0x42, 0x00, 0x04};
        std::string spki(std::begin(kSpkiPrefix), std::end(kSpkiPrefix));
        spki.append(reinterpret_cast<const char*>(xy), 64);
        renovo::Sha256 digest{};
        EXPECT_TRUE(renovo::HashBytes(spki.data(), spki.size(), digest));
        return renovo::ToHex(digest.data(), 8);
    }

    renovo::UniqueAlgorithm algorithm_;
    renovo::UniqueKey key_;
    std::string id_;
};

}  // namespace

std::string SignedWithTestKey(const std::string& body)
{
    const EcdsaKey key;
    return body + key.SignatureLine(body, key.id());
}

std::string SignedWithAnotherKey(const std::string& body, bool claimTestKeyId)
{
    const EcdsaKey key{EcdsaKey::Stranger{}};
    return body + key.SignatureLine(body, claimTestKeyId ? kTestKeyId : key.id());
}

renovo::PublicKey TestPublicKey()
{
    renovo::PublicKey key;
    std::copy(std::begin(kTestKeyXY), std::end(kTestKeyXY), key.xy.begin());
    EXPECT_TRUE(renovo::ParseHex(kTestKeyId, key.id.data(), key.id.size()));
    return key;
}

bool RenovoTrustsTestKey()
{
    return kRenovoTrustsTestKey;
}

}  // namespace velto::test

// The signature that makes an update list usable. The list's last line carries it:
//
//   ...every line of the list...
//   signature <key id: 16 hex digits> <r and s: 128 hex digits>
//
// ECDSA over P-256 with SHA-256, made with the publisher's private key, over every byte of
// the file before the signature line (comments and line ends included, so nothing in the list
// can change unnoticed); r and s are 32 bytes each, big-endian, as CNG takes them. The line
// is the last one and ends the file with one "\n": a list cut short anywhere loses it or
// breaks it. The key id is the first 8 bytes of the SHA-256 of the key's
// SubjectPublicKeyInfo (`openssl pkey -pubin -outform DER | sha256sum`); it only lets the
// trace tell "signed with another key" from "altered", the verification alone decides.
// outside/renovo/make-update-list.sh writes such lists.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace renovo {

using KeyId = std::array<uint8_t, 8>;
using SignatureBytes = std::array<uint8_t, 64>;  // r, then s

struct PublicKey {
    std::array<uint8_t, 64> xy{};  // the public point's X and Y, big-endian
    KeyId id{};
};

struct SignedList {
    std::string body;  // what the signature covers: the list without its signature line
    KeyId keyId{};
    SignatureBytes signature{};
};

enum class SignatureLine {
    Present,    // `out` holds the body and the signature, not yet checked
    Missing,    // the last line is no signature line: an unsigned or truncated list
    Malformed,  // a signature line that is cut short or not as written above
};

// Finds the signature line at the end of `text`; reads nothing outside `text`, whatever it
// holds.
SignatureLine SplitSignedList(const std::string& text, SignedList& out);

std::string ToHex(const uint8_t* data, size_t size);

// The body of `text` when its signature line was made by `key` over exactly that body; false
// with the reason (for the trace) otherwise. Verifies through CNG.
bool AuthenticateList(const std::string& text, const PublicKey& key, std::string& body,
                      std::wstring& reason);

}  // namespace renovo

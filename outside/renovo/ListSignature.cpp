#include "outside/renovo/ListSignature.h"

#include "outside/renovo/UpdateList.h"

namespace renovo {
namespace {

constexpr char kKeyword[] = "signature";
constexpr size_t kKeywordLength = sizeof kKeyword - 1;

}  // namespace

SignatureLine SplitSignedList(const std::string& text, SignedList& out)
{
    out = SignedList{};
    // The last line, without the "\n" that must end the file.
    const bool terminated = !text.empty() && text.back() == '\n';
    const size_t end = terminated ? text.size() - 1 : text.size();
    const size_t newline = end == 0 ? std::string::npos : text.rfind('\n', end - 1);
    const size_t start = newline == std::string::npos ? 0 : newline + 1;
    const std::string line = text.substr(start, end - start);

    const bool named = line.compare(0, kKeywordLength, kKeyword) == 0 &&
                       (line.size() == kKeywordLength || line[kKeywordLength] == ' ' ||
                        line[kKeywordLength] == '\t' || line[kKeywordLength] == '\r');
    if (!named) return SignatureLine::Missing;

    // "signature", one blank, the key id, one blank, r and s: nothing more, nothing less.
    const size_t idAt = kKeywordLength + 1;
    const size_t idDigits = out.keyId.size() * 2;
    const size_t signatureAt = idAt + idDigits + 1;
    const size_t signatureDigits = out.signature.size() * 2;
    if (!terminated || line.size() != signatureAt + signatureDigits ||
        line[kKeywordLength] != ' ' || line[signatureAt - 1] != ' ' ||
        !ParseHex(line.substr(idAt, idDigits), out.keyId.data(), out.keyId.size()) ||
        !ParseHex(line.substr(signatureAt), out.signature.data(), out.signature.size())) {
        out = SignedList{};
        return SignatureLine::Malformed;
    }
    out.body = text.substr(0, start);
    return SignatureLine::Present;
}

std::string ToHex(const uint8_t* data, size_t size)
{
    static const char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(size * 2);
    for (size_t i = 0; i < size; ++i) {
        hex += kDigits[data[i] >> 4];
        hex += kDigits[data[i] & 0x0F];
    }
    return hex;
}

}  // namespace renovo

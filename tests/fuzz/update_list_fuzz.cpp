// The update list comes from the network: any bytes. Its signature line is found first, within
// the text; a list that parses may only name paths that stay inside the program folder; the
// path rule and the address resolution take any text.
#include <windows.h>

#include <cctype>

#include "common/Text.h"
#include "outside/renovo/ListSignature.h"
#include "outside/renovo/UpdateList.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTargets.h"

namespace velto::fuzz {
namespace {

// What "inside the program folder" means, spelled out independently of the rule's own code.
bool StaysInside(const std::wstring& path)
{
    if (path.empty() || path[0] == L'\\' || path[0] == L'/') return false;
    if (path.find(L':') != std::wstring::npos) return false;
    size_t start = 0;
    for (;;) {
        const size_t end = path.find_first_of(L"\\/", start);
        const std::wstring part = path.substr(start, end == std::wstring::npos ? end : end - start);
        if (part.empty() || part == L"." || part == L"..") return false;
        if (end == std::wstring::npos) return true;
        start = end + 1;
    }
}

}  // namespace

int UpdateListTarget(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const std::string text = in.RestBytes();

    renovo::SignedList signedList;
    if (renovo::SplitSignedList(text, signedList) == renovo::SignatureLine::Present) {
        // The body is all before one line of exactly "signature", blank, 16 and 128 digits.
        const size_t body = signedList.body.size();
        FUZZ_CHECK(text.size() == body + 156 && text.back() == '\n');
        FUZZ_CHECK(text.compare(0, body, signedList.body) == 0);
        FUZZ_CHECK(body == 0 || text[body - 1] == '\n');
        FUZZ_CHECK(text.compare(body, 10, "signature ") == 0 && text[body + 26] == ' ');
        std::string id = text.substr(body + 10, 16);
        for (auto& c : id) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        FUZZ_CHECK(renovo::ToHex(signedList.keyId.data(), signedList.keyId.size()) == id);
    } else {
        FUZZ_CHECK(signedList.body.empty());
    }

    renovo::UpdateList list;
    std::string error;
    if (renovo::ParseUpdateList(text, list, error)) {
        for (const renovo::ListedFile& file : list.files) {
            FUZZ_CHECK(renovo::IsSafeRelativePath(file.path));
            FUZZ_CHECK(StaysInside(file.path));
            FUZZ_CHECK(file.path.find(L'/') == std::wstring::npos);
            FUZZ_CHECK(!file.address.empty());
            const std::wstring resolved =
                renovo::ResolveAddress(L"https://updates.example/velto/list.txt", file.address);
            FUZZ_CHECK(!resolved.empty());
        }
        for (size_t i = 0; i < list.files.size(); ++i)
            for (size_t k = i + 1; k < list.files.size(); ++k)
                FUZZ_CHECK(_wcsicmp(list.files[i].path.c_str(), list.files[k].path.c_str()) != 0);
    } else {
        FUZZ_CHECK(!error.empty());
    }

    // The same bytes as a path of their own, and as an address against a local list.
    const std::wstring path = velto::Utf8ToWide(text);
    if (renovo::IsSafeRelativePath(path)) FUZZ_CHECK(StaysInside(path));
    renovo::ResolveAddress(L"c:\\updates\\list.txt", path);
    renovo::Version version;
    if (renovo::ParseVersion(text, version)) FUZZ_CHECK(!text.empty());
    return 0;
}

}  // namespace velto::fuzz

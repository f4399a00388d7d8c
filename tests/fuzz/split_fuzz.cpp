// The Updater's parameter string is split at "$$" (and the update library's at "@@" and "##"):
// any source and separator.
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTargets.h"
#include "updater/SplitAtSeparator.h"

namespace velto::fuzz {

int SplitAtSeparatorTarget(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    const std::wstring separator = in.Wide(in.Byte() % 6);
    const std::wstring source = in.RestWide();
    std::wstring left = L"left over", right = L"left over";
    const int result = SplitAtSeparator(source, separator, left, right);

    if (source.empty() || separator.empty()) {
        FUZZ_CHECK(result == 0 && left.empty() && right.empty());
        return 0;
    }
    FUZZ_CHECK(result == 1);
    const size_t at = source.find(separator);
    if (at == std::wstring::npos) {
        FUZZ_CHECK(left == source && right.empty());
        return 0;
    }
    FUZZ_CHECK(left == source.substr(0, at));
    // The rest is what follows the separator, less every leading separator character.
    FUZZ_CHECK(right.size() <= source.size() - at - separator.size());
    FUZZ_CHECK(source.compare(source.size() - right.size(), right.size(), right) == 0);
    FUZZ_CHECK(right.empty() || separator.find(right[0]) == std::wstring::npos);
    const std::wstring skipped = source.substr(at, source.size() - at - right.size());
    FUZZ_CHECK(skipped.find_first_not_of(separator) == std::wstring::npos);
    return 0;
}

}  // namespace velto::fuzz

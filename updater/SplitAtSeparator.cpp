#include "updater/SplitAtSeparator.h"

namespace velto {

int SplitAtSeparator(const std::wstring& source, const std::wstring& separator, std::wstring& left,
                     std::wstring& right)
{
    left.clear();
    right.clear();
    if (source.empty() || separator.empty()) return 0;
    const size_t at = source.find(separator);
    if (at == std::wstring::npos) {
        left = source;
        return 1;
    }
    left = source.substr(0, at);
    const size_t rest = source.find_first_not_of(separator, at);
    if (rest != std::wstring::npos) right = source.substr(rest);
    return 1;
}

}  // namespace velto

// Splitting the Updater's parameter string ("<library arguments>$$<pass limit>").
#pragma once

#include <string>

namespace velto {

// Both outputs are cleared first. 0 when the source or the separator is empty. Otherwise 1:
// without the separator, left is the whole source and right stays empty; with it at p, left
// is the first p characters and right the rest from p on, with every leading character that
// occurs in the separator removed ("a$$$3" split at "$$" gives "a" and "3").
int SplitAtSeparator(const std::wstring& source, const std::wstring& separator, std::wstring& left,
                     std::wstring& right);

}  // namespace velto

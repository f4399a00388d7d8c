#include <gtest/gtest.h>

#include "updater/SplitAtSeparator.h"

namespace {

struct SplitCase {
    const wchar_t* source;
    const wchar_t* separator;
    int result;
    const wchar_t* left;
    const wchar_t* right;
};

TEST(SplitAtSeparator, Table)
{
    const SplitCase cases[] = {
        // The parameter string as the recorder builds it.
        {L"http://h/u.txt@@kestrel Auto Updater##VRVersion.dll$$3", L"$$", 1,
         L"http://h/u.txt@@kestrel Auto Updater##VRVersion.dll", L"3"},
        // Every leading separator character goes, however many there are.
        {L"args$$$3", L"$$", 1, L"args", L"3"},
        {L"args$$$$$$12", L"$$", 1, L"args", L"12"},
        // Only leading ones: a separator character later in the rest stays.
        {L"a$$3$x", L"$$", 1, L"a", L"3$x"},
        // The first occurrence splits.
        {L"a$$b$$c", L"$$", 1, L"a", L"b$$c"},
        // Characters of the separator count one by one.
        {L"left@#@#right", L"@#", 1, L"left", L"right"},
        {L"left@@##right", L"@#", 1, L"left@", L"right"},
        // No separator: all of it is on the left.
        {L"no separator here", L"$$", 1, L"no separator here", L""},
        {L"one$dollar", L"$$", 1, L"one$dollar", L""},
        // Separator at either end.
        {L"$$3", L"$$", 1, L"", L"3"},
        {L"args$$", L"$$", 1, L"args", L""},
        {L"args$$$", L"$$", 1, L"args", L""},
        // Nothing to split.
        {L"", L"$$", 0, L"", L""},
        {L"args$$3", L"", 0, L"", L""},
        {L"", L"", 0, L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << "source \"" << c.source << "\" separator \"" << c.separator << "\"");
        // Leftovers in the outputs must be cleared on every path.
        std::wstring left = L"stale", right = L"stale";
        EXPECT_EQ(c.result, velto::SplitAtSeparator(c.source, c.separator, left, right));
        EXPECT_EQ(c.left, left);
        EXPECT_EQ(c.right, right);
    }
}

}  // namespace

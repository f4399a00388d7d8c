// The player's visualisation queue under any sequence of its operations, from one thread:
// the queue stays within its bound, hands out only blocks it holds, only ever drops blocks
// from its front, and never leaves its lock taken.
#include <algorithm>
#include <vector>

#include "player/SampleQueue.h"
#include "tests/fuzz/FuzzInput.h"
#include "tests/fuzz/FuzzTargets.h"

namespace velto::fuzz {
namespace {

// `after` is what is left of `before` once blocks went from its front.
bool IsTailOf(const std::vector<int>& after, const std::vector<int>& before)
{
    return after.size() <= before.size() &&
           std::equal(after.begin(), after.end(), before.end() - static_cast<long>(after.size()));
}

}  // namespace

int SampleQueueTarget(const uint8_t* data, size_t size)
{
    FuzzInput in(data, size);
    SampleQueue queue;
    std::vector<unsigned char> bytes(1000);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i * 7);
    int operations = 0;
    while (!in.empty() && ++operations < 20000) {
        const std::vector<int> before = queue.TimeStamps();
        switch (in.Byte() % 8) {
            case 0: queue.Reset(); break;
            case 1:
            case 2: {
                const int stamp = in.I32();
                // Mostly as a plug-in hands them over; now and then any count at all.
                const int n = in.Byte() & 1 ? static_cast<int>(in.U32() % 700) : in.I32();
                queue.Store(stamp, bytes.data(), n);
                const std::vector<int> after = queue.TimeStamps();
                FUZZ_CHECK(!after.empty() && after.back() == stamp);
                FUZZ_CHECK(after.size() <= SampleQueue::kMaxBlocks);
                break;
            }
            case 3:
            case 4: {
                SampleBlock out{};
                out.timeStamp = 0x5EEDBEEF;
                out.length = -77;
                queue.Fetch(in.I32(), &out);
                const std::vector<int> after = queue.TimeStamps();
                FUZZ_CHECK(IsTailOf(after, before));
                if (out.length != -77) {
                    FUZZ_CHECK(out.length >= 0 && out.length <= static_cast<int>(sizeof out.data));
                    FUZZ_CHECK(std::find(before.begin(), before.end(), out.timeStamp) !=
                               before.end());
                }
                break;
            }
            case 5:
                queue.Flush();
                FUZZ_CHECK(queue.TimeStamps().empty());
                break;
            case 6:
                queue.Close();
                FUZZ_CHECK(queue.TimeStamps().empty() && !queue.isOpen());
                break;
            default:
                queue.Store(in.I32(), nullptr, 10);  // no data: nothing is stored
                FUZZ_CHECK(queue.TimeStamps() == before);
                break;
        }
    }
    return 0;
}

}  // namespace velto::fuzz

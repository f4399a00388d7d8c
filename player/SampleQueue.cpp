#include "player/SampleQueue.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace velto {

namespace {

constexpr long long kFarAway = 100000000;  // farther than any block can be

void CopyBlock(const SampleBlock& from, SampleBlock* to)
{
    const int n = std::clamp(from.length, 0, static_cast<int>(sizeof from.data));
    to->timeStamp = from.timeStamp;
    to->length = n;
    std::memcpy(to->data, from.data, static_cast<size_t>(n));
}

}  // namespace

SampleQueue::~SampleQueue()
{
    Close();
}

void SampleQueue::ResetLocked()
{
    lastRequested_ = -1;
    open_ = true;
}

void SampleQueue::Reset()
{
    std::lock_guard<std::mutex> guard(guard_);
    ResetLocked();
}

void SampleQueue::Store(int timeStamp, const void* data, int n)
{
    if (!data) return;
    std::lock_guard<std::mutex> guard(guard_);
    if (!open_) ResetLocked();
    if (blocks_.size() >= kMaxBlocks) blocks_.pop_front();
    SampleBlock block{};
    block.timeStamp = timeStamp;
    block.length = std::clamp(n, 0, static_cast<int>(sizeof block.data));
    std::memcpy(block.data, data, static_cast<size_t>(block.length));
    blocks_.push_back(block);
}

void SampleQueue::Fetch(int time, SampleBlock* out)
{
    if (!out) return;
    std::lock_guard<std::mutex> guard(guard_);
    if (time == lastRequested_ || blocks_.empty()) {
        return;
    }
    lastRequested_ = time;
    // The blocks come in time order: walk while the distance shrinks. The block before the
    // first one that is farther away is the nearest; it and everything newer stay queued.
    long long best = kFarAway;
    const size_t count = blocks_.size();
    for (size_t i = 0; i < count; ++i) {
        const long long d = static_cast<long long>(time) - blocks_[i].timeStamp;
        if (std::llabs(d) < std::llabs(best)) {
            if (i + 1 == count) {
                CopyBlock(blocks_[i], out);
                blocks_.erase(blocks_.begin(), blocks_.begin() + (i > 0 ? i - 1 : 0));
                break;
            }
            best = d;
        } else if (i == 0) {
            best = d;
        } else {
            CopyBlock(blocks_[i - 1], out);
            blocks_.erase(blocks_.begin(), blocks_.begin() + i);
            break;
        }
    }
}

void SampleQueue::Flush()
{
    std::lock_guard<std::mutex> guard(guard_);
    blocks_.clear();
}

void SampleQueue::Close()
{
    std::lock_guard<std::mutex> guard(guard_);
    open_ = false;
    blocks_.clear();
}

bool SampleQueue::isOpen() const
{
    std::lock_guard<std::mutex> guard(guard_);
    return open_;
}

std::vector<int> SampleQueue::TimeStamps() const
{
    std::lock_guard<std::mutex> guard(guard_);
    std::vector<int> out;
    for (const SampleBlock& b : blocks_) out.push_back(b.timeStamp);
    return out;
}

}  // namespace velto

// The visualisation blocks that the input plug-in hands to the host while it decodes, given out
// by time through SetSpectrumData.
//
// Threads: Store runs on the plug-in's decoding thread, everything else on the caller's thread
// (Reset also on the decoding thread, when a store finds the queue closed). The lock is the
// named event "PlayEvent" (auto-reset, signalled when free), as the library has always had it.
// `guard_` is held around every operation as well: it keeps the event handle alive while
// another thread waits on it, which the event alone cannot do. Nothing here calls out.
#pragma once

#include <windows.h>

#include <deque>
#include <mutex>
#include <vector>

#include "player/PluginRecord.h"

namespace velto {

class SampleQueue {
public:
    // Nobody may be made to hold more than this: when no caller fetches (the recorder never
    // does), an hour of decoding would otherwise pile up hundreds of megabytes. The newest
    // blocks are kept; this is far more than a visualisation ever looks back.
    static constexpr size_t kMaxBlocks = 4096;

    SampleQueue() = default;
    ~SampleQueue();
    SampleQueue(const SampleQueue&) = delete;
    SampleQueue& operator=(const SampleQueue&) = delete;

    // At play: forget the last requested time and (re)open the lock.
    void Reset();
    // Appends a block of the first n bytes of data (n is cut to the block's 576 bytes).
    void Store(int timeStamp, const void* data, int n);
    // Copies the block nearest `time` into *out and discards the blocks before it; leaves *out
    // untouched when `time` was also the last request or nothing is queued.
    void Fetch(int time, SampleBlock* out);
    // At seek: empties the queue.
    void Flush();
    // At stop: closes the lock and empties the queue.
    void Close();

    bool isOpen() const;
    // The queued blocks' time stamps, oldest first.
    std::vector<int> TimeStamps() const;

private:
    void ResetLocked();
    void Lock();
    void Unlock();

    mutable std::mutex guard_;
    HANDLE event_ = nullptr;
    bool open_ = false;
    std::deque<SampleBlock> blocks_;
    int lastRequested_ = -1;
};

}  // namespace velto

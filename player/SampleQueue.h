// The visualisation blocks that the input plug-in hands to the host while it decodes, given out
// by time through SetSpectrumData.
//
// Threads: Store runs on the plug-in's decoding thread, everything else on the caller's thread
// (Reset also on the decoding thread, when a store finds the queue closed). One private lock,
// `guard_`, held around every operation. The library once locked with a named event,
// "PlayEvent", waited on without a limit: any program of the session holding an object of that
// name hung decoding, Stop and the window, and nothing outside the process ever used the name
// (the blocks are this process's memory). Nothing here calls out.
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

    // At play: forget the last requested time and open the queue.
    void Reset();
    // Appends a block of the first n bytes of data (n is cut to the block's 576 bytes).
    void Store(int timeStamp, const void* data, int n);
    // Copies the block nearest `time` into *out and discards the blocks before it; leaves *out
    // untouched when `time` was also the last request or nothing is queued.
    void Fetch(int time, SampleBlock* out);
    // At seek: empties the queue.
    void Flush();
    // At stop: closes the queue and empties it.
    void Close();

    bool isOpen() const;
    // The queued blocks' time stamps, oldest first.
    std::vector<int> TimeStamps() const;

private:
    void ResetLocked();

    mutable std::mutex guard_;
    bool open_ = false;
    std::deque<SampleBlock> blocks_;
    int lastRequested_ = -1;
};

}  // namespace velto

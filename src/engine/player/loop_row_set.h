// The rows a song has reached while pattern loops were counting, keyed by position, row and the
// loop counters of every channel. Its room is fixed when it is made, so the mixing thread can
// add to it without allocating.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class LoopRowSet {
public:
    using Key = std::array<uint64_t, 3>;

    LoopRowSet();
    void Clear();
    // True if the key was new. A full set takes nothing more and reports every key as new, so
    // playback goes on (an offline render still stops at its time limit).
    bool Insert(const Key& key);

private:
    static constexpr size_t kSlots = 4096; // a power of two
    std::vector<Key> slots_;
    std::vector<uint8_t> used_;
    size_t count_ = 0;
};

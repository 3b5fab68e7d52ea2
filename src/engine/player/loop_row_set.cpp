#include "engine/player/loop_row_set.h"

#include <algorithm>

LoopRowSet::LoopRowSet() : slots_(kSlots), used_(kSlots, 0) {}

void LoopRowSet::Clear() {
    if (count_ == 0) return;
    std::fill(used_.begin(), used_.end(), uint8_t(0));
    count_ = 0;
}

bool LoopRowSet::Insert(const Key& key) {
    // Kept at most three quarters full so that probes stay short.
    if (count_ >= kSlots / 4 * 3) return true;
    uint64_t hash = key[0] * 0x9E3779B97F4A7C15ull;
    hash ^= (key[1] + (hash << 6) + (hash >> 2)) * 0xC2B2AE3D27D4EB4Full;
    hash ^= (key[2] + (hash << 6) + (hash >> 2)) * 0x165667B19E3779F9ull;
    for (size_t i = size_t(hash >> 32) & (kSlots - 1);; i = (i + 1) & (kSlots - 1)) {
        if (!used_[i]) {
            used_[i] = 1;
            slots_[i] = key;
            ++count_;
            return true;
        }
        if (slots_[i] == key) return false;
    }
}

#include "engine/engine_lock.h"

#include <algorithm>
#include <chrono>

namespace engine_lock_detail {

std::atomic<bool> timing{false};

namespace {
thread_local int64_t longest = 0;
} // namespace

int64_t Now() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void Held(int64_t since) {
    longest = std::max(longest, Now() - since);
}

} // namespace engine_lock_detail

void SetEngineLockTiming(bool on) {
    engine_lock_detail::timing.store(on);
}

int64_t TakeLongestEngineLockHold() {
    const int64_t value = engine_lock_detail::longest;
    engine_lock_detail::longest = 0;
    return value;
}

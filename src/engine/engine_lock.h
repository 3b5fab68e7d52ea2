// The engine's one lock. The mixer holds it while it advances one tick; the model takes it for
// any change that touches more than one field the player reads (sample data, loops, structure).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

using EngineMutexType = std::recursive_mutex;

// Recursive so that an engine call made while the model holds the lock composes safely.
EngineMutexType& EngineMutex();

// Hold timing for the benchmarks: while it is on, each thread keeps the longest time it held the
// lock since it last reset, in nanoseconds. Off, a lock costs one relaxed load more.
void SetEngineLockTiming(bool on);
int64_t TakeLongestEngineLockHold(); // this thread's longest hold; starts a new measurement

namespace engine_lock_detail {
extern std::atomic<bool> timing;
int64_t Now();
void Held(int64_t since);
} // namespace engine_lock_detail

class EngineLock {
public:
    EngineLock() : lock_(EngineMutex()) {
        if (engine_lock_detail::timing.load(std::memory_order_relaxed))
            since_ = engine_lock_detail::Now();
    }
    ~EngineLock() {
        if (since_) engine_lock_detail::Held(since_);
    }
    EngineLock(const EngineLock&) = delete;
    EngineLock& operator=(const EngineLock&) = delete;

private:
    std::lock_guard<EngineMutexType> lock_;
    int64_t since_ = 0;
};

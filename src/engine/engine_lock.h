// The engine's one lock. The mixer holds it while it advances one tick; the model takes it for
// any change that touches more than one field the player reads (sample data, loops, structure).
#pragma once

#include <mutex>

using EngineMutexType = std::recursive_mutex;

// Recursive so that an engine call made while the model holds the lock composes safely.
EngineMutexType& EngineMutex();

class EngineLock {
public:
    EngineLock() : lock_(EngineMutex()) {}

private:
    std::lock_guard<EngineMutexType> lock_;
};

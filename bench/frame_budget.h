// Timing against one 60 Hz frame, for the benches of the interactive controls.
#pragma once

#include <chrono>
#include <cstdio>

constexpr double kFrameMs = 1000.0 / 60.0;

// Milliseconds per call of fn, over enough calls to last a while.
template <typename Fn> double PerCallMs(int calls, Fn&& fn) {
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    for (int i = 0; i < calls; ++i) fn(i);
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / calls;
}

inline void Report(const char* what, double ms) {
    std::printf("%-44s %10.4f ms %8.2f%% of a frame\n", what, ms, 100.0 * ms / kFrameMs);
}

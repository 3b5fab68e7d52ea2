#include "edit/marker_clock.h"

#include <algorithm>

void TMarkerClock::Start(int row, double nowMs, double rowMs) {
    running_ = true;
    row_ = row;
    rowStart_ = nowMs;
    rowMs_ = std::clamp(rowMs, kMinRowMs, kMaxRowMs);
}

void TMarkerClock::Observe(int row, double nowMs) {
    if (!running_ || row == row_) return;
    if (row == row_ + 1) {
        // A quarter of each new measure: the polling jitter averages out within a few rows
        // while a change of speed still shows within a beat.
        const double measured = std::clamp(nowMs - rowStart_, kMinRowMs, kMaxRowMs);
        rowMs_ += (measured - rowMs_) / 4;
    }
    row_ = row;
    rowStart_ = nowMs;
}

double TMarkerClock::Fraction(double nowMs) const {
    if (!running_) return 0.0;
    return std::clamp((nowMs - rowStart_) / rowMs_, 0.0, kMaxFraction);
}

#include "edit/peak_summary.h"

#include "model/sample.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstring>

namespace {

// Finest blocks of 64 frames, each coarser level 16 times larger: a range costs at most about
// 2 × 63 frame reads plus 2 × 15 blocks per level.
constexpr int kFirstShift = 6;
constexpr int kLevelShift = 4;

void Merge(TPeak& acc, int min, int max, int64_t sum, int64_t count) {
    if (acc.count == 0) {
        acc.min = min;
        acc.max = max;
    } else {
        acc.min = std::min(acc.min, min);
        acc.max = std::max(acc.max, max);
    }
    acc.sum += sum;
    acc.count += count;
}

template <typename Read> TPeak Scan(Read read, int64_t first, int64_t end) {
    int lo = INT_MAX, hi = INT_MIN;
    int64_t sum = 0;
    for (int64_t i = first; i < end; ++i) {
        const int v = read(i);
        lo = std::min(lo, v);
        hi = std::max(hi, v);
        sum += v;
    }
    return {lo, hi, sum, end - first};
}

// One loop per format, so the format is not tested for every frame.
TPeak ScanFrames(const TSampleFrames& f, int64_t first, int64_t end) {
    const uint8_t* data = f.data;
    if (f.bits == 16)
        return Scan(
            [data](int64_t i) {
                int16_t v;
                std::memcpy(&v, data + 2 * i, 2);
                return int(v);
            },
            first, end);
    return Scan([data](int64_t i) { return int(data[i]) - 128; }, first, end);
}

} // namespace

int TSampleFrames::Value(int64_t frame) const {
    if (bits == 16) {
        int16_t v;
        std::memcpy(&v, data + 2 * frame, 2);
        return v;
    }
    return int(data[frame]) - 128;
}

TSampleFrames FramesOf(const TSample& sample) {
    return {sample.Record()->data, sample.Record()->data ? sample.Length() : 0, sample.Bits()};
}

TPeakSummary::TPeakSummary(const TSampleFrames& frames) : source_(frames) {
    if (!frames.data) return;
    TLevel first;
    first.shift = kFirstShift;
    const int64_t blocks = frames.frames >> kFirstShift;
    first.min.reserve(size_t(blocks));
    first.max.reserve(size_t(blocks));
    first.sum.reserve(size_t(blocks));
    for (int64_t k = 0; k < blocks; ++k) {
        const TPeak peak = ScanFrames(frames, k << kFirstShift, (k + 1) << kFirstShift);
        first.min.push_back(int16_t(peak.min));
        first.max.push_back(int16_t(peak.max));
        first.sum.push_back(peak.sum);
    }
    if (blocks == 0) return;
    levels_.push_back(std::move(first));
    constexpr int64_t kGroup = int64_t(1) << kLevelShift;
    while (int64_t(levels_.back().min.size()) >= 2 * kGroup) {
        const TLevel& fine = levels_.back();
        TLevel coarse;
        coarse.shift = fine.shift + kLevelShift;
        const int64_t count = int64_t(fine.min.size()) / kGroup;
        for (int64_t k = 0; k < count; ++k) {
            const auto from = size_t(k * kGroup), to = size_t((k + 1) * kGroup);
            const auto f = std::ptrdiff_t(from), t = std::ptrdiff_t(to);
            coarse.min.push_back(*std::min_element(fine.min.begin() + f, fine.min.begin() + t));
            coarse.max.push_back(*std::max_element(fine.max.begin() + f, fine.max.begin() + t));
            int64_t sum = 0;
            for (size_t i = from; i < to; ++i) sum += fine.sum[i];
            coarse.sum.push_back(sum);
        }
        levels_.push_back(std::move(coarse));
    }
}

void TPeakSummary::Accumulate(TPeak& acc, int level, const TSampleFrames& frames, int64_t first,
                              int64_t end) const {
    if (first >= end) return;
    if (level < 0) {
        const TPeak peak = ScanFrames(frames, first, end);
        Merge(acc, peak.min, peak.max, peak.sum, peak.count);
        return;
    }
    const TLevel& lv = levels_[size_t(level)];
    const int64_t a = (first + (int64_t(1) << lv.shift) - 1) >> lv.shift;
    const int64_t b = std::min<int64_t>(end >> lv.shift, int64_t(lv.min.size()));
    if (a >= b) {
        Accumulate(acc, level - 1, frames, first, end);
        return;
    }
    const int64_t blockFrames = int64_t(1) << lv.shift;
    for (int64_t k = a; k < b; ++k)
        Merge(acc, lv.min[size_t(k)], lv.max[size_t(k)], lv.sum[size_t(k)], blockFrames);
    Accumulate(acc, level - 1, frames, first, a << lv.shift);
    Accumulate(acc, level - 1, frames, b << lv.shift, end);
}

TPeak TPeakSummary::Range(const TSampleFrames& frames, int64_t first, int64_t end) const {
    TPeak acc;
    if (!frames.data) return acc;
    first = std::max<int64_t>(0, first);
    end = std::min(end, frames.frames);
    // A summary of another block would answer stale figures: read the frames instead.
    Accumulate(acc, Matches(frames) ? LevelCount() - 1 : -1, frames, first, end);
    return acc;
}

std::vector<TWaveColumn> WaveColumns(const TPeakSummary& summary, const TSampleFrames& frames,
                                     const TSampleView& view, int width, bool averaging) {
    std::vector<TWaveColumn> columns;
    if (!frames.data || frames.frames <= 0 || width <= 0) return columns;
    const int64_t zoom = std::max(1, view.viewZoom);
    const int64_t first = int64_t(view.viewStart) * zoom;
    const int64_t end = (int64_t(view.viewStart) + width) * zoom;
    const int64_t last = end < frames.frames ? end : frames.frames - 1;
    // The design divides every column by the same count, the last partial one included.
    const int64_t n = std::max<int64_t>(1, std::min(zoom, last - first));
    for (int64_t p = first; p <= last; p += zoom) {
        const TPeak peak = summary.Range(frames, p, std::min(p + zoom, last + 1));
        TWaveColumn column{peak.min, peak.max, double(frames.Value(p))};
        if (averaging) column.value = double(peak.sum) / double(n);
        columns.push_back(column);
    }
    return columns;
}

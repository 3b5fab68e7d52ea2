// A min/max/sum summary of a sample's frames at a few block sizes, built once per data block,
// from which the sample editor reads every column of any zoom in a bounded number of steps:
// a long sample paints as fast as a short one.
#pragma once

#include "edit/sample_view.h"

#include <cstdint>
#include <vector>

class TSample;

// A sample's frames as stored: 8-bit unsigned (value + 128) or 16-bit little-endian signed.
// Not owned; the summary reads the edges of a range from it.
struct TSampleFrames {
    const uint8_t* data = nullptr;
    int64_t frames = 0;
    int bits = 8;

    int Value(int64_t frame) const;
    bool operator==(const TSampleFrames&) const = default;
};
TSampleFrames FramesOf(const TSample& sample);

struct TPeak {
    int min = 0;
    int max = 0;
    int64_t sum = 0;
    int64_t count = 0;
};

class TPeakSummary {
public:
    TPeakSummary() = default;
    explicit TPeakSummary(const TSampleFrames& frames);

    // Whether the summary was built from this block; a new block (every data operation makes
    // one) or a write in place needs a new summary.
    bool Matches(const TSampleFrames& frames) const { return source_ == frames; }
    int LevelCount() const { return int(levels_.size()); }

    // Minimum, maximum and sum of frames [first, end), clipped to the data; count 0 when empty.
    TPeak Range(const TSampleFrames& frames, int64_t first, int64_t end) const;

private:
    struct TLevel {
        int shift = 0; // blocks of 2^shift frames
        std::vector<int16_t> min;
        std::vector<int16_t> max;
        std::vector<int64_t> sum;
    };
    void Accumulate(TPeak& acc, int level, const TSampleFrames& frames, int64_t first,
                    int64_t end) const;

    TSampleFrames source_;
    std::vector<TLevel> levels_;
};

// One column of the waveform: the extremes of its frames and the value the design draws (the
// column's first frame, or with averaging the mean).
struct TWaveColumn {
    int min = 0;
    int max = 0;
    double value = 0;
};

// The columns the view shows, from the first visible column up to the last frame it reaches.
std::vector<TWaveColumn> WaveColumns(const TPeakSummary& summary, const TSampleFrames& frames,
                                     const TSampleView& view, int width, bool averaging);

// The sample editor's waveform as lines to draw, from the columns of the peak summary.
#pragma once

#include "edit/peak_summary.h"

#include <vector>

enum TDrawMode : int { dmRelative = 0, dmSolid = 1, dmDots = 2 };

struct TWaveLine {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    bool operator==(const TWaveLine&) const = default;
};

// Vertical placement: positive values below the centre line, full scale over the height.
int WaveY(double value, int height, int bits);
// Distance of the half-amplitude guide lines from the centre line.
int HalfAmplitudeOffset(int height, int bits);

// Without averaging each column spans its frames' extremes, stretched to meet the previous
// column so the trace has no gaps; with averaging the columns' means are joined. Solid draws
// every column from the centre line. dmDots draws as dmRelative.
std::vector<TWaveLine> WaveLines(const std::vector<TWaveColumn>& columns, int height, int bits,
                                 TDrawMode mode, bool averaging);

#include "edit/waveform.h"

#include <algorithm>

int WaveY(double value, int height, int bits) {
    const double q = double(height) / double(int64_t(1) << bits);
    return height / 2 + int(RoundEven(value * q));
}

int HalfAmplitudeOffset(int height, int bits) {
    const double q = double(height) / double(int64_t(1) << bits);
    return int(RoundEven(double(int64_t(1) << (bits - 2)) * q));
}

std::vector<TWaveLine> WaveLines(const std::vector<TWaveColumn>& columns, int height, int bits,
                                 TDrawMode mode, bool averaging) {
    std::vector<TWaveLine> lines;
    const int mid = height / 2;
    int prevTop = mid, prevBottom = mid;
    for (int c = 0; c < int(columns.size()); ++c) {
        const TWaveColumn& col = columns[size_t(c)];
        if (averaging) {
            const int y = WaveY(col.value, height, bits);
            if (mode == dmSolid)
                lines.push_back({c, mid, c, y});
            else if (c > 0)
                lines.push_back({c - 1, prevTop, c, y});
            prevTop = prevBottom = y;
            continue;
        }
        int top = WaveY(col.min, height, bits);
        int bottom = WaveY(col.max, height, bits);
        if (mode == dmSolid) {
            top = std::min(top, mid);
            bottom = std::max(bottom, mid);
        } else if (c > 0) {
            top = std::min(top, prevBottom);
            bottom = std::max(bottom, prevTop);
        }
        lines.push_back({c, top, c, bottom});
        prevTop = WaveY(col.min, height, bits);
        prevBottom = WaveY(col.max, height, bits);
    }
    return lines;
}

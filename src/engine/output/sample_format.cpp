#include "engine/output/sample_format.h"

#include <algorithm>
#include <cmath>
#include <cstring>

void ConvertFrames(const float* stereo, int frames, const OutputFormat& format, uint8_t* out) {
    for (int i = 0; i < frames; ++i) {
        const float l = std::clamp(stereo[2 * i], -1.0f, 1.0f);
        const float r = std::clamp(stereo[2 * i + 1], -1.0f, 1.0f);
        if (format.sixteenBit) {
            const int16_t s[2] = {int16_t(std::lrint(l * 32767.0f)),
                                  int16_t(std::lrint(r * 32767.0f))};
            const int16_t mono = int16_t(std::lrint((l + r) * 0.5f * 32767.0f));
            if (format.stereo)
                std::memcpy(out + size_t(i) * 4, s, 4);
            else
                std::memcpy(out + size_t(i) * 2, &mono, 2);
        } else if (format.stereo) {
            out[2 * i] = uint8_t(std::lrint(l * 127.0f) + 128);
            out[2 * i + 1] = uint8_t(std::lrint(r * 127.0f) + 128);
        } else {
            out[i] = uint8_t(std::lrint((l + r) * 0.5f * 127.0f) + 128);
        }
    }
}

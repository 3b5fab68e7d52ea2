#include "engine/player/period_tables.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

namespace {

struct Tables {
    std::array<uint16_t, kPeriodTableSize> linear{};
    std::array<uint16_t, kPeriodTableSize> amiga{};
    std::array<uint8_t, 32> vibrato{};
    std::array<int8_t, 256> autoVibrato{};

    Tables() {
        for (int i = 0; i < kPeriodTableSize; ++i) {
            // 64 period units per semitone; index 16 is C-0 with finetune 0.
            linear[size_t(i)] = uint16_t(7744 - 4 * i);
            // C-4 (index 16 + 48 * 16) has the Amiga period 1712 in tracker units.
            const double amigaPeriod = 1712.0 * std::pow(2.0, double(16 + 48 * 16 - i) / 192.0);
            amiga[size_t(i)] = uint16_t(std::min(32000L, std::lround(amigaPeriod)));
        }
        for (int i = 0; i < 32; ++i)
            vibrato[size_t(i)] =
                uint8_t(std::floor(255.0 * std::sin(std::numbers::pi * i / 32.0) + 1e-9));
        for (int i = 0; i < 256; ++i)
            autoVibrato[size_t(i)] =
                int8_t(-std::lround(64.0 * std::sin(2.0 * std::numbers::pi * i / 256.0)));
    }
};

const Tables& T() {
    static const Tables tables;
    return tables;
}

} // namespace

int NotePeriod(bool linear, int index) {
    if (index < 0) index = 0;
    if (index >= kPeriodTableSize) index = kPeriodTableSize - 1;
    return linear ? T().linear[size_t(index)] : T().amiga[size_t(index)];
}

int NotePeriod(bool linear, int note, int finetune, bool exact) {
    const int index = note * 16 + (finetune >> 3) + 16;
    if (!exact) return NotePeriod(linear, index);
    if (linear) return std::max(7680 - note * 64 - finetune / 2, 1);
    // Between two table entries a sixteenth of a semitone apart.
    const int fraction = finetune & 7;
    return (NotePeriod(false, index) * (8 - fraction) + NotePeriod(false, index + 1) * fraction) /
           8;
}

double PeriodToFrequency(bool linear, int period) {
    if (period <= 0) return 0.0;
    // The tracker keeps periods in 16 bits. It finds the octave by a division that only holds
    // up to period 9983; past it the octave, and with it the pitch, wraps around.
    const uint32_t p = uint32_t(period) & 0xFFFF;
    if (linear) {
        const uint32_t octave = (14 - (9216u + 767u - p) / 768) & 0x1F;
        return 8363.0 * std::exp2(8.0 - double(octave) - double(p % 768) / 768.0);
    }
    return 8363.0 * 1712.0 / double(std::max(p, 1u));
}

uint8_t VibratoSine(int index) {
    return T().vibrato[size_t(index & 31)];
}

int AutoVibratoSine(int index) {
    return T().autoVibrato[size_t(index & 255)];
}

#include "engine/player/period_tables.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numbers>

namespace {

// The Amiga periods of C-0 (with its eight finetunes below) to B-0 and the next C, eight per
// semitone, as the XM format's documentation lists them. Every period derives from these.
constexpr uint16_t kAmigaFinePeriods[104] = {
    907, 900, 894, 887, 881, 875, 868, 862, 856, 850, 844, 838, 832, 826, 820, 814, 808, 802,
    796, 791, 785, 779, 774, 768, 762, 757, 752, 746, 741, 736, 730, 725, 720, 715, 709, 704,
    699, 694, 689, 684, 678, 675, 670, 665, 660, 655, 651, 646, 640, 636, 632, 628, 623, 619,
    614, 610, 604, 601, 597, 592, 588, 584, 580, 575, 570, 567, 563, 559, 555, 551, 547, 543,
    538, 535, 532, 528, 524, 520, 516, 513, 508, 505, 502, 498, 494, 491, 487, 484, 480, 477,
    474, 470, 467, 463, 460, 457, 453, 450, 447, 443, 440, 437, 434, 431};

// The tracker's Amiga period of `note` (0 C-0) at `finetune` (-128..127): the two entries about
// the finetune's eighth of a semitone, weighed by its sixteenths, doubled and halved once per
// octave with the remainder dropped. That rounding, not an exact power of two, is what sounds.
int AmigaPeriod(int note, int finetune) {
    const int semitone = (note % 12) * 8 + 8, octave = note / 12;
    const int eighth = finetune / 16, step = finetune < 0 ? -1 : 1;
    const int first = std::clamp(semitone + eighth, 0, 103);
    const int second = std::clamp(semitone + eighth + step, 0, 103);
    const int weight = std::abs(finetune) & 15;
    const int sum = kAmigaFinePeriods[first] * (16 - weight) + kAmigaFinePeriods[second] * weight;
    return (sum * 2) >> octave;
}

struct Tables {
    std::array<uint16_t, kPeriodTableSize> linear{};
    std::array<uint16_t, kPeriodTableSize> amiga{};
    std::array<uint8_t, 32> vibrato{};
    std::array<int8_t, 256> autoVibrato{};

    Tables() {
        for (int i = 0; i < kPeriodTableSize; ++i) {
            // 64 period units per semitone; index 16 is C-0 with finetune 0.
            linear[size_t(i)] = uint16_t(7744 - 4 * i);
            // Sixteenths of a semitone from C-0; the first sixteen lie below it.
            const int steps = i - 16;
            amiga[size_t(i)] = uint16_t(steps < 0 ? AmigaPeriod(0, steps * 8)
                                                  : AmigaPeriod(steps / 16, (steps % 16) * 8));
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
    if (!linear) return AmigaPeriod(std::clamp(note, 0, 119), exact ? finetune : finetune & ~7);
    if (!exact) return NotePeriod(linear, note * 16 + (finetune >> 3) + 16);
    return std::max(7680 - note * 64 - finetune / 2, 1);
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

// Period and waveform tables of the XM replayer, and the period-to-frequency conversion.
#pragma once

#include <cstdint>

// Periods are looked up by note * 16 + finetune / 8 + 16, note 0 being C-0.
constexpr int kPeriodTableSize = 10 * 12 * 16 + 16;

int NotePeriod(bool linear, int index); // index clamped to the table
// The period of `note` (0 C-0, relative note applied) at `finetune` (-128..127). The tracker
// drops the finetune's low three bits; `exact` keeps them.
int NotePeriod(bool linear, int note, int finetune, bool exact);
double PeriodToFrequency(bool linear, int period);

// The tracker's 32-step half sine for vibrato and tremolo (0..255).
uint8_t VibratoSine(int index);
// 256-step signed sine for auto-vibrato (-64..64), starting downwards as the tracker's does.
int AutoVibratoSine(int index);

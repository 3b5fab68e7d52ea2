// The pitches a source tracker plays a sample's notes at, and the XM tuning that comes closest.
// XM pitches a sample by a relative note and finetune through its own period table; the source
// formats by a middle-C rate, some through integer periods that round high notes by a few
// cents. A sample keeps the tuning that plays the notes it is struck at nearest the source.
#pragma once

#include "engine/formats/xmp_effects.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

enum class SourcePitch {
    Exact,      // the middle-C rate by equal-tempered semitones (Impulse Tracker)
    Periods,    // Scream Tracker's integer periods from a twelve-step table; old ModPlug releases
                // pitched Impulse Tracker files with Amiga slides so, and the reference still does
    ProTracker, // ProTracker's period table, on the PAL Amiga's clock (samples without finetune)
};

// The middle-C rates of an S3M's or IT's samples, in libxmp's sample order; 0 where the file
// holds none (or is of another kind). A MOD's samples without finetune get 8363, the others 0.
std::vector<uint32_t> SourceSampleRates(const uint8_t* data, size_t size, SourceKind kind);

// The source's playback rate for XM note `note` (0 C-0; C-4 plays at `rate`).
double SourceFrequency(SourcePitch pitch, int note, uint32_t rate);

using NoteCounts = std::array<uint32_t, kNoteCount>; // how often each XM note is struck

// The tuning (relative note × 128 + finetune) within a semitone of `start` with which XM plays
// the struck notes nearest the source, by squared cents summed over the strikes; `start` when
// nothing is struck or nothing comes closer.
int FitTuning(SourcePitch pitch, bool linear, uint32_t rate, const NoteCounts& struck, int start);

// The pitches a source tracker plays a sample's notes at, and the XM tuning that comes closest.
// XM pitches a sample by a relative note and finetune through its own period table; the source
// formats by a middle-C rate, some through integer periods that round high notes by a few
// cents. A sample keeps the tuning that plays the notes it is struck at nearest the source.
#pragma once

#include "engine/formats/xmp_effects.h"
#include "engine/records.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
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

// Notes the sample's tuning plays audibly off the source where a tuning of their own would not
// (integer periods round high notes differently in each format), grouped by that tuning, the
// groups that help most first, at most `room` of them.
struct NoteTuning {
    int tuning = 0;
    std::vector<int> notes;
};
std::vector<NoteTuning> OwnTunings(SourcePitch pitch, bool linear, uint32_t rate,
                                   const NoteCounts& struck, int tuning, size_t room);

// The notes each sample is struck at as the patterns convert, and the tunings that follow the
// source's pitches for them.
class SourceTuner {
public:
    // `rates` by the source's sample order; none leaves every tuning as it is.
    void Follow(std::vector<uint32_t> rates, SourcePitch pitch, bool linear);
    bool Following() const { return !rates_.empty(); }
    void Strike(int instrument, int slot, int note);
    // Sets the sample's tuning to the one nearest the source for the notes it is struck at.
    void Retune(int instrument, int slot, int sourceSample, SampleRecord& sample) const;
    // The notes of a retuned sample that a copy of it should play, with the copy's tuning.
    std::vector<NoteTuning> Copies(int instrument, int slot, int sourceSample,
                                   const SampleRecord& sample, size_t room) const;

private:
    const NoteCounts* Struck(int instrument, int slot, int sourceSample) const;

    std::vector<uint32_t> rates_;
    SourcePitch pitch_ = SourcePitch::Exact;
    bool linear_ = false;
    std::unordered_map<int, NoteCounts> struck_; // by instrument * kMaxSamples + slot
};

// A sample's relative note and finetune as one tuning in 128ths of a semitone, and back.
int TuningOf(const SampleRecord& sample);
void SetTuning(SampleRecord& sample, int tuning);

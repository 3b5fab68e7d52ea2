// ProTracker switches to a sample named without a note once the playing sample's loop ends;
// XM only resets the volume. Where the channel loops a short sample at a note struck in this
// pattern and not slid since, the switch comes almost at once, so the cell strikes that note
// with the new sample instead; other switches are counted as lost.
#pragma once

#include "engine/formats/xmp_effects.h"

#include <cstdint>
#include <xmp.h>

class ModSampleSwaps {
public:
    explicit ModSampleSwaps(const xmp_module& x) : x_(x) {}

    // Each pattern is converted on its own: no note carries over.
    void StartPattern();
    // `playing` is the source instrument the channel's last number named, -1 for none.
    void Carry(ImportedCell& cell, int track, int playing, uint32_t& lost);

private:
    struct State {
        uint8_t note = kNoteNone;
        bool pitchMoved = false;
    };

    int LoopLength(int instrument) const;
    bool CanStrike(const State& s, const ImportedCell& cell, int playing) const;

    const xmp_module& x_;
    State state_[kMaxChannels];
};

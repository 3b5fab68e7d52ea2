#include "engine/formats/mod_sample_swaps.h"

#include "engine/effect_catalogue.h"

#include <algorithm>
#include <iterator>

namespace {

bool MovesPitch(uint8_t command) {
    switch (command) {
    case kCmdPortaUp:
    case kCmdPortaDown:
    case kCmdTonePorta:
    case kCmdTonePortaVolSlide:
    case kCmdFinePortaUp:
    case kCmdFinePortaDown:
    case kCmdExtraFinePortaUp:
    case kCmdExtraFinePortaDown:
        return true;
    default:
        return false;
    }
}

} // namespace

void ModSampleSwaps::StartPattern() {
    std::fill(std::begin(state_), std::end(state_), State{});
}

int ModSampleSwaps::LoopLength(int instrument) const {
    if (instrument < 0 || instrument >= x_.ins || x_.xxi[instrument].nsm < 1) return 0;
    const int sid = x_.xxi[instrument].sub[0].sid;
    if (sid < 0 || sid >= x_.smp) return 0;
    const xmp_sample& s = x_.xxs[sid];
    return (s.flg & XMP_SAMPLE_LOOP) ? std::max(0, s.lpe - s.lps) : 0;
}

// A switch away from `playing` can be struck as a note: a short loop held at a note not slid
// since, a looped new sample, and nothing on the row that a note would play differently.
bool ModSampleSwaps::CanStrike(const State& s, const ImportedCell& cell, int playing) const {
    constexpr int kShortLoop = 256; // samples: the switch comes within a few milliseconds
    const int loop = LoopLength(playing);
    const uint8_t c = cell.command;
    return s.note != kNoteNone && !s.pitchMoved && !MovesPitch(c) && c != kCmdNoteDelay &&
           c != kCmdSampleOffset && loop > 0 && loop <= kShortLoop &&
           LoopLength(cell.instrument) > 0;
}

void ModSampleSwaps::Carry(ImportedCell& cell, int track, int playing, uint32_t& lost) {
    State& s = state_[track];
    if (cell.note < kNoteKeyOff) {
        s.note = cell.note;
        s.pitchMoved = false;
    } else if (cell.note == kNoteNone && cell.instrument != kInstrumentNone) {
        // Repeating the playing number only resets the volume, in both formats.
        if (playing >= 0 && cell.instrument != playing) {
            if (CanStrike(s, cell, playing))
                cell.note = s.note;
            else
                ++lost;
        }
    }
    if (MovesPitch(cell.command)) s.pitchMoved = true;
}

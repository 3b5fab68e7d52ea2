#include "edit/info_labels.h"

#include "engine/effect_catalogue.h"
#include "model/effects.h"
#include "model/instrument.h"
#include "model/notes.h"
#include "model/sample.h"
#include "model/song.h"

namespace {

const char* const kNone = "[none]";
const char* const kInvalid = "[invalid]";

std::string Numbered(int index, const std::string& name) {
    return std::to_string(index) + ": " + name;
}

// The sample the cell's instrument plays for its note. A cell without a playable note (none, key
// off) plays no sample: the keyboard map covers the playable notes only.
std::string SampleLabel(const TSong& song, const TCell& cell) {
    if (cell.instrument >= song.InstrumentCount()) return kNone;
    const TInstrument& instrument = *song.Instruments(cell.instrument);
    if (instrument.SampleCount() == 0) return kNone;
    if (!IsValidNote(cell.note) || NoteSemitone(cell.note) >= 12 ||
        NoteIndex(cell.note) >= kNoteCount)
        return kNone;
    const int sample = instrument.NoteSample(NoteIndex(cell.note));
    if (sample < 0 || sample >= instrument.SampleCount()) return kInvalid;
    return Numbered(sample, instrument.Samples(sample)->Name());
}

} // namespace

TInfoLabels InfoLabels(const TSong& song, const TCell& cell, TCellColumn cursorColumn) {
    TInfoLabels labels;
    if (cell.instrument == kInstrumentNone)
        labels.instrument = kNone;
    else if (cell.instrument < song.InstrumentCount())
        labels.instrument = Numbered(cell.instrument, song.Instruments(cell.instrument)->Name());
    else
        labels.instrument = kInvalid;

    if (cursorColumn == kColumnEffect) {
        labels.caption = "Effect:";
        labels.detail = cell.command < kEffectCount ? EffectNames(cell.command) : kInvalid;
    } else {
        labels.caption = "Sample: ";
        labels.detail = SampleLabel(song, cell);
    }
    return labels;
}

// Recording from a MIDI keyboard into the pattern editor.
#include "edit/key_entry.h"
#include "model/instrument.h"
#include "model/song.h"
#include "ui/widgets/event_grid.h"
#include "ui/windows/pattern_form.h"

#include <QSettings>
#include <QToolButton>

namespace {

constexpr const char* kRecordVelocityKey = "Midi/RecordVelocity";
constexpr const char* kRecordNoteOffKey = "Midi/RecordNoteOff";

} // namespace

bool TPatternForm::RecordVelocity() {
    return QSettings().value(kRecordVelocityKey, false).toBool();
}

bool TPatternForm::RecordNoteOff() {
    return QSettings().value(kRecordNoteOffKey, false).toBool();
}

void TPatternForm::SetRecordVelocity(bool on) {
    QSettings().setValue(kRecordVelocityKey, on);
}

void TPatternForm::SetRecordNoteOff(bool on) {
    QSettings().setValue(kRecordNoteOffKey, on);
}

void TPatternForm::CatchUpWithPlayback() {
    // The follower moves the cursor only on its timer: a note played just after a new row
    // began would otherwise land on the row before.
    TSong* song = Song();
    if (song && song->Playing()) FollowSong();
}

bool TPatternForm::MidiNoteOn(uint8_t note, int velocity) {
    TSong* song = Song();
    if (!song || !shownPattern_ || !toggleEditBtn->isChecked()) return false;
    CatchUpWithPlayback();
    const int volume = RecordVelocity() ? VolumeForVelocity(velocity) : -1;
    int track = 0, row = 0;
    if (!eventGrid->EnterPlayedNote(note, volume, track, row)) return false;
    const int instrument = EntryInstrument();
    if (instrument >= 0 && instrument < song->InstrumentCount() &&
        song->Instruments(instrument)->SampleCount() > 0)
        song->Instruments(instrument)->NoteOn(note);
    midiHeld_[note] = {instrument, shownPattern_->Number(), track, row};
    return true;
}

bool TPatternForm::MidiNoteOff(uint8_t note) {
    const auto held = midiHeld_.find(note);
    if (held == midiHeld_.end()) return false;
    const TMidiHeld entered = held->second;
    midiHeld_.erase(held);
    TSong* song = Song();
    if (song && entered.instrument >= 0 && entered.instrument < song->InstrumentCount())
        song->Instruments(entered.instrument)->NoteOff(note);
    if (!RecordNoteOff() || !shownPattern_ || shownPattern_->Number() != entered.pattern)
        return true;
    CatchUpWithPlayback();
    // Playback may have moved on to another pattern meanwhile.
    if (shownPattern_->Number() != entered.pattern) return true;
    const int row = eventGrid->CursorRow();
    if (row > entered.row) eventGrid->EnterKeyOff(entered.track, row);
    return true;
}

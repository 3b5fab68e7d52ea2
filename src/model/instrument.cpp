#include "model/instrument.h"

#include "engine/field_access.h"
#include "model/errors.h"
#include "model/names.h"
#include "model/notes.h"
#include "model/song.h"

TInstrument::TInstrument(TSong* song, int number) : song_(song), number_(number) {
    CW_ASSERT(song);
    record_ = song->Module()->instruments[number];
    CW_ASSERT_MSG(record_, "Error creating nil instrument.");
    RebuildWrappers();
}

void TInstrument::RebuildWrappers() {
    samples_.clear();
    volumeEnvelope_.reset();
    panningEnvelope_.reset();
    if (record_->volumeEnvelope)
        volumeEnvelope_ = std::make_unique<TEnvelope>(record_->volumeEnvelope);
    if (record_->panningEnvelope)
        panningEnvelope_ = std::make_unique<TEnvelope>(record_->panningEnvelope);
    for (int slot = 0; slot < record_->sampleCount && slot < kMaxSamples; ++slot)
        if (record_->samples[slot])
            samples_.push_back(std::make_unique<TSample>(this, slot, record_->samples[slot]));
}

std::string TInstrument::Name() const {
    return ReadName(record_->name);
}
void TInstrument::SetName(const std::string& name) {
    WriteName(record_->name, name);
}

TSample* TInstrument::Samples(int index) const {
    CW_ASSERT(index >= 0 && index < SampleCount());
    return samples_[size_t(index)].get();
}

int TInstrument::NoteSample(int note) const {
    CW_ASSERT(note >= 0 && note < kNoteCount);
    if (!record_->keyboardMap || song_->Module()->moduleType == kModuleTypeNoKeyboardMap) return 0;
    return record_->keyboardMap[note];
}

void TInstrument::SetNoteSample(int note, int sample) {
    CW_ASSERT(note >= 0 && note < kNoteCount);
    if (record_->keyboardMap) FieldStore(record_->keyboardMap[note], sample);
}

void TInstrument::SetVibratoType(int v) {
    FieldStore(record_->vibratoType, v);
}
void TInstrument::SetVibratoSweep(int v) {
    FieldStore(record_->vibratoSweep, v);
}
void TInstrument::SetVibratoDepth(int v) {
    FieldStore(record_->vibratoDepth, v);
}
void TInstrument::SetVibratoRate(int v) {
    FieldStore(record_->vibratoRate, v);
}
void TInstrument::SetFadeOut(int v) {
    FieldStore(record_->fadeOut, v);
}

void TInstrument::NoteOn(uint8_t note) {
    if (noteStatus_.IsPlaying(note)) return;
    noteStatus_.SetPlaying(note, song_->PlayInstrumentNote(number_, note));
}

void TInstrument::NoteOff(uint8_t note) {
    if (note == kNoteNone || !IsValidNote(note) || !noteStatus_.IsPlaying(note)) return;
    song_->ReleaseNote(noteStatus_.ChannelOf(note));
    noteStatus_.MarkReleased(note);
}

void TInstrument::AllNotesOff() {
    for (int n = 0; n <= 96; ++n) {
        if (noteStatus_.StatusOf(n) < 0) continue;
        const uint8_t note = NoteFromIndex(n);
        song_->StopNote(noteStatus_.ChannelOf(note));
        noteStatus_.Clear(note);
    }
}

// An instrument of the song: name, keyboard map, envelopes, vibrato, fade-out and sample slots.
#pragma once

#include "engine/records.h"
#include "model/envelope.h"
#include "model/note_status.h"
#include "model/sample.h"

#include <memory>
#include <string>
#include <vector>

class TSong;

class TInstrument {
public:
    TInstrument(TSong* song, int number);

    TSong* Song() const { return song_; }
    int Number() const { return number_; }
    void SetNumber(int number) { number_ = number; }
    InstrumentRecord* Record() const { return record_; }

    std::string Name() const;
    void SetName(const std::string& name);

    int SampleCount() const { return int(samples_.size()); }
    TSample* Samples(int index) const;

    // Keyboard map entry of note 0..95; 0 without a map or when the module ignores maps.
    int NoteSample(int note) const;
    void SetNoteSample(int note, int sample);

    int VibratoType() const { return record_->vibratoType; }
    void SetVibratoType(int v);
    int VibratoSweep() const { return record_->vibratoSweep; }
    void SetVibratoSweep(int v);
    int VibratoDepth() const { return record_->vibratoDepth; }
    void SetVibratoDepth(int v);
    int VibratoRate() const { return record_->vibratoRate; }
    void SetVibratoRate(int v);
    int FadeOut() const { return record_->fadeOut; }
    void SetFadeOut(int v);

    TEnvelope* VolumeEnvelope() const { return volumeEnvelope_.get(); }
    TEnvelope* PanningEnvelope() const { return panningEnvelope_.get(); }

    TNoteStatus& NoteStatus() { return noteStatus_; }

    // Preview: sounds and releases notes of this instrument.
    void NoteOn(uint8_t note);
    void NoteOff(uint8_t note);
    void AllNotesOff();

    // Rebuilds the sample and envelope wrappers from the record.
    void RebuildWrappers();

private:
    TSong* song_;
    int number_;
    InstrumentRecord* record_;
    std::vector<std::unique_ptr<TSample>> samples_;
    std::unique_ptr<TEnvelope> volumeEnvelope_;
    std::unique_ptr<TEnvelope> panningEnvelope_;
    TNoteStatus noteStatus_;
};

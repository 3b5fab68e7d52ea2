// An instrument of the song: name, keyboard map, envelopes, vibrato, fade-out and sample slots.
#pragma once

#include "engine/records.h"
#include "model/envelope.h"
#include "model/note_status.h"
#include "model/sample.h"

#include <cstddef>
#include <cstdint>
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

    // Sample slots. Index -1 inserts after the last slot.
    TSample* InsertSample(int index);
    void DeleteSample(int index);
    // Moves the sample to the end of the target's slots; the module keeps its sample count.
    void MoveSample(int index, TInstrument* target);
    void SwapSamples(int a, int b);

    // Replaces name, keyboard map, envelopes, vibrato, fade-out and samples with the XI file's.
    // A file that cannot be read or is corrupt raises EInstrumentError and changes nothing.
    // Precondition: the instrument has no samples.
    void LoadFromXI(const std::string& fileName);
    void LoadFromXI(const uint8_t* data, size_t size, const std::string& fileName);
    void SaveToXI(const std::string& fileName) const;

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
    // Renumbers the wrappers from `first` on and tells the engine their slots changed.
    void SlotsMoved(int first);

    TSong* song_;
    int number_;
    InstrumentRecord* record_;
    std::vector<std::unique_ptr<TSample>> samples_;
    std::unique_ptr<TEnvelope> volumeEnvelope_;
    std::unique_ptr<TEnvelope> panningEnvelope_;
    TNoteStatus noteStatus_;
};

// A sample slot of an instrument: its properties and its frame values.
#pragma once

#include "engine/records.h"

#include <cstdint>
#include <string>

class TInstrument;

// A sample's data block with what describes it; the holder owns the block.
struct TSampleData {
    uint8_t* block = nullptr;
    int bytes = 0;
    int bits = 8;
    int loopStart = 0;
    int loopEnd = 0;
};

class TSample {
public:
    TSample(TInstrument* instrument, int number, SampleRecord* record);

    TInstrument* Instrument() const { return instrument_; }
    int Number() const { return number_; }
    void SetNumber(int number) { number_ = number; }
    SampleRecord* Record() const { return record_; }

    std::string Name() const;
    void SetName(const std::string& name);

    int Volume() const { return record_->volume & 0xFF; }
    void SetVolume(int volume);
    int BaseNote() const { return (record_->relativeNote + 48) & 0xFF; }
    void SetBaseNote(int note);
    int Bits() const { return record_->format == kSampleFormat16 ? 16 : 8; }
    int BytesPerSample() const { return Bits() / 8; }
    void SetBits(int bits);

    int ByteLength() const { return record_->length; }
    int Length() const { return record_->length / BytesPerSample(); }
    int LoopStart() const { return record_->loopStart; }
    void SetLoopStart(int frame);
    int LoopEnd() const { return record_->loopEnd; }
    void SetLoopEnd(int frame);
    int LoopType() const { return record_->loopType; }
    void SetLoopType(int type);
    int Panning() const { return record_->panning - 128; }
    void SetPanning(int panning);
    int FineTune() const { return record_->finetune; }
    void SetFineTune(int finetune);

    // Frame i as a signed value: -128..127 for 8-bit data, -32768..32767 for 16-bit.
    int Values(int frame) const;
    // Stores v clamped to the format's range (16-bit stops at -32767).
    void SetValues(int frame, int value);

    // Data operations. Each builds its result in a new block and swaps it in under the engine
    // lock, then reports the change. Frame ranges include both ends; start = end means all.
    // Decodes WAV, AIFF, IFF, FLAC and the other formats libsndfile reads; anything else is
    // taken as raw 16-bit data.
    void LoadRawFile(const std::string& fileName);
    // Writes a WAV, or a FLAC for a name ending in .flac, with the loop when there is one.
    void SaveToFile(const std::string& fileName, int rate = 8363) const;
    void CopyFrom(const TSample* source);
    void DeleteSelection();
    void Amplify(int start, int end, double factor);
    // The three flags are accepted and have no effect.
    void Echo(int start, int end, int delay, int delayedPercent, int undelayedPercent,
              bool allowGrowth, bool multipleEcho, bool echoBeforeStart);
    void Reverse(int start, int end);

    // The same processes in two halves: a processed copy of the data, built without changing
    // the sample (so it may run on another thread while nothing else writes the sample), and
    // its installation. A process that would change nothing gives no block.
    TSampleData AmplifiedData(int start, int end, double factor) const;
    TSampleData EchoedData(int start, int end, int delay, int delayedPercent,
                           int undelayedPercent) const;
    TSampleData ReversedData(int start, int end) const;
    // Takes the block over with the data's loop, kept inside the block.
    void InstallData(TSampleData& data);

    // Tells the engine the sample changed.
    void Changed();

    // Swaps the data block, its length, format and loop with the given ones under the engine
    // lock; the caller then owns the block it got back.
    void ExchangeData(TSampleData& data);
    // While set, a data operation hands over the block it replaces instead of freeing it.
    void KeepReplacedData(TSampleData* keep) { keep_ = keep; }

    // Preview of this sample alone.
    // With `to` past `from` only those frames sound, unlooped; else from `from` on.
    void PlayNote(uint8_t note, int from = 0, int to = -1);
    void StopNote();

    // Preview and sample-editor view state.
    int PreviewChannel = -1;
    int ViewStart = 0;
    int SelStart = 0;
    int SelEnd = 0;
    int ViewZoom = 1;

private:
    // Installs a new data block with its length and format (loops kept inside it) under the
    // engine lock, reports the change, then frees the old block.
    void ReplaceData(uint8_t* block, int bytes, int bits);

    TInstrument* instrument_;
    int number_;
    SampleRecord* record_;
    TSampleData* keep_ = nullptr;
};

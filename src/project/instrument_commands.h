// Steps of the undo history that change instruments and their sample slots.
#pragma once

#include "project/edit_commands.h"

#include <array>
#include <functional>
#include <memory>
#include <vector>

class TInstrument;

// An instrument's name, fade-out and vibrato.
class TInstrumentPropertiesCommand : public TEditCommand {
public:
    TInstrumentPropertiesCommand(const QString& text, int instrument,
                                 std::function<void(TInstrument&)> change);

    struct TProperties {
        std::array<char, kNameSize> name{};
        int fadeOut = 0;
        int vibratoType = 0;
        int vibratoSweep = 0;
        int vibratoDepth = 0;
        int vibratoRate = 0;
        bool operator==(const TProperties&) const = default;
    };

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override;

private:
    void Write(const TProperties& properties) const;

    int instrument_;
    std::function<void(TInstrument&)> change_;
    bool changed_ = false;
    TProperties before_;
    TProperties after_;
};

// A new instrument at an index, filled once (from a file, say); undo detaches and keeps it.
class TAddInstrumentCommand : public TEditCommand {
public:
    TAddInstrumentCommand(const QString& text, int index, std::function<void(TInstrument&)> fill);
    size_t Bytes() const override;

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override;
    void DropKept() override { detached_.reset(); }
    bool Structural() const override { return true; }

private:
    int index_;
    std::function<void(TInstrument&)> fill_;
    bool filled_ = false;
    std::unique_ptr<TDetachedInstrument> detached_;
};

// A sample slot taken out of its instrument: its properties and its data block.
struct TKeptSample {
    TKeptSample() = default;
    TKeptSample(const TKeptSample&) = delete;
    TKeptSample& operator=(const TKeptSample&) = delete;
    TKeptSample(TKeptSample&& other) noexcept;
    TKeptSample& operator=(TKeptSample&& other) noexcept;
    ~TKeptSample();

    // Moves the slot's data out and deletes the slot.
    void Take(TInstrument& instrument, int index);
    // Inserts a slot at the index and gives it back what was taken.
    void Put(TInstrument& instrument, int index);

    TSamplePropertiesCommand::TProperties properties;
    TSampleData data;
};

// Appending one sample slot (filled once) or deleting some.
class TSampleSlotsCommand : public TEditCommand {
public:
    // Appends a slot and fills it.
    TSampleSlotsCommand(const QString& text, int instrument, std::function<void(TSample&)> fill);
    // Deletes the slots.
    TSampleSlotsCommand(int instrument, std::vector<int> samples);
    size_t Bytes() const override;
    int Index() const { return samples_.empty() ? -1 : samples_.front(); }

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override;
    void DropKept() override { kept_.clear(); }
    bool Structural() const override { return true; }

private:
    void Remove();
    void Restore();

    bool add_;
    int instrument_;
    std::vector<int> samples_; // ascending
    std::function<void(TSample&)> fill_;
    bool filled_ = false;
    std::vector<TKeptSample> kept_; // in the order of samples_
};

// Two instruments exchange places in the song, or two samples in one instrument. Cells keep
// their instrument numbers, so they play the other instrument afterwards.
class TSwapSlotsCommand : public TEditCommand {
public:
    // With `instrument` -1 the instruments a and b swap, else that instrument's samples.
    TSwapSlotsCommand(int instrument, int a, int b);

protected:
    void Apply() override;
    void Revert() override { Apply(); }
    void AnnounceApplied() override;
    bool Structural() const override { return true; }

private:
    int instrument_;
    int a_;
    int b_;
};

// A sample taken from one instrument to the end of another's slots.
class TMoveSampleCommand : public TEditCommand {
public:
    TMoveSampleCommand(int from, int sample, int to);
    int Slot() const { return slot_; }

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override;
    bool Structural() const override { return true; }

private:
    int from_;
    int sample_;
    int to_;
    int slot_ = -1;
};

// The steps of the undo history. Each keeps what it replaced, refers to patterns, instruments and
// samples by number (wrappers come and go with deletions and their undo), and announces itself
// on the bus after it is applied and after it is reverted.
#pragma once

#include "model/cell_change.h"
#include "model/detached.h"
#include "model/sample.h"
#include "model/song.h"

#include <QUndoCommand>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TEnvelope;

class TEditCommand : public QUndoCommand {
public:
    explicit TEditCommand(const QString& text) : QUndoCommand(text) {}

    // The first application, before the command joins the history; an error here leaves the
    // history untouched.
    void Run();
    void redo() final;
    void undo() final;

    // Bytes kept for undo, for the history's budget.
    virtual size_t Bytes() const { return 0; }
    // Lets go of what it keeps; the history never undoes an evicted command.
    void Evict();
    bool Evicted() const { return evicted_; }

protected:
    virtual void Apply() = 0;
    virtual void Revert() = 0;
    virtual void AnnounceApplied() = 0;
    virtual void AnnounceReverted() { AnnounceApplied(); }
    virtual void DropKept() {}
    // Commands that re-index or reallocate the engine's tables stop a running playback around
    // themselves, as the first edit did.
    virtual bool Structural() const { return false; }

    static TSong& Song();

private:
    bool skipRedo_ = false;
    bool evicted_ = false;
};

// Song name, speed, tempo or restart position.
class TSongPropertyCommand : public TEditCommand {
public:
    enum Field { Name, Speed, Tempo, Restart };
    // Typing into the name field merges into one step.
    static constexpr int kNameMergeId = 1;

    TSongPropertyCommand(Field field, std::string value);
    int id() const override { return field_ == Name ? kNameMergeId : -1; }
    bool mergeWith(const QUndoCommand* other) override;

protected:
    void Apply() override { Write(after_); }
    void Revert() override { Write(before_); }
    void AnnounceApplied() override;

private:
    std::string Read() const;
    void Write(const std::string& value);

    Field field_;
    std::string before_;
    std::string after_;
};

// Any set of cells of one pattern.
class TCellsCommand : public TEditCommand {
public:
    TCellsCommand(const QString& text, int pattern, TCellChanges changes, const void* sender);
    size_t Bytes() const override { return changes_.size() * sizeof(TCellChange); }

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override { Announce(true); }
    void AnnounceReverted() override { Announce(false); }
    void DropKept() override { TCellChanges().swap(changes_); }

private:
    void Announce(bool applied);

    int pattern_;
    TCellChanges changes_;
    const void* sender_;
};

// Row count, Grow or Shrink of one pattern: keeps the pattern's cells.
class TRowsCommand : public TEditCommand {
public:
    enum Kind { SetCount, Expand, Shrink };
    TRowsCommand(int pattern, Kind kind, int rows, const void* form);
    size_t Bytes() const override { return cells_.size() * sizeof(TCell); }

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override;
    void DropKept() override { std::vector<TCell>().swap(cells_); }

private:
    int pattern_;
    Kind kind_;
    int rows_;
    const void* form_;
    int oldRows_ = 0;
    int tracks_ = 0;
    std::vector<TCell> cells_;
};

// The channel count; lowering it keeps the cells of the tracks that go.
class TChannelCountCommand : public TEditCommand {
public:
    explicit TChannelCountCommand(int channels);
    size_t Bytes() const override;

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override;
    void DropKept() override { dropped_.clear(); }
    bool Structural() const override { return true; }

private:
    int before_ = 0;
    int after_;
    std::vector<std::pair<int, TCellChanges>> dropped_;
};

// The order list as a whole: setting an entry, inserting or deleting a position, renumbering.
class TOrderListCommand : public TEditCommand {
public:
    enum Kind { SetEntry, InsertPosition, DeletePosition, Renumber };
    TOrderListCommand(Kind kind, int position, int value);

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override { Announce(true); }
    void AnnounceReverted() override { Announce(false); }
    bool Structural() const override { return kind_ == DeletePosition; }

private:
    void Announce(bool applied);

    Kind kind_;
    int position_;
    int value_;
    TSong::OrderTable orders_{};
    int length_ = 0;
    int restart_ = 0;
};

// Inserting one pattern (with the order list's renumbering) or deleting several.
class TPatternListCommand : public TEditCommand {
public:
    // Insert: one index. Delete: any indices; renumber lowers the order entries above each.
    TPatternListCommand(bool insert, std::vector<int> indices, bool renumber);
    size_t Bytes() const override;

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override { Announce(insert_); }
    void AnnounceReverted() override { Announce(!insert_); }
    void DropKept() override { detached_.clear(); }
    bool Structural() const override { return true; }

private:
    void Insert();
    void Remove();
    void Announce(bool inserted);

    bool insert_;
    std::vector<int> indices_; // ascending
    bool renumber_;
    bool ordersChanged_ = false;
    TSong::OrderTable orders_{};
    std::vector<std::unique_ptr<TDetachedPattern>> detached_; // in the order of indices_
};

// Removing instruments; the cells naming the instruments above them are renumbered.
class TRemoveInstrumentsCommand : public TEditCommand {
public:
    explicit TRemoveInstrumentsCommand(std::vector<int> numbers);
    size_t Bytes() const override;

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override;
    void DropKept() override;
    bool Structural() const override { return true; }

private:
    std::vector<int> numbers_; // ascending
    std::vector<std::pair<int, TCellChanges>> renumbered_;
    std::vector<std::unique_ptr<TDetachedInstrument>> detached_;
};

// A sample process: keeps the data block it replaced, and swaps the two on undo and redo.
class TSampleDataCommand : public TEditCommand {
public:
    TSampleDataCommand(const QString& text, int instrument, int sample,
                       std::function<void(TSample&)> process);
    ~TSampleDataCommand() override;
    size_t Bytes() const override { return size_t(kept_.bytes); }

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override;
    void DropKept() override;

private:
    TSample& Target() const;

    int instrument_;
    int sample_;
    std::function<void(TSample&)> process_;
    bool processed_ = false;
    bool swaps_ = false;
    TSampleData kept_;
};

// Any change to one envelope's fields.
class TEnvelopeCommand : public TEditCommand {
public:
    TEnvelopeCommand(const QString& text, int instrument, bool panning,
                     std::function<void(TEnvelope&)> change);

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override;

private:
    TEnvelope& Target() const;

    int instrument_;
    bool panning_;
    std::function<void(TEnvelope&)> change_;
    bool changed_ = false;
    EnvelopeRecord before_{};
    EnvelopeRecord after_{};
};

// A sample's properties (name, volume, panning, tuning, loop): the data block stays as it is.
class TSamplePropertiesCommand : public TEditCommand {
public:
    TSamplePropertiesCommand(const QString& text, int instrument, int sample,
                             std::function<void(TSample&)> change);

    // The fields the command keeps: everything of the record but the data and its format.
    struct TProperties {
        std::array<char, kNameSize> name{};
        int loopType = 0;
        int loopStart = 0;
        int loopEnd = 0;
        int volume = 0;
        int panning = 0;
        int relativeNote = 0;
        int finetune = 0;
        bool operator==(const TProperties&) const = default;
    };
    static TProperties Of(const SampleRecord& record);
    // Puts the fields back into a record; the caller holds the engine lock.
    static void Store(SampleRecord& record, const TProperties& properties);

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override;

private:
    TSample& Target() const;
    void Write(const TProperties& properties) const;

    int instrument_;
    int sample_;
    std::function<void(TSample&)> change_;
    bool changed_ = false;
    TProperties before_;
    TProperties after_;
};

// Assigns one sample to some notes of an instrument's keyboard map.
class TKeyboardMapCommand : public TEditCommand {
public:
    TKeyboardMapCommand(const QString& text, int instrument, std::vector<int> notes, int sample);

protected:
    void Apply() override;
    void Revert() override;
    void AnnounceApplied() override;

private:
    void Write(const std::vector<uint8_t>& map) const;

    int instrument_;
    std::vector<int> notes_;
    int sample_;
    std::vector<uint8_t> before_; // the whole map, empty until the first application
};

// The one way the windows change the song: each call runs the model operation, records it as one
// step of the song's one undo history and announces it on the bus. Undo and redo go through the
// same steps and announce the same events.
#pragma once

#include "model/cell_change.h"

#include <QUndoStack>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TEditCommand;
class TEnvelope;
class TInstrument;
class TSample;

class TSongEdit {
public:
    // At least this many steps are kept, unless they hold more than the byte budget.
    static constexpr int kDepth = 1000;
    static constexpr size_t kBudgetBytes = size_t(256) << 20;

    TSongEdit();
    ~TSongEdit();
    TSongEdit(const TSongEdit&) = delete;
    TSongEdit& operator=(const TSongEdit&) = delete;

    // Its signals (indexChanged, cleanChanged) tell the menus when to look again.
    QUndoStack& History() { return history_; }

    // Song properties.
    void SetName(const std::string& name);
    void SetSpeed(int speed);
    void SetTempo(int tempo);
    void SetRestart(int position);
    void SetChannelCount(int channels);
    // Non-empty cells of the tracks at and above `channels`, in every pattern.
    int CellsBeyondTrack(int channels) const;

    // Order list.
    void SetOrder(int position, int pattern);
    void InsertPosition(int position);
    void DeletePosition(int position);
    void RenumberPatterns(int from, int delta);

    // Pattern list. InsertPattern answers false when the song is full.
    bool InsertPattern(int index, bool renumber);
    void DeletePatterns(const std::vector<int>& indices, bool renumber);

    // Instruments.
    void RemoveInstruments(const std::vector<int>& numbers);
    // Deletes the patterns and removes the instruments as one step.
    void CleanUp(const std::vector<int>& patterns, const std::vector<int>& instruments);

    // Cells of one pattern; `sender` is the view that shows the change already.
    void ChangeCells(int pattern, TCellChanges changes, const QString& text,
                     const void* sender = nullptr);
    void SetRowCount(int pattern, int rows, const void* form = nullptr);
    bool ExpandRows(int pattern);
    void ShrinkRows(int pattern);

    // A data process on one sample (amplify, echo, reverse ...).
    void ProcessSample(int instrument, int sample, const QString& text,
                       std::function<void(TSample&)> process);
    // Any change to a sample's name, volume, panning, tuning or loop.
    void EditSample(int instrument, int sample, const QString& text,
                    std::function<void(TSample&)> change);
    // The keyboard map plays `sample` for each of the notes; nothing is recorded when it does
    // already.
    void AssignKeys(int instrument, const std::vector<int>& notes, int sample);
    // Name, fade-out or vibrato of one instrument.
    void EditInstrument(int instrument, const QString& text,
                        std::function<void(TInstrument&)> change);
    // A new instrument at the index (-1: at the end), filled by `fill` (which may load a file);
    // answers its index, or -1 when the song is full. An error in `fill` leaves no step.
    int AddInstrument(int index, const QString& text, std::function<void(TInstrument&)> fill);
    // A new sample slot at the end of the instrument, filled by `fill`; answers its index, or -1
    // when the instrument is full.
    int AddSample(int instrument, const QString& text, std::function<void(TSample&)> fill);
    void DeleteSamples(int instrument, const std::vector<int>& samples);
    void SwapInstruments(int a, int b);
    void SwapSamples(int instrument, int a, int b);
    // Moves the sample to the end of `to` (-1: a new instrument at the end, named after it) as
    // one step; answers the target instrument, or -1 when nothing moved.
    int MoveSample(int from, int sample, int to);
    // A new sample at the end of `to` (-1: a new instrument named after it) holding frames
    // start..end of the source sample (all of it when they are equal); answers the target.
    int CopySampleRange(int instrument, int sample, int start, int end, int to);
    // Any change to an envelope's points, loop or sustain.
    void EditEnvelope(int instrument, bool panning, const QString& text,
                      std::function<void(TEnvelope&)> change);

    bool CanUndo() const;
    bool CanRedo() const { return history_.canRedo(); }
    // Steps done since the start of the history, for telling whether an action recorded one.
    int HistoryIndex() const { return history_.index(); }
    QString UndoText() const { return CanUndo() ? history_.undoText() : QString(); }
    QString RedoText() const { return history_.redoText(); }
    void Undo();
    void Redo();

    // Open and New start a fresh history; saving marks the point the song is unmodified at.
    void Clear() { history_.clear(); }
    void SetSaved() { history_.setClean(); }
    bool Modified() const { return !history_.isClean(); }

    // Bytes the history keeps for undo, and the most it may keep.
    size_t KeptBytes() const;
    void SetBudget(size_t bytes) { budget_ = bytes; }

private:
    void Push(std::unique_ptr<TEditCommand> command);
    void KeepWithinBudget();
    // Steps at the bottom whose kept data went to stay within the budget.
    int EvictedSteps() const;

    QUndoStack history_;
    size_t budget_ = kBudgetBytes;
};

// A pattern of the song, kept unpacked for editing while its wrapper lives: a grid of rows by
// tracks of 6-byte cells that the player reads directly, so edits are heard at once.
#pragma once

#include "engine/records.h"

#include <cstdint>
#include <memory>
#include <vector>

class TSong;
struct TCellChange;

struct TCell {
    uint8_t lib = 0; // the engine's byte: copied along, never interpreted here
    uint8_t note = kNoteNone;
    uint8_t instrument = kInstrumentNone;
    uint8_t volume = kVolumeNone;
    uint8_t command = 0;
    uint8_t param = 0;

    bool IsEmpty() const;
    bool operator==(const TCell&) const = default;
};

class TPattern {
public:
    TPattern(TSong* song, int number);
    // A clipboard pattern over a block laid out as [int32 tracks][int32 rows][rows of cells].
    explicit TPattern(uint8_t* block);
    ~TPattern();
    TPattern(const TPattern&) = delete;
    TPattern& operator=(const TPattern&) = delete;

    TSong* Song() const { return song_; }
    int Number() const { return number_; }
    void SetNumber(int number) { number_ = number; }
    PatternRecord* Record() const { return record_; }
    bool Packed() const { return packed_; }

    void Unpack();
    void Pack();

    int TrackCount() const;
    int RowCount() const { return record_->rowCount; }
    void SetRowCount(int n);

    uint8_t Note(int track, int row) const { return CellAt(track, row)[kCellNote]; }
    uint8_t Instrument(int track, int row) const { return CellAt(track, row)[kCellInstrument]; }
    uint8_t Volume(int track, int row) const { return CellAt(track, row)[kCellVolume]; }
    uint8_t Command(int track, int row) const { return CellAt(track, row)[kCellCommand]; }
    uint8_t Param(int track, int row) const { return CellAt(track, row)[kCellParam]; }
    void SetNote(int track, int row, uint8_t v) { SetByte(track, row, kCellNote, v); }
    void SetInstrument(int track, int row, uint8_t v) { SetByte(track, row, kCellInstrument, v); }
    void SetVolume(int track, int row, uint8_t v) { SetByte(track, row, kCellVolume, v); }
    void SetCommand(int track, int row, uint8_t v) { SetByte(track, row, kCellCommand, v); }
    void SetParam(int track, int row, uint8_t v) { SetByte(track, row, kCellParam, v); }

    TCell GetCell(int track, int row) const;
    void SetCell(int track, int row, const TCell& cell); // bytes 1..5
    void ClearCell(int track, int row);
    bool IsCellEmpty(int track, int row) const { return GetCell(track, row).IsEmpty(); }

    // Whole-pattern rewrites, worked out on a copy and copied in under the engine lock, so the
    // mixer never waits on the walk. `numbers[i]` is the new number of instrument i; numbers
    // past its end stay.
    void RenumberInstruments(const std::vector<uint8_t>& numbers);
    // Every note up or down; notes that would leave the keyboard stay as they are.
    void Transpose(int semitones);

    void InsertRow(int track, int row);
    void DeleteRow(int track, int row);
    bool ExpandRows();
    bool ShrinkRows(bool checkOnly);

    // The block of a range, as the clipboard carries it.
    std::vector<uint8_t> MakeBlock(int firstTrack, int lastTrack, int firstRow, int lastRow) const;
    // Writes a block's cells at (track, row); what falls outside the pattern is dropped.
    void PasteBlock(const std::vector<uint8_t>& block, int track, int row);
    // The same paste as cell changes, for the undo history. A malformed block raises
    // EPatternError.
    std::vector<TCellChange> PasteChanges(const std::vector<uint8_t>& block, int track,
                                          int row) const;

private:
    const uint8_t* CellAt(int track, int row) const;
    uint8_t* CellAt(int track, int row);
    void SetByte(int track, int row, int byte, uint8_t value);
    void MoveCell(int track, int from, int to);
    template <class Edit> void Rewrite(Edit edit);

    TSong* song_ = nullptr;
    int number_ = -1;
    PatternRecord* record_ = nullptr;
    bool packed_ = false;
};

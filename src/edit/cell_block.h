// A block of cells lifted out of a pattern: what cut and copy take and paste puts back, in
// either clipboard form.
#pragma once

#include "edit/grid_selection.h"
#include "model/cell_change.h"

#include <cstdint>
#include <optional>
#include <vector>

// The fields of a cell a paste writes: text from another tracker may carry only some of them.
enum TCellField : uint8_t {
    kFieldNote = 1,
    kFieldInstrument = 2,
    kFieldVolume = 4,
    kFieldEffect = 8,
    kFieldsAll = 15,
};

class TBlock {
public:
    TBlock() = default;
    // Empty cells with every field present.
    TBlock(int tracks, int rows);

    int Tracks() const { return tracks_; }
    int Rows() const { return rows_; }
    bool IsEmpty() const { return tracks_ == 0 || rows_ == 0; }

    const TCell& Cell(int track, int row) const { return cells_[Index(track, row)]; }
    TCell& Cell(int track, int row) { return cells_[Index(track, row)]; }
    uint8_t Fields(int track, int row) const { return fields_[Index(track, row)]; }
    void SetFields(int track, int row, uint8_t fields) { fields_[Index(track, row)] = fields; }

private:
    size_t Index(int track, int row) const;

    int tracks_ = 0;
    int rows_ = 0;
    std::vector<TCell> cells_;
    std::vector<uint8_t> fields_;
};

// Adds the change of one cell; a cell that stays as it was is left out.
void AddCellChange(TCellChanges& changes, int track, int row, const TCell& before,
                   const TCell& after);

TBlock CopyBlock(const TPattern& pattern, const TCellRange& range);
// Cut or delete of a range: every cell emptied.
TCellChanges ClearChanges(const TPattern& pattern, const TCellRange& range);
// The block with its top-left cell at (track, row); what falls outside the pattern is dropped.
TCellChanges PasteChanges(const TPattern& pattern, const TBlock& block, int track, int row);

// The program's own clipboard bytes: [int32 tracks][int32 rows] then rows of tracks 6-byte cells
// and a spare byte, and one spare byte at the end.
std::vector<uint8_t> BlockToClipboardBytes(const TBlock& block);
// Another program may put anything under our format: a block that does not add up is refused.
std::optional<TBlock> BlockFromClipboardBytes(const std::vector<uint8_t>& bytes);

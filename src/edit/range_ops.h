// Edits over a range of one pattern: transposition, instrument remap, interpolation, and the
// track shifts of Insert and Backspace. Each answers the cell changes it would make.
#pragma once

#include "edit/grid_selection.h"
#include "model/cell_change.h"

#include <optional>
#include <vector>

class TPattern;

// Which instruments' notes a transposition moves.
struct TInstrumentFilter {
    bool all = true;
    std::vector<int> instruments; // used when not all; empty moves nothing

    static TInstrumentFilter All() { return {}; }
    static TInstrumentFilter Only(std::vector<int> list) { return {false, std::move(list)}; }
    bool Matches(int instrument) const;
};

// Real notes of the range moved by semitones. A note that would leave 0..95 stays as it is,
// so the result is always a note an XM file holds; key offs and empty notes are left alone.
TCellChanges TransposeChanges(const TPattern& pattern, const TCellRange& range, int semitones,
                              const TInstrumentFilter& filter);

// Every cell of the range whose instrument byte is from gets to, whatever its note.
TCellChanges RemapChanges(const TPattern& pattern, const TCellRange& range, int from, int to);

enum class TInterpolateColumn { Volume, EffectParam };

// Interpolation needs one track and at least three rows; the volume column needs a set-volume
// value (0..64) at both ends, the parameter the same effect command at both ends.
bool CanInterpolate(const TPattern& pattern, const TCellRange& range, TInterpolateColumn column);
// Fills the rows between the first and last of the range linearly (nearest value, halves to
// even); the rows in between also take the common effect command. nullopt when refused.
std::optional<TCellChanges> InterpolateChanges(const TPattern& pattern, const TCellRange& range,
                                               TInterpolateColumn column);
// The column Ctrl+I fills: the one under the cursor when it can, else whichever can.
std::optional<TInterpolateColumn>
InterpolateColumnFor(const TPattern& pattern, const TCellRange& range, TCellColumn cursorColumn);

// Insert: the track's cells from row down move one row down, the last is lost, row empties.
TCellChanges InsertRowChanges(const TPattern& pattern, int track, int row);
// Backspace: the track's cells below row move up one row, the last row empties.
TCellChanges DeleteRowChanges(const TPattern& pattern, int track, int row);

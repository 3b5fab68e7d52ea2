// The state of one event grid and what its keys and mouse do, in one place: the grid widget
// forwards its events here, repaints what the answers name and hands every TCellChanges to the
// edit layer, which applies it as one undo step.
#pragma once

#include "edit/cell_block.h"
#include "edit/grid_selection.h"
#include "edit/key_entry.h"
#include "edit/range_ops.h"

#include <optional>

class TPattern;

class TGridEditor {
public:
    TGridCursor cursor;
    TGridSelection selection;
    TGridScroll scroll;
    TEntryState entry;
    TApplyScope applyScope = TApplyScope::Pattern;
    int highlightStep = 1;

    // Cursor keys. Shift also drags the selection along, Ctrl scrolls without moving the
    // cursor. False when the key with these modifiers does nothing.
    bool NavKey(TNavKey key, TModifiers mods, int rows, int channels);
    // A key release with Shift held, and the mouse release: the selection becomes whole tracks.
    void FinishSelection(int channels);

    // A press on a pattern cell: the cursor goes to the first position of the column and a
    // selection starts there. False on the header row (row -1) and the row numbers (column 0).
    bool MousePress(int row, int gridColumn, int rows, int channels);
    void MouseDrag(int row, int gridColumn, int rows, int channels);

    // Data entry at the cursor; the cursor and the entry step follow the answer.
    TEntryResult Key(const TPattern& pattern, const TEditKey& key);
    // A note from a MIDI keyboard at the cursor, with the same step and row rule as a key.
    TEntryResult PlayedNote(const TPattern& pattern, uint8_t note, int volume);

    // Ctrl+C: the selected block (the scope becomes Selection), empty without a selection.
    TBlock Copy(const TPattern& pattern);
    // Ctrl+X: the block copied and its cells emptied.
    TCellChanges Cut(const TPattern& pattern, TBlock& copied);
    // Ctrl+V: the block with its top-left cell at the cursor.
    TCellChanges Paste(const TPattern& pattern, const TBlock& block) const;
    // Delete over the selection, or the cursor cell when nothing is selected.
    TCellChanges DeleteSelection(const TPattern& pattern) const;

    // The range of the apply scope in this pattern (for Song the caller repeats it per pattern).
    TCellRange ScopeOf(const TPattern& pattern) const;
    // The selection, or the cursor cell when nothing is selected.
    TCellRange SelectionOrCursor(const TPattern& pattern) const;
    TCellChanges TransposeSelection(const TPattern& pattern, int semitones) const;
    // Ctrl+I over a selection of one track.
    std::optional<TCellChanges> Interpolate(const TPattern& pattern) const;
};

#include "edit/grid_editor.h"

#include "model/pattern.h"

#include <algorithm>

bool TGridEditor::NavKey(TNavKey key, TModifiers mods, int rows, int channels) {
    if (mods.ctrl && !mods.shift && !mods.alt) {
        switch (key) {
        case TNavKey::Up:
            scroll.ScrollRows(-1, rows);
            return true;
        case TNavKey::Down:
            scroll.ScrollRows(+1, rows);
            return true;
        case TNavKey::Left:
            scroll.ScrollColumns(-1, channels);
            return true;
        case TNavKey::Right:
            scroll.ScrollColumns(+1, channels);
            return true;
        default:
            return false;
        }
    }
    const TGridPoint from = PointOfCursor(cursor);
    // Tab is a move of its own even with Shift: it never drags a selection.
    if (!cursor.Navigate(key, mods, rows, channels, highlightStep)) return false;
    if (mods.shift && key != TNavKey::Tab) selection.ExtendFrom(from, PointOfCursor(cursor));
    return true;
}

void TGridEditor::FinishSelection(int channels) {
    selection.WidenSelection(channels);
}

bool TGridEditor::MousePress(int row, int gridColumn, int rows, int channels) {
    if (row < 0 || row >= rows || gridColumn < 1) return false;
    const int track = TrackOfGridColumn(gridColumn);
    if (track >= channels) return false;
    const auto column = TCellColumn((gridColumn - 1) % kColumnsPerTrack);
    cursor = TGridCursor(row, track, FirstPosOfColumn(column));
    selection.Start({row, gridColumn});
    return true;
}

void TGridEditor::MouseDrag(int row, int gridColumn, int rows, int channels) {
    if (!selection.Active() || rows < 1 || channels < 1) return;
    const int lastColumn = GridColumn(channels - 1, kColumnEffect);
    selection.ExtendTo({std::clamp(row, 0, rows - 1), std::clamp(gridColumn, 1, lastColumn)});
}

TEntryResult TGridEditor::Key(const TPattern& pattern, const TEditKey& key) {
    TEntryResult result = EditKey(pattern, cursor, key, entry);
    if (entry.holdRow) result.cursor.SetCursorRow(cursor.CursorRow(), pattern.RowCount());
    cursor = result.cursor;
    entry.step = result.step;
    return result;
}

TEntryResult TGridEditor::PlayedNote(const TPattern& pattern, uint8_t note, int volume) {
    TEntryResult result = EnterPlayedNote(pattern, cursor, note, volume, entry);
    if (entry.holdRow) result.cursor.SetCursorRow(cursor.CursorRow(), pattern.RowCount());
    cursor = result.cursor;
    return result;
}

TBlock TGridEditor::Copy(const TPattern& pattern) {
    applyScope = TApplyScope::Selection;
    return CopyBlock(pattern, selection.Range(pattern.RowCount(), pattern.TrackCount()));
}

TCellChanges TGridEditor::Cut(const TPattern& pattern, TBlock& copied) {
    copied = Copy(pattern);
    return ClearChanges(pattern, selection.Range(pattern.RowCount(), pattern.TrackCount()));
}

TCellChanges TGridEditor::Paste(const TPattern& pattern, const TBlock& block) const {
    return PasteChanges(pattern, block, cursor.CursorTrack(), cursor.CursorRow());
}

TCellChanges TGridEditor::DeleteSelection(const TPattern& pattern) const {
    return ClearChanges(pattern, SelectionOrCursor(pattern));
}

TCellRange TGridEditor::ScopeOf(const TPattern& pattern) const {
    return ScopeRange(applyScope, pattern, cursor, selection);
}

TCellRange TGridEditor::SelectionOrCursor(const TPattern& pattern) const {
    if (selection.Active()) return selection.Range(pattern.RowCount(), pattern.TrackCount());
    return CursorCell(cursor);
}

TCellChanges TGridEditor::TransposeSelection(const TPattern& pattern, int semitones) const {
    return TransposeChanges(pattern, SelectionOrCursor(pattern), semitones,
                            TInstrumentFilter::All());
}

std::optional<TCellChanges> TGridEditor::Interpolate(const TPattern& pattern) const {
    const TCellRange range = selection.Range(pattern.RowCount(), pattern.TrackCount());
    const std::optional<TInterpolateColumn> column =
        InterpolateColumnFor(pattern, range, cursor.Column());
    if (!column) return std::nullopt;
    return InterpolateChanges(pattern, range, *column);
}

#include "edit/grid_editor.h"
#include "grid_pattern.h"

#include <gtest/gtest.h>

namespace {

constexpr TModifiers kShift{true, false, false};
constexpr TModifiers kCtrl{false, true, false};

struct GridEditor : testing::Test {
    TGridPattern pattern{4, 32};
    TGridEditor editor;
    int Rows() { return pattern->RowCount(); }
    int Channels() { return pattern->TrackCount(); }
};

TEST_F(GridEditor, ShiftMovesSelectWholeTracksOnRelease) {
    editor.cursor = {5, 1, kPosVolumeHigh};
    editor.NavKey(TNavKey::Down, kShift, Rows(), Channels());
    editor.NavKey(TNavKey::Down, kShift, Rows(), Channels());
    editor.NavKey(TNavKey::Right, kShift, Rows(), Channels());
    EXPECT_EQ(editor.selection.LeftColumn(), GridColumn(1, kColumnVolume));
    editor.FinishSelection(Channels());
    EXPECT_EQ(editor.selection.Range(Rows(), Channels()), (TCellRange{1, 1, 5, 7}));
    EXPECT_EQ(editor.selection.LeftColumn(), GridColumn(1, kColumnNote));
    // A plain move leaves the selection alone; Tab never selects.
    editor.NavKey(TNavKey::Tab, kShift, Rows(), Channels());
    EXPECT_EQ(editor.cursor, TGridCursor(7, 0, kPosVolumeLow));
    EXPECT_EQ(editor.selection.Range(Rows(), Channels()), (TCellRange{1, 1, 5, 7}));
}

TEST_F(GridEditor, WhileFollowingPlaybackAnEntryStaysOnItsRow) {
    editor.cursor = {6, 1, kPosNote};
    editor.entry.step = 4;
    editor.entry.holdRow = true;
    const TEntryResult note = editor.Key(*pattern, TEditKey{TEditKeyKind::Character, 'Z', {}});
    ASSERT_EQ(note.changes.size(), 1u);
    EXPECT_EQ(note.changes[0].row, 6);
    EXPECT_EQ(editor.cursor.CursorRow(), 6);
    editor.cursor = {6, 1, kPosInstrumentHigh};
    editor.Key(*pattern, TEditKey{TEditKeyKind::Character, '1', {}});
    EXPECT_EQ(editor.cursor, TGridCursor(6, 1, kPosInstrumentHigh));
    editor.cursor = {6, 1, kPosNote};
    editor.entry.holdRow = false;
    editor.Key(*pattern, TEditKey{TEditKeyKind::Character, 'Z', {}});
    EXPECT_EQ(editor.cursor.CursorRow(), 10) << "the entry step applies again";
}

TEST_F(GridEditor, CtrlArrowsScrollWithoutMovingTheCursor) {
    editor.cursor = {3, 2, kPosNote};
    EXPECT_TRUE(editor.NavKey(TNavKey::Down, kCtrl, Rows(), Channels()));
    EXPECT_TRUE(editor.NavKey(TNavKey::Right, kCtrl, Rows(), Channels()));
    EXPECT_EQ(editor.scroll.firstRow, 1);
    EXPECT_EQ(editor.scroll.firstColumn, 2);
    EXPECT_EQ(editor.cursor, TGridCursor(3, 2, kPosNote));
    EXPECT_FALSE(editor.NavKey(TNavKey::PageDown, kCtrl, Rows(), Channels()));
}

TEST_F(GridEditor, AMouseDragSelectsAndPutsTheCursorOnTheColumn) {
    EXPECT_FALSE(editor.MousePress(-1, 5, Rows(), Channels())); // header row
    EXPECT_FALSE(editor.MousePress(4, 0, Rows(), Channels()));  // row numbers
    EXPECT_FALSE(editor.selection.Active());
    ASSERT_TRUE(editor.MousePress(4, GridColumn(2, kColumnEffect), Rows(), Channels()));
    EXPECT_EQ(editor.cursor, TGridCursor(4, 2, kPosCommandHigh));
    editor.MouseDrag(40, GridColumn(3, kColumnInstrument), Rows(), Channels());
    editor.FinishSelection(Channels());
    EXPECT_EQ(editor.selection.Range(Rows(), Channels()), (TCellRange{2, 3, 4, 31}));
}

TEST_F(GridEditor, CutAndPasteMoveABlockToTheCursor) {
    pattern->SetCell(0, 0, TGridPattern::Note(0x40, 1));
    pattern->SetCell(0, 1, TGridPattern::Note(0x42, 1));
    editor.selection.Start({0, GridColumn(0, kColumnNote)});
    editor.selection.ExtendTo({1, GridColumn(0, kColumnEffect)});
    TBlock block;
    const TCellChanges cut = editor.Cut(*pattern, block);
    EXPECT_EQ(editor.applyScope, TApplyScope::Selection);
    EXPECT_EQ(cut.size(), 2u);
    pattern.Apply(cut);
    EXPECT_TRUE(pattern->IsCellEmpty(0, 0));
    editor.cursor = {31, 3, kPosNote};
    const TCellChanges paste = editor.Paste(*pattern, block);
    ASSERT_EQ(paste.size(), 1u); // the second row falls off the pattern
    EXPECT_EQ(paste[0].after.note, 0x40);
    EXPECT_EQ(paste[0].track, 3);
}

TEST_F(GridEditor, SelectionEditsFallBackToTheCursorCell) {
    pattern->SetCell(1, 6, TGridPattern::Note(0x40, 1));
    pattern->SetCell(1, 7, TGridPattern::Note(0x40, 1));
    editor.cursor = {6, 1, kPosNote};
    const TCellChanges up = editor.TransposeSelection(*pattern, 12);
    ASSERT_EQ(up.size(), 1u);
    EXPECT_EQ(up[0].after.note, 0x50);
    EXPECT_EQ(editor.DeleteSelection(*pattern).size(), 1u);
    EXPECT_FALSE(editor.Interpolate(*pattern)); // no selection
}

} // namespace

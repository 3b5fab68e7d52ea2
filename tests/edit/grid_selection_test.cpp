#include "edit/grid_selection.h"
#include "grid_pattern.h"

#include <gtest/gtest.h>

namespace {

TEST(GridSelection, AShiftMoveSelectsFromWhereTheCursorWas) {
    TGridSelection s;
    EXPECT_TRUE(s.Range(64, 4).IsEmpty());
    TGridCursor cursor(10, 1, kPosVolumeHigh);
    const TGridPoint from = PointOfCursor(cursor);
    cursor.Navigate(TNavKey::Up, {true, false, false}, 64, 4, 1);
    cursor.Navigate(TNavKey::Up, {true, false, false}, 64, 4, 1);
    s.ExtendFrom(from, PointOfCursor(cursor));
    EXPECT_EQ(s.Top(), 8);
    EXPECT_EQ(s.Bottom(), 10);
    EXPECT_TRUE(s.Contains(9, GridColumn(1, kColumnVolume)));
    EXPECT_FALSE(s.Contains(9, GridColumn(1, kColumnEffect)));
    EXPECT_EQ(s.Range(64, 4), (TCellRange{1, 1, 8, 10}));
}

TEST(GridSelection, WideningTakesWholeTracksAndKeepsTheAnchorSide) {
    TGridSelection s;
    s.Start({20, GridColumn(2, kColumnEffect)});
    s.ExtendTo({12, GridColumn(1, kColumnInstrument)});
    s.WidenSelection(4);
    EXPECT_EQ(s.LeftColumn(), GridColumn(1, kColumnNote));
    EXPECT_EQ(s.RightColumn(), GridColumn(2, kColumnEffect));
    EXPECT_EQ(s.Anchor().column, GridColumn(2, kColumnEffect));
    // Growing on from the anchor after widening.
    s.ExtendTo({12, GridColumn(0, kColumnVolume)});
    s.WidenSelection(4);
    EXPECT_EQ(s.Range(64, 4), (TCellRange{0, 2, 12, 20}));
}

TEST(GridSelection, ExpandsToRowsTracksAndPattern) {
    TGridSelection s;
    s.SelectRows(4); // nothing selected: nothing to expand
    EXPECT_FALSE(s.Active());
    s.Start({30, GridColumn(2, kColumnNote)});
    s.ExtendTo({5, GridColumn(1, kColumnVolume)});
    s.SelectRows(4);
    EXPECT_EQ(s.Range(64, 4), (TCellRange{0, 3, 5, 30}));
    s.SelectTracks(64);
    EXPECT_EQ(s.Range(64, 4), (TCellRange{0, 3, 0, 63}));
    TGridSelection all;
    all.SelectAll(32, 6);
    EXPECT_EQ(all.Range(32, 6), (TCellRange{0, 5, 0, 31}));
    // The pattern shrank after the selection was made.
    EXPECT_EQ(all.Range(16, 6).lastRow, 15);
}

TEST(GridSelection, ScopesGiveTheirRangeOfThePattern) {
    TGridPattern pattern(6, 48);
    const TGridCursor cursor(7, 4, kPosNote);
    TGridSelection s;
    s.Start({3, GridColumn(1, kColumnNote)});
    s.ExtendTo({9, GridColumn(2, kColumnVolume)});
    EXPECT_EQ(ScopeRange(TApplyScope::Song, *pattern, cursor, s), (TCellRange{0, 5, 0, 47}));
    EXPECT_EQ(ScopeRange(TApplyScope::Pattern, *pattern, cursor, s), (TCellRange{0, 5, 0, 47}));
    EXPECT_EQ(ScopeRange(TApplyScope::Track, *pattern, cursor, s), (TCellRange{4, 4, 0, 47}));
    EXPECT_EQ(ScopeRange(TApplyScope::Selection, *pattern, cursor, s), (TCellRange{1, 2, 3, 9}));
    EXPECT_EQ(CursorCell(cursor), (TCellRange{4, 4, 7, 7}));
    EXPECT_TRUE(ScopeRange(TApplyScope::Selection, *pattern, cursor, TGridSelection{}).IsEmpty());
}

} // namespace

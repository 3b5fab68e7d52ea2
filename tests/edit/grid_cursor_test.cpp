#include "edit/grid_cursor.h"

#include <gtest/gtest.h>

namespace {

constexpr TModifiers kNone{};
constexpr TModifiers kShift{true, false, false};
constexpr TModifiers kCtrl{false, true, false};

TEST(GridCursor, RowMovesWrapAtThePatternEnds) {
    TGridCursor c(63, 0, 0);
    ASSERT_TRUE(c.Navigate(TNavKey::Down, kNone, 64, 4, 4));
    EXPECT_EQ(c.CursorRow(), 0);
    ASSERT_TRUE(c.Navigate(TNavKey::Up, kNone, 64, 4, 4));
    EXPECT_EQ(c.CursorRow(), 63);
    c.Navigate(TNavKey::Home, kNone, 64, 4, 4);
    EXPECT_EQ(c.CursorRow(), 0);
    c.Navigate(TNavKey::End, kNone, 64, 4, 4);
    EXPECT_EQ(c.CursorRow(), 63);
}

TEST(GridCursor, PagesGoByTheHighlightStep) {
    EXPECT_EQ(PageUpRow(0, 64, 4), 60);
    EXPECT_EQ(PageUpRow(0, 62, 4), 60);
    EXPECT_EQ(PageUpRow(8, 64, 4), 4); // strictly above
    EXPECT_EQ(PageUpRow(9, 64, 4), 8);
    EXPECT_EQ(PageDownRow(8, 64, 4), 12);
    EXPECT_EQ(PageDownRow(9, 64, 4), 12);
    EXPECT_EQ(PageDownRow(60, 64, 4), 0);
    EXPECT_EQ(PageDownRow(5, 64, 0), 6); // a step of 0 counts as 1
    TGridCursor c(0, 1, 3);
    ASSERT_TRUE(c.Navigate(TNavKey::PageUp, kNone, 64, 4, 4));
    EXPECT_EQ(c, TGridCursor(60, 1, 3));
    EXPECT_FALSE(c.Navigate(TNavKey::PageDown, kShift, 64, 4, 4));
    EXPECT_FALSE(c.Navigate(TNavKey::Down, kCtrl, 64, 4, 4));
    EXPECT_EQ(c, TGridCursor(60, 1, 3));
}

TEST(GridCursor, ColumnMovesCrossTracksAndWrap) {
    TGridCursor c(5, 3, kPosParamLow);
    c.Navigate(TNavKey::Right, kNone, 64, 4, 1);
    EXPECT_EQ(c, TGridCursor(5, 0, kPosNote));
    c.Navigate(TNavKey::Left, kNone, 64, 4, 1);
    EXPECT_EQ(c, TGridCursor(5, 3, kPosParamLow));
    c.Navigate(TNavKey::Tab, kNone, 64, 4, 1);
    EXPECT_EQ(c, TGridCursor(5, 0, kPosParamLow));
    c.Navigate(TNavKey::Tab, kShift, 64, 4, 1);
    EXPECT_EQ(c, TGridCursor(5, 3, kPosParamLow));
    c.MoveCursor(-2 * kCursorPositions - 1, 4);
    EXPECT_EQ(c, TGridCursor(5, 1, kPosParamHigh));
    c.MoveCursor(20, 4);
    EXPECT_EQ(c, TGridCursor(5, 0, kPosNote));
}

TEST(GridCursor, StepZeroWalksTheDigitsOfOneField) {
    const int expected[kCursorPositions] = {0, 2, 1, 4, 3, 6, 7, 8, 5};
    for (int pos = 0; pos < kCursorPositions; ++pos) {
        TGridCursor c(7, 2, pos);
        c.AdvanceCursor(0, 64);
        EXPECT_EQ(c, TGridCursor(7, 2, expected[pos])) << "from position " << pos;
    }
    TGridCursor c(62, 0, kPosVolumeLow);
    c.AdvanceCursor(3, 64);
    EXPECT_EQ(c, TGridCursor(1, 0, kPosVolumeLow));
}

TEST(GridCursor, ClampPullsTheCursorIntoAShrunkPattern) {
    TGridCursor c(50, 7, kPosCommandLow);
    c.Clamp(32, 4);
    EXPECT_EQ(c, TGridCursor(31, 3, kPosCommandLow));
}

TEST(GridScroll, CtrlScrollingStaysInsideTheGrid) {
    TGridScroll s;
    s.ScrollRows(-1, 64);
    EXPECT_EQ(s.firstRow, 0);
    s.ScrollRows(100, 64);
    EXPECT_EQ(s.firstRow, 63);
    s.ScrollColumns(-1, 2);
    EXPECT_EQ(s.firstColumn, 1);
    s.ScrollColumns(50, 2);
    EXPECT_EQ(s.firstColumn, 8);
}

TEST(GridScroll, FollowingKeepsTheCursorRowVisible) {
    TGridScroll s;
    s.FollowRow(5, 10, 0, false);
    EXPECT_EQ(s.firstRow, 0);
    s.FollowRow(9, 10, 0, false); // the last whole visible row
    EXPECT_EQ(s.firstRow, 1);
    s.FollowRow(0, 10, 0, false);
    EXPECT_EQ(s.firstRow, 0);
    s.FollowRow(30, 10, 1, false);
    EXPECT_EQ(s.firstRow, 25);
    s.FollowRow(2, 10, 1, false);
    EXPECT_EQ(s.firstRow, 0);
    s.FollowRow(27, 10, 0, true);
    EXPECT_EQ(s.firstRow, 20);
}

} // namespace

#include "edit/grid_cursor.h"
#include "edit/grid_text.h"
#include "grid_pattern.h"

#include <gtest/gtest.h>

namespace {

TEST(GridText, CellsReadAsTheGridShowsThem) {
    TGridPattern pattern(3, 16);
    TCell cell = TGridPattern::Note(0x41, 0x1A);
    cell.volume = 0x40;
    cell.command = 0x0F;
    cell.param = 0x06;
    pattern->SetCell(2, 9, cell);
    EXPECT_EQ(CellText(*pattern, 0, 0), "");
    EXPECT_EQ(CellText(*pattern, 0, GridColumn(2, kColumnNote)), "2");
    EXPECT_EQ(CellText(*pattern, 0, GridColumn(2, kColumnVolume)), "");
    EXPECT_EQ(CellText(*pattern, 10, 0), "9");
    EXPECT_EQ(CellText(*pattern, 10, GridColumn(2, kColumnNote)), "C#4");
    EXPECT_EQ(CellText(*pattern, 10, GridColumn(2, kColumnInstrument)), "1A");
    EXPECT_EQ(CellText(*pattern, 10, GridColumn(2, kColumnVolume)), "40");
    EXPECT_EQ(CellText(*pattern, 10, GridColumn(2, kColumnEffect)), "0F06");
    EXPECT_EQ(CellText(*pattern, 1, GridColumn(0, kColumnNote)), "...");
    EXPECT_EQ(CellText(*pattern, 1, GridColumn(0, kColumnInstrument)), "..");
    EXPECT_EQ(CellText(*pattern, 1, GridColumn(0, kColumnVolume)), "..");
    EXPECT_EQ(CellText(*pattern, 1, GridColumn(0, kColumnEffect)), "0000");
    pattern->SetNote(1, 0, kNoteKeyOff);
    EXPECT_EQ(CellText(*pattern, 1, GridColumn(1, kColumnNote)), "Rel");
    // Past the pattern (it shrank, the channel count fell) there is nothing to read.
    EXPECT_EQ(CellText(*pattern, 17, GridColumn(0, kColumnNote)), "");
    EXPECT_EQ(CellText(*pattern, 1, GridColumn(3, kColumnNote)), "");
}

TEST(GridText, ColumnWidthsFollowTheDefaultWidth) {
    EXPECT_EQ(ColumnWidth(0, 18), 18);
    EXPECT_EQ(ColumnWidth(GridColumn(1, kColumnNote), 18), 23);
    EXPECT_EQ(ColumnWidth(GridColumn(1, kColumnInstrument), 18), 18);
    EXPECT_EQ(ColumnWidth(GridColumn(1, kColumnEffect), 18), 27);
    EXPECT_EQ(ColumnWidth(GridColumn(0, kColumnNote), 5), 6);   // 6.5 goes to 6
    EXPECT_EQ(ColumnWidth(GridColumn(0, kColumnNote), 15), 20); // 19.5 goes to 20
}

} // namespace

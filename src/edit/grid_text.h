// What each cell of the event grid reads and how wide its column is: produced while painting,
// from the pattern, so nothing is cached per cell.
#pragma once

#include <string>

class TPattern;

// Grid row 0 is the header, grid row r + 1 pattern row r; grid column 0 holds the row numbers,
// column 1 + 4 * t + k column k of track t.
std::string CellText(const TPattern& pattern, int gridRow, int gridColumn);

// Pixel width of a grid column for the grid's default column width: the note column is 1.3
// times as wide (to the nearest pixel, halves to even), the effect column one and a half.
int ColumnWidth(int gridColumn, int defaultWidth);

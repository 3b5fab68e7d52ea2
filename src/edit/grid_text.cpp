#include "edit/grid_text.h"

#include "edit/grid_cursor.h"
#include "model/notes.h"
#include "model/pattern.h"

#include <cstdio>

namespace {

std::string Hex2(unsigned v) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", v & 0xFF);
    return text;
}

} // namespace

std::string CellText(const TPattern& pattern, int gridRow, int gridColumn) {
    if (gridRow < 0 || gridColumn < 0) return {};
    const int row = gridRow - 1;
    const int track = gridColumn == 0 ? -1 : TrackOfGridColumn(gridColumn);
    if (row >= pattern.RowCount() || track >= pattern.TrackCount()) return {};
    const auto column = TCellColumn(gridColumn == 0 ? 0 : (gridColumn - 1) % kColumnsPerTrack);
    if (gridRow == 0)
        return gridColumn > 0 && column == kColumnNote ? std::to_string(track) : std::string();
    if (gridColumn == 0) return std::to_string(row);
    const TCell cell = pattern.GetCell(track, row);
    switch (column) {
    case kColumnNote:
        return NoteName(cell.note);
    case kColumnInstrument:
        return cell.instrument == kInstrumentNone ? ".." : Hex2(cell.instrument);
    case kColumnVolume:
        return cell.volume == kVolumeNone ? ".." : Hex2(cell.volume);
    case kColumnEffect:
        return Hex2(cell.command) + Hex2(cell.param);
    }
    return {};
}

int ColumnWidth(int gridColumn, int defaultWidth) {
    if (gridColumn <= 0) return defaultWidth;
    switch ((gridColumn - 1) % kColumnsPerTrack) {
    case kColumnNote: {
        // In tenths, so that a half is exact and goes to the even width.
        const int tenths = defaultWidth * 13;
        const int whole = tenths / 10;
        const int rest = tenths % 10;
        return rest > 5 || (rest == 5 && whole % 2 == 1) ? whole + 1 : whole;
    }
    case kColumnEffect:
        return defaultWidth * 3 / 2;
    default:
        return defaultWidth;
    }
}

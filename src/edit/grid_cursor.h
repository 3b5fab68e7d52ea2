// The edit cursor of the event grid and its moves, apart from any widget: the grid maps keys to
// these calls and repaints the cells the answer names.
#pragma once

// The nine places of the cursor inside a track: the note, then the two hex digits of the
// instrument, of the volume, of the effect command and of its parameter.
enum TCursorPos : int {
    kPosNote = 0,
    kPosInstrumentHigh = 1,
    kPosInstrumentLow = 2,
    kPosVolumeHigh = 3,
    kPosVolumeLow = 4,
    kPosCommandHigh = 5,
    kPosCommandLow = 6,
    kPosParamHigh = 7,
    kPosParamLow = 8,
};
constexpr int kCursorPositions = 9;

// The four columns of a track as the grid shows them.
enum TCellColumn : int {
    kColumnNote = 0,
    kColumnInstrument = 1,
    kColumnVolume = 2,
    kColumnEffect = 3
};
constexpr int kColumnsPerTrack = 4;

TCellColumn ColumnOfPos(int pos);
// Where a click on a column puts the cursor.
int FirstPosOfColumn(TCellColumn column);
// The characters of the column's text that the cursor covers: [first, end).
struct TCharSpan {
    int first = 0;
    int end = 0;
};
TCharSpan CursorChars(int pos);

// Grid column of a track's column: column 0 holds the row numbers.
inline int GridColumn(int track, TCellColumn column) {
    return 1 + kColumnsPerTrack * track + column;
}
inline int TrackOfGridColumn(int gridColumn) {
    return (gridColumn - 1) / kColumnsPerTrack;
}

// Keys that move the cursor.
enum class TNavKey { Up, Down, Left, Right, Tab, PageUp, PageDown, Home, End };

struct TModifiers {
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
    bool None() const { return !shift && !ctrl && !alt; }
};

class TGridCursor {
public:
    TGridCursor() = default;
    TGridCursor(int row, int track, int pos) : row_(row), track_(track), pos_(pos) {}

    int CursorRow() const { return row_; }
    int CursorTrack() const { return track_; }
    int CursorPos() const { return pos_; }
    TCellColumn Column() const { return ColumnOfPos(pos_); }
    bool operator==(const TGridCursor&) const = default;

    // r wrapped into 0 .. rows-1.
    void SetCursorRow(int r, int rows);
    // Moves through the positions by n; crossing a track edge steps the track, wrapping.
    void MoveCursor(int n, int channels);
    void MoveCursorTrack(int n, int channels);
    // After a pattern shrank or the channel count fell.
    void Clamp(int rows, int channels);

    // The move after an entry: step rows down, or with step 0 to the next digit of the field
    // and back to its first digit after the last one.
    void AdvanceCursor(int step, int rows);

    // The cursor keys; false when the key with these modifiers does nothing. Shift moves as
    // no modifier does (the grid extends its selection); Ctrl scrolls instead (TGridScroll).
    bool Navigate(TNavKey key, TModifiers mods, int rows, int channels, int highlightStep);

private:
    int row_ = 0;
    int track_ = 0;
    int pos_ = kPosNote;
};

// The rows Page Up and Page Down go to: multiples of the highlight step, wrapping.
int PageUpRow(int row, int rows, int highlightStep);
int PageDownRow(int row, int rows, int highlightStep);

// The first row and column the grid shows, moved by Ctrl+arrows and by the cursor row.
struct TGridScroll {
    int firstRow = 0;
    int firstColumn = 1;

    // Ctrl+Up/Down: the first visible row stays within the pattern.
    void ScrollRows(int delta, int rows);
    // Ctrl+Left/Right: not before column 1, not beyond the last grid column.
    void ScrollColumns(int delta, int channels);
    // Keeps row r in view among vis visible rows (header included). ScrollMode 1 keeps it
    // centred; paged is playback following the song row, which turns the view page by page.
    void FollowRow(int r, int vis, int scrollMode, bool paged);
};

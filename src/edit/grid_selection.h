// The block selection of the event grid and the ranges the range operations work on.
#pragma once

#include "edit/grid_cursor.h"

class TPattern;

// A rectangle of cells: tracks and rows, both bounds included.
struct TCellRange {
    int firstTrack = 0;
    int lastTrack = -1;
    int firstRow = 0;
    int lastRow = -1;

    bool IsEmpty() const { return lastTrack < firstTrack || lastRow < firstRow; }
    int TrackCount() const { return lastTrack - firstTrack + 1; }
    int RowCount() const { return lastRow - firstRow + 1; }
    bool Contains(int track, int row) const {
        return track >= firstTrack && track <= lastTrack && row >= firstRow && row <= lastRow;
    }
    bool operator==(const TCellRange&) const = default;
};

// Every cell of a pattern.
TCellRange WholePattern(const TPattern& pattern);

// A cell of the grid: a pattern row and a grid column (1 + 4 * track + column).
struct TGridPoint {
    int row = 0;
    int column = 1;
    bool operator==(const TGridPoint&) const = default;
};

TGridPoint PointOfCursor(const TGridCursor& cursor);

// Anchor and extent: the anchor stays where the drag or the Shift move began, the extent
// follows the pointer or the cursor. Independent of the edit cursor.
class TGridSelection {
public:
    bool Active() const { return active_; }
    TGridPoint Anchor() const { return anchor_; }
    TGridPoint Extent() const { return extent_; }

    int Top() const;
    int Bottom() const;
    int LeftColumn() const;
    int RightColumn() const;
    bool Contains(int row, int gridColumn) const;

    void Clear() { active_ = false; }
    // A mouse press on a cell.
    void Start(TGridPoint point);
    // Dragging: the extent follows the pointer (a selection starts there when none is active).
    void ExtendTo(TGridPoint point);
    // A Shift move from one cell to another: starts at from when nothing is selected yet.
    void ExtendFrom(TGridPoint from, TGridPoint to);
    // After the mouse release, and after a key release with Shift held: whole tracks.
    void WidenSelection(int channels);
    // Ctrl+R, Ctrl+T, Ctrl+A.
    void SelectRows(int channels);
    void SelectTracks(int rows);
    void SelectAll(int rows, int channels);

    // The tracks and rows covered; empty when nothing is selected. Rows beyond the pattern
    // (it may have shrunk since) are left out.
    TCellRange Range(int rows, int channels) const;

private:
    TGridPoint anchor_;
    TGridPoint extent_;
    bool active_ = false;
};

// Where a range operation applies; the numbers are those of the "Apply To" boxes.
enum class TApplyScope { Song = 0, Pattern = 1, Track = 2, Selection = 3 };
// The cursor cell, for a single-cell delete or copy.
TCellRange CursorCell(const TGridCursor& cursor);

// The cells of one pattern a scope covers. Song covers every pattern whole: the caller runs the
// operation on each pattern with this range.
TCellRange ScopeRange(TApplyScope scope, const TPattern& pattern, const TGridCursor& cursor,
                      const TGridSelection& selection);

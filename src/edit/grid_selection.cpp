#include "edit/grid_selection.h"

#include "model/pattern.h"

#include <algorithm>

TCellRange WholePattern(const TPattern& pattern) {
    return {0, pattern.TrackCount() - 1, 0, pattern.RowCount() - 1};
}

TGridPoint PointOfCursor(const TGridCursor& cursor) {
    return {cursor.CursorRow(), GridColumn(cursor.CursorTrack(), cursor.Column())};
}

int TGridSelection::Top() const {
    return std::min(anchor_.row, extent_.row);
}
int TGridSelection::Bottom() const {
    return std::max(anchor_.row, extent_.row);
}
int TGridSelection::LeftColumn() const {
    return std::min(anchor_.column, extent_.column);
}
int TGridSelection::RightColumn() const {
    return std::max(anchor_.column, extent_.column);
}

bool TGridSelection::Contains(int row, int gridColumn) const {
    return active_ && row >= Top() && row <= Bottom() && gridColumn >= LeftColumn() &&
           gridColumn <= RightColumn();
}

void TGridSelection::Start(TGridPoint point) {
    point.column = std::max(1, point.column);
    anchor_ = extent_ = point;
    active_ = true;
}

void TGridSelection::ExtendTo(TGridPoint point) {
    if (!active_) Start(point);
    extent_ = {point.row, std::max(1, point.column)};
}

void TGridSelection::ExtendFrom(TGridPoint from, TGridPoint to) {
    if (!active_) Start(from);
    ExtendTo(to);
}

void TGridSelection::WidenSelection(int channels) {
    if (!active_) return;
    const int left = LeftColumn();
    const int right = RightColumn();
    const int lastTrack = std::min(TrackOfGridColumn(right), channels - 1);
    const TGridPoint top{Top(), GridColumn(TrackOfGridColumn(left), kColumnNote)};
    const TGridPoint bottom{Bottom(), GridColumn(lastTrack, kColumnEffect)};
    // Keep the anchor on its side so that a later Shift move still grows from it.
    const bool anchorFirst = anchor_.column <= extent_.column;
    anchor_ = {anchor_.row, anchorFirst ? top.column : bottom.column};
    extent_ = {extent_.row, anchorFirst ? bottom.column : top.column};
}

void TGridSelection::SelectRows(int channels) {
    if (!active_) return;
    anchor_.column = 1;
    extent_.column = GridColumn(channels - 1, kColumnEffect);
    if (anchor_.row > extent_.row) std::swap(anchor_.row, extent_.row);
}

void TGridSelection::SelectTracks(int rows) {
    if (!active_) return;
    anchor_.row = 0;
    extent_.row = rows - 1;
    if (anchor_.column > extent_.column) std::swap(anchor_.column, extent_.column);
}

void TGridSelection::SelectAll(int rows, int channels) {
    anchor_ = {0, 1};
    extent_ = {rows - 1, GridColumn(channels - 1, kColumnEffect)};
    active_ = true;
}

TCellRange TGridSelection::Range(int rows, int channels) const {
    if (!active_) return {};
    TCellRange range{TrackOfGridColumn(LeftColumn()), TrackOfGridColumn(RightColumn()), Top(),
                     Bottom()};
    range.lastTrack = std::min(range.lastTrack, channels - 1);
    range.lastRow = std::min(range.lastRow, rows - 1);
    return range;
}

TCellRange CursorCell(const TGridCursor& cursor) {
    return {cursor.CursorTrack(), cursor.CursorTrack(), cursor.CursorRow(), cursor.CursorRow()};
}

TCellRange ScopeRange(TApplyScope scope, const TPattern& pattern, const TGridCursor& cursor,
                      const TGridSelection& selection) {
    const TCellRange whole = WholePattern(pattern);
    switch (scope) {
    case TApplyScope::Song:
    case TApplyScope::Pattern:
        return whole;
    case TApplyScope::Track:
        if (cursor.CursorTrack() >= pattern.TrackCount()) return {};
        return {cursor.CursorTrack(), cursor.CursorTrack(), 0, whole.lastRow};
    case TApplyScope::Selection:
        return selection.Range(pattern.RowCount(), pattern.TrackCount());
    }
    return {};
}

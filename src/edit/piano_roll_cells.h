// The cells the piano roll works on: the shown pattern with the pending writes of the current
// edit over it. The roll never writes the song itself; the pending writes leave as one list of
// cell changes for the edit layer, so a whole drag is one step in the history.
#pragma once

#include "model/cell_change.h"
#include "model/pattern.h"

#include <map>
#include <utility>

class TRollCells {
public:
    void SetPattern(const TPattern* pattern);
    const TPattern* Pattern() const { return pattern_; }
    int Tracks() const { return pattern_ ? pattern_->TrackCount() : 0; }
    int Rows() const { return pattern_ ? pattern_->RowCount() : 0; }

    TCell Get(int track, int row) const;
    void Set(int track, int row, const TCell& cell);
    void Clear(int track, int row) { Set(track, row, TCell{}); }
    bool IsEmpty(int track, int row) const { return Get(track, row).IsEmpty(); }
    bool Pending() const { return !over_.empty(); }

    // The pending writes that differ from the pattern; the pending list is emptied.
    TCellChanges Take();
    void Discard() { over_.clear(); }

private:
    const TPattern* pattern_ = nullptr;
    std::map<std::pair<int, int>, TCell> over_; // (track, row)
};

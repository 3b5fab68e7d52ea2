#include "edit/piano_roll_cells.h"

void TRollCells::SetPattern(const TPattern* pattern) {
    pattern_ = pattern;
    over_.clear();
}

TCell TRollCells::Get(int track, int row) const {
    if (over_.empty()) return pattern_->GetCell(track, row);
    const auto it = over_.find({track, row});
    return it != over_.end() ? it->second : pattern_->GetCell(track, row);
}

void TRollCells::Set(int track, int row, const TCell& cell) {
    TCell kept = cell;
    kept.lib = pattern_->GetCell(track, row).lib;
    over_[{track, row}] = kept;
}

TCellChanges TRollCells::Take() {
    TCellChanges changes;
    for (const auto& [place, cell] : over_) {
        const TCell before = pattern_->GetCell(place.first, place.second);
        if (!(before == cell)) changes.push_back({place.first, place.second, before, cell});
    }
    over_.clear();
    return changes;
}

// Copies of imported instruments whose samples start at another panning. XM resets the
// panning at each instrument number, where the source formats keep the channel's; a cell with
// no room to set it again strikes such a copy instead.
#pragma once

#include "engine/records.h"

#include <utility>
#include <vector>

class PannedCopies {
public:
    // Copies are numbered after the source's `first` instruments.
    explicit PannedCopies(int first) : first_(first) {}

    // The instrument number of the copy of `source` panned at `pan`, made on first use; -1 once
    // the song would pass the XM tracker's 128 instruments.
    int Strike(int source, int pan);
    // The source instrument a copy was made from; any other number as it is.
    int SourceOf(int instrument) const;
    // Adds the copies to the module after its instruments, named after their panning.
    bool AddTo(ModuleRecord& m) const;

private:
    int first_;
    std::vector<std::pair<int, int>> copies_; // source instrument and panning, in turn
};

// One cell of a pattern as it was and as it becomes: the unit that editors compute and the edit
// layer applies, records for undo and announces.
#pragma once

#include "model/pattern.h"

#include <vector>

struct TCellChange {
    int track = 0;
    int row = 0;
    TCell before;
    TCell after;
};

using TCellChanges = std::vector<TCellChange>;

// The info row under the grid: what the cell under the cursor plays, in words.
#pragma once

#include "edit/grid_cursor.h"
#include "model/pattern.h"

#include <string>

class TSong;

struct TInfoLabels {
    std::string instrument; // "Inst:" label
    std::string caption;    // "Sample: " or "Effect:"
    std::string detail;     // the sample the note plays, or the effect's name
};

TInfoLabels InfoLabels(const TSong& song, const TCell& cell, TCellColumn cursorColumn);

// A pattern of any size for the editing tests, laid out as a clipboard block so that no song or
// sound engine is needed.
#pragma once

#include "engine/records.h"
#include "model/cell_change.h"
#include "model/pattern.h"

#include <cstring>
#include <memory>
#include <vector>

class TGridPattern {
public:
    TGridPattern(int tracks, int rows)
        : bytes_(kPatternHeaderSize + size_t(kMaxRows) * RowStride(tracks) + 1, 0) {
        const int32_t header[2] = {tracks, rows};
        std::memcpy(bytes_.data(), header, sizeof header);
        pattern_ = std::make_unique<TPattern>(bytes_.data());
        for (int t = 0; t < tracks; ++t)
            for (int r = 0; r < rows; ++r) pattern_->ClearCell(t, r);
    }
    TPattern& operator*() { return *pattern_; }
    TPattern* operator->() { return pattern_.get(); }
    const TPattern& Get() const { return *pattern_; }

    // What the edit layer does with the answer of an editing call.
    void Apply(const TCellChanges& changes) {
        for (const TCellChange& c : changes) pattern_->SetCell(c.track, c.row, c.after);
    }

    static TCell Note(uint8_t note, uint8_t instrument) {
        TCell cell;
        cell.note = note;
        cell.instrument = instrument;
        return cell;
    }

private:
    std::vector<uint8_t> bytes_;
    std::unique_ptr<TPattern> pattern_;
};

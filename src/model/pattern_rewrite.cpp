// Rewrites of a whole pattern: the cells are copied out, changed, and copied back in one step
// under the engine lock, so a long walk never holds up the mixer.
#include "engine/engine_lock.h"
#include "model/notes.h"
#include "model/pattern.h"

#include <cstring>

template <class Edit> void TPattern::Rewrite(Edit edit) {
    const int tracks = TrackCount(), rows = RowCount();
    const size_t stride = size_t(RowStride(tracks));
    uint8_t* const data = CellAt(0, 0);
    std::vector<uint8_t> cells(data, data + stride * size_t(rows));
    bool changed = false;
    for (int r = 0; r < rows; ++r)
        for (int t = 0; t < tracks; ++t)
            changed |= edit(cells.data() + size_t(r) * stride + size_t(t) * kCellSize);
    if (!changed) return;
    EngineLock lock;
    std::memcpy(data, cells.data(), cells.size());
}

void TPattern::RenumberInstruments(const std::vector<uint8_t>& numbers) {
    Rewrite([&numbers](uint8_t* cell) {
        const uint8_t old = cell[kCellInstrument];
        if (old >= numbers.size() || numbers[old] == old) return false;
        cell[kCellInstrument] = numbers[old];
        return true;
    });
}

void TPattern::Transpose(int semitones) {
    Rewrite([semitones](uint8_t* cell) {
        const uint8_t note = cell[kCellNote];
        if (!IsValidNote(note) || NoteIndex(note) + semitones < 0) return false;
        const uint8_t moved = TransposeNote(note, semitones);
        if (!IsValidNote(moved) || moved == note) return false;
        cell[kCellNote] = moved;
        return true;
    });
}

#include "edit/range_ops.h"

#include "edit/cell_block.h"
#include "engine/records.h"
#include "model/notes.h"
#include "model/pattern.h"

#include <algorithm>

namespace {

constexpr uint8_t kMaxSetVolume = 64;

bool IsRealNote(uint8_t note) {
    return note < kNoteKeyOff && NoteSemitone(note) < 12;
}

// a + (b - a) * i / n to the nearest integer, halves to even.
int Lerp(int a, int b, int i, int n) {
    const int num = (b - a) * i;
    int q = num / n;
    int rem = num % n;
    if (rem < 0) {
        rem += n;
        --q;
    }
    if (2 * rem > n || (2 * rem == n && (q & 1))) ++q;
    return a + q;
}

bool OneTrackSpan(const TPattern& pattern, const TCellRange& range) {
    return !range.IsEmpty() && range.firstTrack == range.lastTrack && range.RowCount() >= 3 &&
           range.firstTrack >= 0 && range.lastTrack < pattern.TrackCount() && range.firstRow >= 0 &&
           range.lastRow < pattern.RowCount();
}

} // namespace

bool TInstrumentFilter::Matches(int instrument) const {
    return all ||
           std::find(instruments.begin(), instruments.end(), instrument) != instruments.end();
}

TCellChanges TransposeChanges(const TPattern& pattern, const TCellRange& range, int semitones,
                              const TInstrumentFilter& filter) {
    TCellChanges changes;
    if (range.IsEmpty()) return changes;
    for (int t = range.firstTrack; t <= range.lastTrack; ++t)
        for (int r = range.firstRow; r <= range.lastRow; ++r) {
            const TCell before = pattern.GetCell(t, r);
            if (!IsRealNote(before.note) || !filter.Matches(before.instrument)) continue;
            const int target = NoteIndex(before.note) + semitones;
            if (target < 0 || target >= kNoteCount) continue;
            TCell after = before;
            after.note = NoteFromIndex(target);
            AddCellChange(changes, t, r, before, after);
        }
    return changes;
}

TCellChanges RemapChanges(const TPattern& pattern, const TCellRange& range, int from, int to) {
    TCellChanges changes;
    if (range.IsEmpty() || from == to) return changes;
    for (int t = range.firstTrack; t <= range.lastTrack; ++t)
        for (int r = range.firstRow; r <= range.lastRow; ++r) {
            const TCell before = pattern.GetCell(t, r);
            if (before.instrument != from) continue;
            TCell after = before;
            after.instrument = uint8_t(to);
            AddCellChange(changes, t, r, before, after);
        }
    return changes;
}

bool CanInterpolate(const TPattern& pattern, const TCellRange& range, TInterpolateColumn column) {
    if (!OneTrackSpan(pattern, range)) return false;
    const TCell first = pattern.GetCell(range.firstTrack, range.firstRow);
    const TCell last = pattern.GetCell(range.firstTrack, range.lastRow);
    if (column == TInterpolateColumn::Volume)
        return first.volume <= kMaxSetVolume && last.volume <= kMaxSetVolume;
    return first.command != 0 && first.command == last.command;
}

std::optional<TCellChanges> InterpolateChanges(const TPattern& pattern, const TCellRange& range,
                                               TInterpolateColumn column) {
    if (!CanInterpolate(pattern, range, column)) return std::nullopt;
    const int t = range.firstTrack;
    const TCell first = pattern.GetCell(t, range.firstRow);
    const TCell last = pattern.GetCell(t, range.lastRow);
    const int n = range.RowCount() - 1;
    TCellChanges changes;
    for (int i = 1; i < n; ++i) {
        const int r = range.firstRow + i;
        const TCell before = pattern.GetCell(t, r);
        TCell after = before;
        if (column == TInterpolateColumn::Volume) {
            after.volume = uint8_t(Lerp(first.volume, last.volume, i, n));
        } else {
            after.command = first.command;
            after.param = uint8_t(Lerp(first.param, last.param, i, n));
        }
        AddCellChange(changes, t, r, before, after);
    }
    return changes;
}

std::optional<TInterpolateColumn>
InterpolateColumnFor(const TPattern& pattern, const TCellRange& range, TCellColumn cursorColumn) {
    const TInterpolateColumn preferred = cursorColumn == kColumnEffect
                                             ? TInterpolateColumn::EffectParam
                                             : TInterpolateColumn::Volume;
    const TInterpolateColumn other = preferred == TInterpolateColumn::Volume
                                         ? TInterpolateColumn::EffectParam
                                         : TInterpolateColumn::Volume;
    if (CanInterpolate(pattern, range, preferred)) return preferred;
    if (CanInterpolate(pattern, range, other)) return other;
    return std::nullopt;
}

TCellChanges InsertRowChanges(const TPattern& pattern, int track, int row) {
    TCellChanges changes;
    const int rows = pattern.RowCount();
    if (track < 0 || track >= pattern.TrackCount() || row < 0 || row >= rows) return changes;
    for (int r = rows - 1; r >= row; --r) {
        const TCell before = pattern.GetCell(track, r);
        TCell after = r > row ? pattern.GetCell(track, r - 1) : TCell{};
        after.lib = before.lib;
        AddCellChange(changes, track, r, before, after);
    }
    return changes;
}

TCellChanges DeleteRowChanges(const TPattern& pattern, int track, int row) {
    TCellChanges changes;
    const int rows = pattern.RowCount();
    if (track < 0 || track >= pattern.TrackCount() || row < 0 || row >= rows) return changes;
    for (int r = row; r < rows; ++r) {
        const TCell before = pattern.GetCell(track, r);
        TCell after = r + 1 < rows ? pattern.GetCell(track, r + 1) : TCell{};
        after.lib = before.lib;
        AddCellChange(changes, track, r, before, after);
    }
    return changes;
}

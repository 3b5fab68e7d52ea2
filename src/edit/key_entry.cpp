#include "edit/key_entry.h"

#include "edit/cell_block.h"
#include "edit/range_ops.h"
#include "engine/effect_catalogue.h"
#include "model/notes.h"
#include "model/pattern.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <optional>

namespace {

constexpr int kMaxStep = 255;

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool IsLetterOrDigit(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0;
}

// Digit place a position edits: the high digit of a field is place 1.
int PlaceOfPos(int pos) {
    return (pos == kPosInstrumentHigh || pos == kPosVolumeHigh || pos == kPosCommandHigh ||
            pos == kPosParamHigh)
               ? 1
               : 0;
}

std::optional<TCell> NoteColumnKey(TCell cell, const TEditKey& key, const TEntryState& state) {
    switch (key.kind) {
    case TEditKeyKind::Character: {
        if (key.mods.ctrl || key.mods.alt || !IsLetterOrDigit(key.c)) return std::nullopt;
        const uint8_t note = EntryNoteForKey(key.c, state.baseOctave);
        if (note == kNoteNone) return std::nullopt;
        cell.note = note;
        cell.instrument = uint8_t(state.instrument >= 0 ? state.instrument : 0);
        return cell;
    }
    case TEditKeyKind::Space:
        if (!key.mods.ctrl || key.mods.shift || key.mods.alt) return std::nullopt;
        cell.note = kNoteKeyOff;
        cell.instrument = kInstrumentNone;
        return cell;
    case TEditKeyKind::Delete:
        if (key.mods.ctrl || key.mods.alt) return std::nullopt;
        if (key.mods.shift) {
            const uint8_t lib = cell.lib;
            cell = TCell{};
            cell.lib = lib;
            return cell;
        }
        cell.note = kNoteNone;
        cell.instrument = kInstrumentNone;
        return cell;
    default:
        return std::nullopt;
    }
}

// The instrument, volume and effect columns take hex digits.
std::optional<TCell> DigitColumnKey(TCell cell, int pos, const TEditKey& key, bool& refused) {
    const TCellColumn column = ColumnOfPos(pos);
    if (key.mods.ctrl || key.mods.alt) return std::nullopt;
    if (key.kind == TEditKeyKind::Delete) {
        if (column == kColumnInstrument)
            cell.instrument = kInstrumentNone;
        else if (column == kColumnVolume)
            cell.volume = kVolumeNone;
        else
            return std::nullopt; // Delete leaves the effect alone
        return cell;
    }
    const int digit = key.kind == TEditKeyKind::Character ? HexDigit(key.c) : -1;
    if (digit < 0) return std::nullopt;
    const int place = PlaceOfPos(pos);
    switch (column) {
    case kColumnInstrument: {
        const int value = cell.instrument == kInstrumentNone ? 0 : cell.instrument;
        cell.instrument = ReplaceDigit(value, place, digit, 16);
        return cell;
    }
    case kColumnVolume: {
        const int value = cell.volume == kVolumeNone ? 0 : cell.volume;
        cell.volume = ReplaceDigit(value, place, digit, 16);
        return cell;
    }
    default:
        break;
    }
    if (pos == kPosParamHigh || pos == kPosParamLow) {
        cell.param = ReplaceDigit(cell.param, place, digit, 16);
        return cell;
    }
    const uint8_t command = ReplaceDigit(cell.command, place, digit, 16);
    if (command >= kEffectCount) {
        refused = true;
        return std::nullopt;
    }
    cell.command = command;
    return cell;
}

} // namespace

uint8_t EntryNoteForKey(char c, int baseOctave) {
    const uint8_t note = KeyToNote(c, baseOctave);
    if (note == kNoteNone || !IsValidNote(note) || NoteIndex(note) >= kNoteCount) return kNoteNone;
    return note;
}

uint8_t ReplaceDigit(int value, int place, int digit, int base) {
    int low = 1; // base^place
    for (int i = 0; i < place; ++i) low *= base;
    const int high = low * base; // base^(place+1)
    return uint8_t((value / high) * high + digit * low + value % low);
}

TEntryResult EditKey(const TPattern& pattern, const TGridCursor& cursor, const TEditKey& key,
                     const TEntryState& state) {
    TEntryResult result;
    result.cursor = cursor;
    result.step = state.step;
    const int rows = pattern.RowCount();
    const int track = cursor.CursorTrack();
    const int row = cursor.CursorRow();
    // A cursor left outside by a shrink or a channel change does nothing until clamped.
    if (track >= pattern.TrackCount() || row >= rows) return result;

    if (key.kind == TEditKeyKind::Backspace || key.kind == TEditKeyKind::Insert) {
        if (!state.editMode) return result;
        if (key.kind == TEditKeyKind::Backspace) {
            if (row == 0) return result;
            result.changes = DeleteRowChanges(pattern, track, row - 1);
            result.cursor.SetCursorRow(row - 1, rows);
        } else {
            result.changes = InsertRowChanges(pattern, track, row);
        }
        result.acted = result.wholeTrack = true;
        return result;
    }
    if (key.kind == TEditKeyKind::Character && key.c == '`') {
        result.step = std::clamp(state.step + (key.mods.shift ? -1 : 1), 0, kMaxStep);
        result.acted = true;
        return result;
    }
    const bool noteColumn = cursor.Column() == kColumnNote;
    if (noteColumn && key.kind == TEditKeyKind::Character && !key.mods.ctrl && !key.mods.alt &&
        IsLetterOrDigit(key.c))
        result.previewNote = EntryNoteForKey(key.c, state.baseOctave);
    if (!state.editMode) return result;

    const TCell before = pattern.GetCell(track, row);
    const std::optional<TCell> after =
        noteColumn ? NoteColumnKey(before, key, state)
                   : DigitColumnKey(before, cursor.CursorPos(), key, result.refused);
    if (!after) return result;
    AddCellChange(result.changes, track, row, before, *after);
    result.acted = true;
    result.cursor.AdvanceCursor(state.step, rows);
    return result;
}

TEntryResult EnterPlayedNote(const TPattern& pattern, const TGridCursor& cursor, uint8_t note,
                             int volume, const TEntryState& state) {
    TEntryResult result;
    result.cursor = cursor;
    result.step = state.step;
    const int track = cursor.CursorTrack(), row = cursor.CursorRow();
    if (!IsValidNote(note) || NoteIndex(note) >= kNoteCount) return result;
    result.previewNote = note;
    if (!state.editMode || track >= pattern.TrackCount() || row >= pattern.RowCount())
        return result;
    const TCell before = pattern.GetCell(track, row);
    TCell after = before;
    after.note = note;
    after.instrument = uint8_t(state.instrument >= 0 ? state.instrument : 0);
    if (volume >= 0) after.volume = uint8_t(std::clamp(volume, 0, 64));
    AddCellChange(result.changes, track, row, before, after);
    result.acted = true;
    result.cursor.AdvanceCursor(state.step, pattern.RowCount());
    return result;
}

int VolumeForVelocity(int velocity) {
    return int(std::lround(std::clamp(velocity, 0, 127) * 64.0 / 127.0));
}

TCellChanges KeyOffChanges(const TPattern& pattern, int track, int row) {
    TCellChanges changes;
    if (track >= pattern.TrackCount() || row >= pattern.RowCount()) return changes;
    const TCell before = pattern.GetCell(track, row);
    if (before.note != kNoteNone) return changes;
    TCell after = before;
    after.note = kNoteKeyOff;
    after.instrument = kInstrumentNone;
    AddCellChange(changes, track, row, before, after);
    return changes;
}

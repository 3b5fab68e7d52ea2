#include "edit/piano_roll_model.h"

#include "model/errors.h"
#include "model/notes.h"

#include <algorithm>

void TRollGeometry::Clamp(int rows, int width, int height) {
    horzScroll = std::clamp(horzScroll, 0, std::max(0, HorzMax(rows, width)));
    vertScroll = std::clamp(vertScroll, 0, std::max(0, VertMax(height)));
}

TRollPoint TRollGeometry::PointAt(int x, int y, int rows) const {
    if (y < 0 || x < noteColumnWidth) return {};
    const int lane = y / rowHeight + vertScroll;
    if (lane >= kRollLanes) return {};
    const int row = (x - noteColumnWidth) / colWidth + horzScroll;
    if (row < 0 || row >= rows) return {};
    return {lane, row};
}

TRollRect TRollGeometry::Box(int row, int lane) const {
    return {X(row), Y(lane), X(row) + colWidth, Y(lane) + rowHeight};
}

void TRollModel::SetPattern(const TPattern* pattern) {
    if (pattern == cells_.Pattern()) return;
    if (selection_.Dragging()) selection_.CancelDrag();
    selection_.Clear();
    cells_.SetPattern(pattern);
}

bool TRollModel::IsTrackVisible(int track) const {
    CW_ASSERT_MSG(track >= 0 && track < 32, "PianoRoll");
    return trackVisible_[size_t(track)];
}

void TRollModel::SetTrackVisible(int track, bool on) {
    CW_ASSERT_MSG(track >= 0 && track < 32, "PianoRoll");
    trackVisible_[size_t(track)] = on;
    if (!on) selection_.RemoveTrack(track);
}

bool TRollModel::IsInstrumentVisible(int instrument) const {
    CW_ASSERT_MSG(instrument >= 0 && instrument < 256, "PianoRoll");
    return instVisible_[size_t(instrument)];
}

void TRollModel::SetInstrumentVisible(int instrument, bool on) {
    CW_ASSERT_MSG(instrument >= 0 && instrument < 256, "PianoRoll");
    instVisible_[size_t(instrument)] = on;
    if (!on) selection_.RemoveInstrument(instrument);
}

bool TRollModel::IsCellShown(int track, const TCell& cell) const {
    return cell.note != kNoteNone && track < 32 && IsTrackVisible(track) &&
           IsInstrumentVisible(cell.instrument);
}

std::optional<int> TRollModel::Lane(int track, int row) const {
    CW_ASSERT_MSG(Pattern() && row >= 0 && row < cells_.Rows() && track >= 0 &&
                      track < cells_.Tracks(),
                  "PianoRoll");
    const TCell cell = cells_.Get(track, row);
    if (cell.note == kNoteNone) return {};
    if (cell.note != kNoteKeyOff) {
        if (!IsValidNote(cell.note)) return {};
        return NoteIndex(cell.note);
    }
    return PitchBefore(track, row);
}

std::optional<int> TRollModel::PitchBefore(int track, int row) const {
    for (int r = std::min(row, cells_.Rows()) - 1; r >= 0; --r) {
        const TCell earlier = cells_.Get(track, r);
        if (IsValidNote(earlier.note) && IsInstrumentVisible(earlier.instrument))
            return NoteIndex(earlier.note);
    }
    return {};
}

std::optional<TRollHit> TRollModel::HitTest(TRollPoint place) const {
    if (!Pattern() || !place.IsPlace() || place.row >= cells_.Rows()) return {};
    for (int t = 0; t < std::min(cells_.Tracks(), 32); ++t) {
        const TCell cell = cells_.Get(t, place.row);
        if (!IsCellShown(t, cell)) continue;
        if (Lane(t, place.row) == place.note) return TRollHit{t, place.row, cell};
    }
    return {};
}

int TRollModel::FindFreeTrack(int row, int start, bool backwards) const {
    CW_ASSERT_MSG(Pattern() && row >= 0 && row < cells_.Rows(), "PianoRoll");
    const int tracks = std::min(cells_.Tracks(), 32);
    if (tracks == 0) return -1;
    if (start >= tracks) start = 0;
    if (start < 0) start = tracks - 1;
    for (int i = 0, t = start; i < tracks; ++i, t = (t + (backwards ? tracks - 1 : 1)) % tracks)
        if (IsTrackVisible(t) && cells_.IsEmpty(t, row)) return t;
    return -1;
}

bool TRollModel::PlaceNote(TRollPoint place) {
    if (currentInstrument < 0 || !place.IsPlace() || place.note >= kNoteCount) return false;
    SetInstrumentVisible(currentInstrument, true);
    const int track = FindFreeTrack(place.row, preferredTrack, false);
    if (track < 0) return false;
    TCell cell;
    cell.note = NoteFromIndex(place.note);
    cell.instrument = uint8_t(currentInstrument);
    cell.volume = defaultVolume;
    cell.command = defaultCommand;
    cell.param = defaultParam;
    cells_.Set(track, place.row, cell);
    return true;
}

void TRollModel::SelectAll() {
    selection_.Clear();
    for (int t = std::min(cells_.Tracks(), 32) - 1; t >= 0; --t)
        for (int r = 0; r < cells_.Rows(); ++r) {
            const TCell cell = cells_.Get(t, r);
            if (IsCellShown(t, cell)) selection_.Toggle(t, r, cell);
        }
}

void TRollModel::SelectBox(TRollPoint a, TRollPoint b, bool keep) {
    if (!keep) selection_.Clear();
    const auto [lowRow, highRow] = std::minmax(a.row, b.row);
    const auto [lowNote, highNote] = std::minmax(a.note, b.note);
    for (int t = 0; t < std::min(cells_.Tracks(), 32); ++t)
        for (int r = std::max(lowRow, 0); r <= std::min(highRow, cells_.Rows() - 1); ++r) {
            const TCell cell = cells_.Get(t, r);
            if (!IsCellShown(t, cell) || !IsValidNote(cell.note)) continue;
            const int lane = NoteIndex(cell.note);
            if (lane >= lowNote && lane <= highNote) selection_.Toggle(t, r, cell);
        }
}

bool TRollModel::DeleteSelected() {
    if (selection_.Count() == 0) return false;
    for (const TSelNote& n : selection_.Notes()) cells_.Clear(n.homeTrack, n.homeRow);
    selection_.Clear();
    return true;
}

bool TRollModel::MoveSelectedTrack(bool down) {
    for (const TSelNote& n : selection_.Notes()) cells_.Clear(n.homeTrack, n.homeRow);
    bool any = false;
    for (TSelNote& n : selection_.Notes()) {
        const int t = down ? FindFreeTrack(n.homeRow, n.homeTrack - 1, true)
                           : FindFreeTrack(n.homeRow, n.homeTrack + 1, false);
        if (t >= 0 && t != n.homeTrack) {
            n.homeTrack = n.movedTrack = t;
            any = true;
        }
        cells_.Set(n.homeTrack, n.homeRow, n.homeCell);
    }
    return any;
}

namespace {

uint8_t& Field(TCell& cell, int field) {
    switch (field) {
    case 1:
        return cell.note;
    case 2:
        return cell.volume;
    case 3:
        return cell.instrument;
    case 4:
        return cell.command;
    case 5:
        return cell.param;
    default:
        CW_ASSERT_MSG(false, "PianoRoll: value field");
        return cell.param;
    }
}

} // namespace

int TRollModel::GetSelectedValue(int field) const {
    if (selection_.Count() == 0) {
        switch (field) {
        case 1:
            return kNoteNone;
        case 2:
            return defaultVolume;
        case 3:
            return currentInstrument;
        case 4:
            return defaultCommand;
        case 5:
            return defaultParam;
        default:
            CW_ASSERT_MSG(false, "PianoRoll: value field");
            return 0;
        }
    }
    TCell cell = selection_.Notes().back().homeCell;
    return Field(cell, field);
}

bool TRollModel::SetSelectedValue(int field, int value) {
    if (!Pattern() || selection_.Count() == 0) return false;
    for (TSelNote& n : selection_.Notes()) {
        Field(n.homeCell, field) = uint8_t(value);
        n.movedCell = n.homeCell;
        cells_.Set(n.homeTrack, n.homeRow, n.homeCell);
    }
    if (field == 3) SetInstrumentVisible(value, true);
    return true;
}

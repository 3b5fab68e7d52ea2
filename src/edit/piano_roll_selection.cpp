#include "edit/piano_roll_selection.h"

#include "edit/piano_roll_model.h"
#include "model/errors.h"
#include "model/notes.h"

#include <algorithm>

bool TSelNotes::Toggle(int track, int row, const TCell& cell) {
    const auto it =
        std::ranges::find_if(notes_, [&](const TSelNote& n) { return n.Is(track, row, cell); });
    if (it != notes_.end()) {
        notes_.erase(it);
        return false;
    }
    TSelNote note;
    note.homeTrack = note.movedTrack = track;
    note.homeRow = note.movedRow = row;
    note.homeCell = note.movedCell = cell;
    notes_.push_back(note);
    return true;
}

bool TSelNotes::Contains(int track, int row, const TCell& cell) const {
    return std::ranges::any_of(notes_, [&](const TSelNote& n) { return n.Is(track, row, cell); });
}

void TSelNotes::Clear() {
    notes_.clear();
}

void TSelNotes::RemoveTrack(int track) {
    std::erase_if(notes_, [&](const TSelNote& n) { return n.movedTrack == track; });
}

void TSelNotes::RemoveInstrument(int instrument) {
    std::erase_if(notes_, [&](const TSelNote& n) { return n.movedCell.instrument == instrument; });
}

void TSelNotes::BeginDrag(TRollPoint anchor, bool copy) {
    CW_ASSERT_MSG(!dragging_, "PianoRoll");
    anchor_ = anchor;
    copy_ = copy;
    dragging_ = true;
    targets_.clear();
    for (TSelNote& n : notes_) {
        n.pitchChanged = n.moved = n.reserved = false;
        n.copy = copy;
        n.movedTrack = n.homeTrack;
        n.movedRow = n.homeRow;
        n.movedCell = n.homeCell;
        targets_.push_back(n.homeTrack);
        if (!copy) roll_.Cells().Clear(n.homeTrack, n.homeRow);
    }
}

int TSelNotes::NewLane(const TSelNote& note, int noteDelta) {
    // A key off has no pitch of its own and keeps its note byte.
    if (!IsValidNote(note.homeCell.note)) return 0;
    return NoteIndex(note.homeCell.note) + noteDelta;
}

void TSelNotes::Reserve(TSelNote& note, int track, int row) {
    TCell cell = roll_.Cells().Get(track, row);
    cell.param = 1;
    roll_.Cells().Set(track, row, cell);
    note.reserved = true;
    note.movedTrack = track; // where the reservation sits, so Release finds it
    note.movedRow = row;
}

void TSelNotes::Release(TSelNote& note) {
    if (!note.reserved) return;
    TCell cell = roll_.Cells().Get(note.movedTrack, note.movedRow);
    cell.param = 0;
    roll_.Cells().Set(note.movedTrack, note.movedRow, cell);
    note.reserved = false;
}

int TSelNotes::Target(TSelNote& note, int noteDelta, int rowDelta) {
    const int lane = NewLane(note, noteDelta);
    const int row = note.homeRow + rowDelta;
    if (lane < 0 || lane >= kNoteCount || row < 0 || row >= roll_.Cells().Rows()) return -1;
    int track = note.homeTrack;
    // Every note holds its target, so a displaced note never picks a cell another note took.
    if (!roll_.Cells().IsEmpty(track, row)) track = roll_.FindFreeTrack(row, track, false);
    if (track < 0) return -1;
    Reserve(note, track, row);
    return track;
}

bool TSelNotes::CanMoveTo(TRollPoint place) {
    CW_ASSERT_MSG(dragging_, "PianoRoll");
    struct Kept {
        int track, row;
        bool reserved;
    };
    std::vector<Kept> kept;
    for (TSelNote& n : notes_) {
        kept.push_back({n.movedTrack, n.movedRow, n.reserved});
        Release(n);
    }
    const int noteDelta = place.note - anchor_.note;
    const int rowDelta = place.row - anchor_.row;
    std::vector<int> targets;
    if (copy_ && noteDelta == 0 && rowDelta == 0) {
        // Back where a copy started: the originals are the copies, nothing is held.
        targets_.clear();
        for (TSelNote& n : notes_) targets_.push_back(n.homeTrack);
        return true;
    }
    for (TSelNote& n : notes_) {
        const int track = Target(n, noteDelta, rowDelta);
        if (track >= 0) {
            targets.push_back(track);
            continue;
        }
        // Refused: undo this check's reservations and take back those of the last step.
        for (size_t i = 0; i < targets.size(); ++i) Release(notes_[i]);
        for (size_t i = 0; i < notes_.size(); ++i) {
            notes_[i].movedTrack = kept[i].track;
            notes_[i].movedRow = kept[i].row;
            if (kept[i].reserved) Reserve(notes_[i], kept[i].track, kept[i].row);
        }
        return false;
    }
    // The moved row is set by MoveTo; until then the reservation stays where Target put it.
    targets_ = std::move(targets);
    return true;
}

void TSelNotes::MoveTo(TRollPoint place) {
    CW_ASSERT_MSG(dragging_, "PianoRoll");
    const int noteDelta = place.note - anchor_.note;
    const int rowDelta = place.row - anchor_.row;
    for (size_t i = 0; i < notes_.size(); ++i) {
        TSelNote& n = notes_[i];
        const uint8_t before = n.movedCell.note;
        n.movedTrack = targets_[i];
        n.movedRow = n.homeRow + rowDelta;
        if (IsValidNote(n.homeCell.note)) n.movedCell.note = NoteFromIndex(NewLane(n, noteDelta));
        n.pitchChanged = n.movedCell.note != before;
        if (n.movedRow != n.homeRow || n.movedCell.note != n.homeCell.note) n.moved = true;
    }
}

void TSelNotes::EndDrag() {
    CW_ASSERT_MSG(dragging_, "PianoRoll");
    for (TSelNote& n : notes_) {
        // The final write replaces the reservation.
        roll_.Cells().Set(n.movedTrack, n.movedRow, n.movedCell);
        n.reserved = false;
        n.homeTrack = n.movedTrack;
        n.homeRow = n.movedRow;
        n.homeCell = n.movedCell;
    }
    dragging_ = false;
}

void TSelNotes::CancelDrag() {
    CW_ASSERT_MSG(dragging_, "PianoRoll");
    for (TSelNote& n : notes_) Release(n);
    for (TSelNote& n : notes_) {
        n.movedTrack = n.homeTrack;
        n.movedRow = n.homeRow;
        n.movedCell = n.homeCell;
        n.moved = n.pitchChanged = false;
        roll_.Cells().Set(n.homeTrack, n.homeRow, n.homeCell);
    }
    dragging_ = false;
}

bool TSelNotes::AnyMoved() const {
    return std::ranges::any_of(notes_, [](const TSelNote& n) { return n.moved; });
}

// The selected notes of the piano roll and their drag. A moving drag lifts the notes out of the
// cells; each step looks for a target cell per note, on its own track or else on the next free
// track, and holds that cell by a reserved parameter until the drag ends or the step is refused.
#pragma once

#include "model/pattern.h"

#include <vector>

class TRollModel;

// A place in the roll: a lane (linear note, 0..96) and a pattern row; row -1 is no place.
struct TRollPoint {
    int note = 0;
    int row = -1;
    bool IsPlace() const { return row >= 0; }
    bool operator==(const TRollPoint&) const = default;
};

struct TSelNote {
    int homeTrack = 0;
    int homeRow = 0;
    TCell homeCell;
    int movedTrack = 0;
    int movedRow = 0;
    TCell movedCell;
    bool pitchChanged = false;
    bool moved = false;
    bool copy = false;
    bool reserved = false;

    bool Is(int track, int row, const TCell& cell) const {
        return homeTrack == track && homeRow == row && homeCell == cell;
    }
};

class TSelNotes {
public:
    explicit TSelNotes(TRollModel& roll) : roll_(roll) {}

    bool Toggle(int track, int row, const TCell& cell);
    bool Contains(int track, int row, const TCell& cell) const;
    void Clear();
    void RemoveTrack(int track);
    void RemoveInstrument(int instrument);
    int Count() const { return int(notes_.size()); }
    const std::vector<TSelNote>& Notes() const { return notes_; }
    std::vector<TSelNote>& Notes() { return notes_; }

    void BeginDrag(TRollPoint anchor, bool copy);
    bool CanMoveTo(TRollPoint place);
    void MoveTo(TRollPoint place);
    void EndDrag();
    void CancelDrag();
    bool AnyMoved() const;
    bool Dragging() const { return dragging_; }
    bool Copying() const { return copy_; }

private:
    // Where one note would go for the deltas, reserving the cell; -1 when it cannot.
    int Target(TSelNote& note, int noteDelta, int rowDelta);
    void Reserve(TSelNote& note, int track, int row);
    void Release(TSelNote& note);
    static int NewLane(const TSelNote& note, int noteDelta);

    TRollModel& roll_;
    std::vector<TSelNote> notes_;
    TRollPoint anchor_;
    bool copy_ = false;
    bool dragging_ = false;
    // The targets of the last accepted step, per note.
    std::vector<int> targets_;
};

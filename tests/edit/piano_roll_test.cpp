#include "edit/piano_roll_model.h"
#include "grid_pattern.h"
#include "model/notes.h"

#include <gtest/gtest.h>

namespace {

constexpr uint8_t kC4 = 0x40;

struct Roll {
    Roll(int tracks, int rows) : pattern(tracks, rows) { model.SetPattern(&pattern.Get()); }
    void Put(int track, int row, uint8_t note, uint8_t inst = 0) {
        pattern->SetCell(track, row, TGridPattern::Note(note, inst));
    }
    void Select(int track, int row) {
        model.Selection().Toggle(track, row, pattern->GetCell(track, row));
    }
    // What the edit layer would do with the roll's pending writes.
    TCellChanges Commit() {
        TCellChanges changes = model.Cells().Take();
        pattern.Apply(changes);
        return changes;
    }
    bool Drag(TRollPoint to) {
        if (!model.Selection().CanMoveTo(to)) return false;
        model.Selection().MoveTo(to);
        return true;
    }
    int ReservedCells() const {
        int n = 0;
        for (int t = 0; t < pattern.Get().TrackCount(); ++t)
            for (int r = 0; r < pattern.Get().RowCount(); ++r) {
                const TCell c = model.Cells().Get(t, r);
                if (c.note == kNoteNone && c.param == 1) ++n;
            }
        return n;
    }
    TGridPattern pattern;
    TRollModel model;
};

TEST(PianoRollGeometry, VisibleRowsAndScrollRanges) {
    TRollGeometry g;
    g.colWidth = 16;
    EXPECT_EQ(g.VisibleRows(600), 36);
    EXPECT_EQ(g.HorzMax(64, 600), 28);
    g.horzScroll = 40;
    g.Clamp(64, 600, 200);
    EXPECT_EQ(g.horzScroll, 28);
    // Tall enough for every lane: the vertical bar is off and lane 0 is at the top.
    g.rowHeight = 10;
    EXPECT_LT(g.VertMax(970), 1);
    g.Clamp(64, 600, 970);
    EXPECT_EQ(g.vertScroll, 0);
    g.horzScroll = 0;
    EXPECT_EQ(g.PointAt(g.X(3) + 1, g.Y(12) + 1, 64), (TRollPoint{12, 3}));
    EXPECT_FALSE(g.PointAt(g.X(64), g.Y(12), 64).IsPlace());
    EXPECT_FALSE(g.PointAt(5, g.Y(12), 64).IsPlace());
}

TEST(PianoRoll, KeyOffTakesThePitchOfTheLastShownNote) {
    Roll roll(4, 16);
    roll.Put(0, 1, 0x30, 1);
    roll.Put(0, 2, kC4, 0);
    roll.Put(0, 4, kNoteKeyOff, 0);
    roll.Put(1, 4, kNoteKeyOff, 0);
    EXPECT_EQ(roll.model.Lane(0, 4), 48);
    EXPECT_EQ(roll.model.Lane(1, 4), std::nullopt);
    roll.model.SetInstrumentVisible(0, false);
    EXPECT_EQ(roll.model.Lane(0, 4), 36);
    EXPECT_FALSE(roll.model.HitTest({48, 2}).has_value());
}

TEST(PianoRoll, HitTestAnswersTheLowestShownTrack) {
    Roll roll(4, 16);
    roll.Put(1, 3, kC4);
    roll.Put(2, 3, kC4);
    EXPECT_EQ(roll.model.HitTest({48, 3})->track, 1);
    roll.model.SetTrackVisible(1, false);
    EXPECT_EQ(roll.model.HitTest({48, 3})->track, 2);
    EXPECT_FALSE(roll.model.HitTest({49, 3}).has_value());
}

TEST(PianoRoll, PlacingStartsAtThePreferredTrack) {
    Roll roll(6, 16);
    roll.Put(3, 2, kC4);
    roll.Put(4, 2, kC4);
    EXPECT_FALSE(roll.model.PlaceNote({50, 2})); // no instrument chosen
    roll.model.currentInstrument = 2;
    roll.model.preferredTrack = 3;
    EXPECT_TRUE(roll.model.PlaceNote({50, 2}));
    const TCellChanges changes = roll.Commit();
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].track, 5);
    EXPECT_EQ(changes[0].after.note, NoteFromIndex(50));
    EXPECT_EQ(changes[0].after.instrument, 2);
    // Every track taken, wrapping round: nothing is written.
    for (int t : {0, 1, 2}) roll.Put(t, 2, kC4);
    EXPECT_FALSE(roll.model.PlaceNote({50, 2}));
    EXPECT_FALSE(roll.model.Cells().Pending());
    EXPECT_EQ(roll.model.FindFreeTrack(2, 0, false), -1);
    EXPECT_FALSE(roll.model.PlaceNote({96, 3})); // the file cannot hold the last lane
}

TEST(PianoRoll, FindFreeTrackWrapsAndSkipsHiddenTracks) {
    Roll roll(4, 8);
    roll.Put(3, 0, kC4);
    EXPECT_EQ(roll.model.FindFreeTrack(0, 3, false), 0);
    EXPECT_EQ(roll.model.FindFreeTrack(0, 9, false), 0);
    EXPECT_EQ(roll.model.FindFreeTrack(0, -1, true), 2);
    roll.model.SetTrackVisible(2, false);
    EXPECT_EQ(roll.model.FindFreeTrack(0, 3, true), 1);
}

TEST(PianoRollDrag, ADisplacedNoteGoesToTheNextFreeTrack) {
    Roll roll(4, 16);
    roll.Put(0, 5, kC4);
    roll.Put(0, 6, kC4 + 2);
    roll.Put(0, 7, kC4 + 4);
    roll.Select(0, 5);
    roll.Select(0, 6);
    TSelNotes& sel = roll.model.Selection();
    sel.BeginDrag({48, 5}, false);
    ASSERT_TRUE(roll.Drag({48, 6}));
    EXPECT_EQ(roll.ReservedCells(), 2); // each target is held until the drag ends
    sel.EndDrag();
    EXPECT_TRUE(sel.AnyMoved());
    EXPECT_EQ(roll.ReservedCells(), 0);
    roll.Commit();
    EXPECT_EQ(roll.pattern->GetCell(0, 6), TGridPattern::Note(kC4, 0));
    EXPECT_EQ(roll.pattern->GetCell(1, 7), TGridPattern::Note(kC4 + 2, 0));
    EXPECT_EQ(roll.pattern->GetCell(0, 7), TGridPattern::Note(kC4 + 4, 0));
    EXPECT_TRUE(roll.pattern->IsCellEmpty(0, 5));
    EXPECT_TRUE(sel.Contains(1, 7, TGridPattern::Note(kC4 + 2, 0)));
}

TEST(PianoRollDrag, TheWholeSelectionStopsAtTheEdges) {
    Roll roll(2, 16);
    roll.Put(0, 1, 0x50); // E-5
    roll.Put(1, 3, 0x7A); // A#7 = 94
    roll.Select(0, 1);
    roll.Select(1, 3);
    TSelNotes& sel = roll.model.Selection();
    sel.BeginDrag({60, 3}, false);
    ASSERT_TRUE(roll.Drag({61, 2}));
    EXPECT_FALSE(roll.Drag({61, 1})); // the first note would pass row 0
    EXPECT_FALSE(roll.Drag({62, 2})); // the second would reach note 96
    EXPECT_EQ(roll.ReservedCells(), 2);
    sel.EndDrag();
    roll.Commit();
    EXPECT_EQ(roll.pattern->Note(0, 0), NoteFromIndex(61));
    EXPECT_EQ(roll.pattern->Note(1, 2), NoteFromIndex(95));
    EXPECT_EQ(roll.ReservedCells(), 0);
}

TEST(PianoRollDrag, CopyingDuplicatesAndReleasingInPlaceChangesNothing) {
    Roll roll(4, 16);
    roll.Put(0, 2, kC4);
    roll.Put(2, 4, kC4 + 1);
    roll.Select(0, 2);
    roll.Select(2, 4);
    TSelNotes& sel = roll.model.Selection();
    sel.BeginDrag({48, 2}, true);
    ASSERT_TRUE(roll.Drag({48, 3}));
    ASSERT_TRUE(roll.Drag({48, 2}));
    sel.EndDrag();
    EXPECT_TRUE(roll.Commit().empty());
    sel.BeginDrag({48, 2}, true);
    ASSERT_TRUE(roll.Drag({50, 3}));
    sel.EndDrag();
    roll.Commit();
    EXPECT_EQ(roll.pattern->Note(0, 2), kC4);
    EXPECT_EQ(roll.pattern->Note(2, 4), kC4 + 1);
    EXPECT_EQ(roll.pattern->Note(0, 3), kC4 + 2);
    EXPECT_EQ(roll.pattern->Note(2, 5), kC4 + 3);
    // A copy at the same row but another pitch cannot share the original's cell.
    sel.BeginDrag({48, 3}, true);
    ASSERT_TRUE(roll.Drag({49, 3}));
    sel.EndDrag();
    roll.Commit();
    EXPECT_EQ(roll.pattern->Note(0, 3), kC4 + 2);
    EXPECT_EQ(roll.pattern->Note(1, 3), kC4 + 3);
}

TEST(PianoRollDrag, EscapeRestoresEveryCellAndLeavesNoReservation) {
    Roll roll(3, 16);
    roll.Put(0, 0, kC4);
    roll.Put(0, 1, kC4);
    roll.Put(1, 1, kC4);
    roll.Put(0, 2, kC4);
    roll.Select(0, 0);
    roll.Select(1, 1);
    TSelNotes& sel = roll.model.Selection();
    sel.BeginDrag({48, 0}, false);
    ASSERT_TRUE(roll.Drag({47, 1}));
    ASSERT_TRUE(roll.Drag({46, 2}));
    EXPECT_GT(roll.ReservedCells(), 0);
    sel.CancelDrag();
    EXPECT_FALSE(sel.AnyMoved());
    EXPECT_EQ(roll.ReservedCells(), 0);
    EXPECT_TRUE(roll.Commit().empty());
}

TEST(PianoRollDrag, SinglePitchChangesAreReportedOnce) {
    Roll roll(1, 8);
    roll.Put(0, 0, kC4);
    roll.Select(0, 0);
    TSelNotes& sel = roll.model.Selection();
    sel.BeginDrag({48, 0}, false);
    ASSERT_TRUE(roll.Drag({49, 0}));
    EXPECT_TRUE(sel.Notes()[0].pitchChanged);
    ASSERT_TRUE(roll.Drag({49, 1}));
    EXPECT_FALSE(sel.Notes()[0].pitchChanged);
    sel.CancelDrag();
}

TEST(PianoRollSelection, BoxTogglesAndSelectAllTakesKeyOffs) {
    Roll roll(3, 16);
    roll.Put(0, 1, kC4);
    roll.Put(1, 2, kC4 + 3);
    roll.Put(0, 3, kNoteKeyOff);
    roll.Put(2, 9, kC4);
    roll.model.SelectBox({47, 0}, {52, 4}, false);
    EXPECT_EQ(roll.model.Selection().Count(), 2); // the key off is not boxed
    roll.model.SelectBox({40, 2}, {52, 9}, true);
    TSelNotes& sel = roll.model.Selection();
    EXPECT_TRUE(sel.Contains(0, 1, roll.pattern->GetCell(0, 1)));
    EXPECT_FALSE(sel.Contains(1, 2, roll.pattern->GetCell(1, 2)));
    EXPECT_TRUE(sel.Contains(2, 9, roll.pattern->GetCell(2, 9)));
    roll.model.SelectAll();
    EXPECT_EQ(sel.Count(), 4);
    EXPECT_TRUE(sel.Contains(0, 3, roll.pattern->GetCell(0, 3)));
    roll.model.SetTrackVisible(0, false);
    EXPECT_EQ(sel.Count(), 2);
    roll.model.SetInstrumentVisible(0, false);
    EXPECT_EQ(sel.Count(), 0);
}

TEST(PianoRollSelection, DeleteValuesAndNeighbouringTrack) {
    Roll roll(4, 16);
    roll.Put(1, 2, kC4);
    roll.Put(2, 2, kC4);
    roll.Put(1, 5, kC4);
    roll.Select(1, 2);
    roll.Select(1, 5);
    EXPECT_TRUE(roll.model.MoveSelectedTrack(false)); // up: towards higher tracks
    roll.Commit();
    EXPECT_EQ(roll.pattern->Note(3, 2), kC4);
    EXPECT_EQ(roll.pattern->Note(2, 5), kC4);
    EXPECT_TRUE(roll.pattern->IsCellEmpty(1, 2));
    EXPECT_TRUE(roll.model.SetSelectedValue(2, 40));
    EXPECT_EQ(roll.model.GetSelectedValue(2), 40);
    EXPECT_EQ(roll.Commit().size(), 2u);
    EXPECT_EQ(roll.pattern->Volume(3, 2), 40);
    EXPECT_TRUE(roll.model.DeleteSelected());
    EXPECT_EQ(roll.Commit().size(), 2u);
    EXPECT_TRUE(roll.pattern->IsCellEmpty(3, 2));
    EXPECT_EQ(roll.model.GetSelectedValue(2), kVolumeNone);
    EXPECT_FALSE(roll.model.DeleteSelected());
}

} // namespace

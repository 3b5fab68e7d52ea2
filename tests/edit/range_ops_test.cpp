#include "edit/cell_block.h"
#include "edit/range_ops.h"
#include "grid_pattern.h"
#include "model/notes.h"

#include <gtest/gtest.h>

namespace {

struct RangeOps : testing::Test {
    TGridPattern pattern{4, 16};
    TCell At(int track, int row) { return pattern->GetCell(track, row); }
    void Put(int track, int row, uint8_t note, uint8_t instrument) {
        pattern->SetCell(track, row, TGridPattern::Note(note, instrument));
    }
};

TEST_F(RangeOps, TransposeWithTrackScopeChangesOnlyTheCursorTrack) {
    for (int t = 0; t < 4; ++t) Put(t, 3, 0x40, 0);
    TGridSelection none;
    const TCellRange track =
        ScopeRange(TApplyScope::Track, *pattern, TGridCursor(9, 2, kPosNote), none);
    pattern.Apply(TransposeChanges(*pattern, track, 12, TInstrumentFilter::All()));
    for (int t = 0; t < 4; ++t) EXPECT_EQ(At(t, 3).note, t == 2 ? 0x50 : 0x40) << t;
}

TEST_F(RangeOps, TransposeNeverLeavesTheNotesAnXmFileHolds) {
    Put(0, 0, NoteFromIndex(95), 0);
    Put(0, 1, NoteFromIndex(0), 0);
    Put(0, 2, kNoteKeyOff, 0);
    Put(0, 3, 0x4B, 0);             // B-4 crosses into the next octave
    pattern->SetVolume(0, 4, 0x20); // no note at all
    const TCellRange all = WholePattern(*pattern);
    pattern.Apply(TransposeChanges(*pattern, all, 1, TInstrumentFilter::All()));
    EXPECT_EQ(NoteIndex(At(0, 0).note), 95);
    EXPECT_EQ(NoteIndex(At(0, 1).note), 1);
    EXPECT_EQ(At(0, 2).note, kNoteKeyOff);
    EXPECT_EQ(At(0, 3).note, 0x50);
    EXPECT_EQ(At(0, 4).note, kNoteNone);
    pattern.Apply(TransposeChanges(*pattern, all, -2, TInstrumentFilter::All()));
    EXPECT_EQ(NoteIndex(At(0, 1).note), 1); // would go below 0
    EXPECT_EQ(NoteIndex(At(0, 0).note), 93);
}

TEST_F(RangeOps, TransposeHonoursTheInstrumentFilter) {
    Put(1, 0, 0x30, 0);
    Put(1, 1, 0x30, 1);
    Put(1, 2, 0x30, 2);
    const TCellRange all = WholePattern(*pattern);
    EXPECT_TRUE(TransposeChanges(*pattern, all, 1, TInstrumentFilter::Only({})).empty());
    const TCellChanges changes =
        TransposeChanges(*pattern, all, -1, TInstrumentFilter::Only({0, 2}));
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].row, 0);
    EXPECT_EQ(changes[1].row, 2);
    EXPECT_EQ(changes[1].before.note, 0x30);
    EXPECT_EQ(changes[1].after.note, 0x2B);
    EXPECT_EQ(changes[1].after.instrument, 2);
}

TEST_F(RangeOps, RemapOverASelectionComparesOnlyTheInstrument) {
    Put(1, 4, 0x30, 0);
    Put(1, 5, kNoteKeyOff, 0);
    pattern->SetInstrument(1, 6, 0); // no note, an instrument all the same
    Put(1, 7, 0x30, 3);
    Put(1, 9, 0x30, 0); // outside the block
    Put(0, 5, 0x30, 0); // outside the block
    TGridSelection s;
    s.Start({4, GridColumn(1, kColumnNote)});
    s.ExtendTo({8, GridColumn(1, kColumnEffect)});
    const TCellRange block =
        ScopeRange(TApplyScope::Selection, *pattern, TGridCursor(0, 0, kPosNote), s);
    pattern.Apply(RemapChanges(*pattern, block, 0, 1));
    EXPECT_EQ(At(1, 4).instrument, 1);
    EXPECT_EQ(At(1, 5).instrument, 1);
    EXPECT_EQ(At(1, 6).instrument, 1);
    EXPECT_EQ(At(1, 6).note, kNoteNone);
    EXPECT_EQ(At(1, 7).instrument, 3);
    EXPECT_EQ(At(1, 9).instrument, 0);
    EXPECT_EQ(At(0, 5).instrument, 0);
}

TEST_F(RangeOps, InterpolateFillsTheVolumeColumn) {
    pattern->SetVolume(2, 2, 0x00);
    pattern->SetVolume(2, 6, 0x40);
    Put(2, 4, 0x30, 1);
    const TCellRange range{2, 2, 2, 6};
    ASSERT_EQ(InterpolateColumnFor(*pattern, range, kColumnNote), TInterpolateColumn::Volume);
    const auto changes = InterpolateChanges(*pattern, range, TInterpolateColumn::Volume);
    ASSERT_TRUE(changes);
    EXPECT_EQ(changes->size(), 3u);
    pattern.Apply(*changes);
    EXPECT_EQ(At(2, 3).volume, 0x10);
    EXPECT_EQ(At(2, 4).volume, 0x20);
    EXPECT_EQ(At(2, 4).note, 0x30); // the rest of the cell stays
    EXPECT_EQ(At(2, 5).volume, 0x30);
    // Halves go to the even value: 0 to 5 over 4 steps gives 1.25, 2.5, 3.75.
    pattern->SetVolume(2, 6, 5);
    pattern.Apply(*InterpolateChanges(*pattern, range, TInterpolateColumn::Volume));
    EXPECT_EQ(At(2, 3).volume, 1);
    EXPECT_EQ(At(2, 4).volume, 2);
    EXPECT_EQ(At(2, 5).volume, 4);
}

TEST_F(RangeOps, InterpolateFillsTheParameterUnderACommonEffect) {
    TCell first;
    first.command = 11;
    first.param = 0xF0;
    TCell last = first;
    last.param = 0x00;
    pattern->SetCell(0, 0, first);
    pattern->SetCell(0, 3, last);
    const TCellRange range{0, 0, 0, 3};
    ASSERT_EQ(InterpolateColumnFor(*pattern, range, kColumnEffect),
              TInterpolateColumn::EffectParam);
    pattern.Apply(*InterpolateChanges(*pattern, range, TInterpolateColumn::EffectParam));
    EXPECT_EQ(At(0, 1).command, 11);
    EXPECT_EQ(At(0, 1).param, 0xA0);
    EXPECT_EQ(At(0, 2).param, 0x50);
    // Different commands at the ends, or no volumes: nothing to interpolate.
    pattern->SetCommand(0, 3, 12);
    EXPECT_FALSE(InterpolateColumnFor(*pattern, range, kColumnEffect));
    EXPECT_FALSE(InterpolateChanges(*pattern, range, TInterpolateColumn::EffectParam));
}

TEST_F(RangeOps, InterpolateWantsOneTrackAndThreeRows) {
    pattern->SetVolume(0, 0, 0);
    pattern->SetVolume(0, 1, 64);
    pattern->SetVolume(1, 0, 0);
    pattern->SetVolume(1, 4, 64);
    EXPECT_FALSE(CanInterpolate(*pattern, {0, 0, 0, 1}, TInterpolateColumn::Volume));
    EXPECT_FALSE(CanInterpolate(*pattern, {0, 1, 0, 4}, TInterpolateColumn::Volume));
    EXPECT_TRUE(CanInterpolate(*pattern, {1, 1, 0, 4}, TInterpolateColumn::Volume));
    pattern->SetVolume(1, 4, 0x60); // a volume slide, not a volume
    EXPECT_FALSE(CanInterpolate(*pattern, {1, 1, 0, 4}, TInterpolateColumn::Volume));
}

TEST_F(RangeOps, ChangesNameOnlyTheCellsThatChange) {
    Put(3, 15, 0x30, 1);
    const TCellChanges ins = InsertRowChanges(*pattern, 3, 10);
    ASSERT_EQ(ins.size(), 1u); // the last row's note is lost, every other row was empty
    EXPECT_EQ(ins[0].row, 15);
    EXPECT_TRUE(ins[0].after.IsEmpty());
    EXPECT_TRUE(InsertRowChanges(*pattern, 4, 0).empty());
    EXPECT_TRUE(DeleteRowChanges(*pattern, 0, 16).empty());
    const TCellChanges del = DeleteRowChanges(*pattern, 3, 0);
    ASSERT_EQ(del.size(), 2u);
    EXPECT_EQ(del[0].row, 14);
    EXPECT_EQ(del[0].after.note, 0x30);
    EXPECT_TRUE(del[1].after.IsEmpty());
}

} // namespace

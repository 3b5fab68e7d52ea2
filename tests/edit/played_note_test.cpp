// Notes from a MIDI keyboard entered at the cursor: the column they land in, the recorded
// velocity, the step and row rules they share with a key, and the key-off of a released key.
#include "edit/grid_editor.h"
#include "model/notes.h"
#include "model/pattern.h"
#include "model/song.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

namespace {

class PlayedNoteTest : public testing::Test {
protected:
    TSong song{(SharedDir() / "corpus" / "mph.xm").string()};
    TPattern& pattern = *song.Patterns(0);
    TGridEditor editor;
    const uint8_t c5 = NoteFromIndex(60);

    TCell Apply(const TEntryResult& result) {
        EXPECT_EQ(result.changes.size(), 1u);
        pattern.SetCell(result.changes[0].track, result.changes[0].row, result.changes[0].after);
        return result.changes[0].after;
    }
};

TEST_F(PlayedNoteTest, EntersAtTheCursorTrackWithVelocityAndSteps) {
    editor.entry.instrument = 3;
    editor.entry.step = 2;
    editor.cursor = TGridCursor(4, 1, kPosParamLow); // in the effect column
    const TCell cell = Apply(editor.PlayedNote(pattern, c5, VolumeForVelocity(100)));
    EXPECT_EQ(cell.note, c5);
    EXPECT_EQ(cell.instrument, 3);
    EXPECT_EQ(cell.volume, 50); // 100 × 64 / 127 = 50.4
    EXPECT_EQ(editor.cursor.CursorRow(), 6);
    EXPECT_EQ(editor.cursor.CursorTrack(), 1);

    EXPECT_EQ(VolumeForVelocity(127), 64);
    EXPECT_EQ(VolumeForVelocity(1), 1); // 0.504 rounds up
    EXPECT_EQ(VolumeForVelocity(0), 0);

    // Without velocity the volume column keeps what it had.
    const uint8_t before = pattern.GetCell(1, 6).volume;
    EXPECT_EQ(Apply(editor.PlayedNote(pattern, c5, -1)).volume, before);
}

TEST_F(PlayedNoteTest, HoldsTheRowWhileFollowingAndRefusesWhatCannotBeStored) {
    editor.entry.holdRow = true;
    editor.cursor = TGridCursor(10, 0, 0);
    Apply(editor.PlayedNote(pattern, c5, -1));
    EXPECT_EQ(editor.cursor.CursorRow(), 10);

    EXPECT_TRUE(editor.PlayedNote(pattern, NoteFromIndex(96), -1).changes.empty());
    editor.entry.editMode = false;
    const TEntryResult preview = editor.PlayedNote(pattern, c5, -1);
    EXPECT_TRUE(preview.changes.empty());
    EXPECT_EQ(preview.previewNote, c5);
}

TEST_F(PlayedNoteTest, AKeyOffGoesOnlyIntoACellWithoutANote) {
    TCell empty;
    pattern.SetCell(2, 8, empty);
    const TCellChanges off = KeyOffChanges(pattern, 2, 8);
    ASSERT_EQ(off.size(), 1u);
    EXPECT_EQ(off[0].after.note, kNoteKeyOff);
    TCell noted;
    noted.note = c5;
    pattern.SetCell(2, 9, noted);
    EXPECT_TRUE(KeyOffChanges(pattern, 2, 9).empty());
    EXPECT_TRUE(KeyOffChanges(pattern, 2, pattern.RowCount()).empty());
}

} // namespace

#include "edit/key_entry.h"
#include "grid_pattern.h"
#include "model/notes.h"

#include <gtest/gtest.h>

namespace {

TEditKey Char(char c, TModifiers mods = {}) {
    return {TEditKeyKind::Character, c, mods};
}
TEditKey Key(TEditKeyKind kind, TModifiers mods = {}) {
    return {kind, 0, mods};
}
constexpr TModifiers kShift{true, false, false};
constexpr TModifiers kCtrl{false, true, false};

struct KeyEntry : testing::Test {
    TGridPattern pattern{4, 64};
    TEntryState state;
    TGridCursor cursor{10, 2, kPosNote};

    // Types the key as the grid would: the edit layer applies the changes, the cursor follows.
    TEntryResult Type(const TEditKey& key) {
        TEntryResult result = EditKey(*pattern, cursor, key, state);
        pattern.Apply(result.changes);
        cursor = result.cursor;
        state.step = result.step;
        return result;
    }
    TCell At(int track, int row) { return pattern->GetCell(track, row); }
};

TEST_F(KeyEntry, NoteKeysEnterTheNoteAndTheEntryInstrument) {
    state.instrument = 5;
    const TEntryResult z = Type(Char('Z'));
    ASSERT_EQ(z.changes.size(), 1u);
    EXPECT_EQ(z.changes[0].before, TCell{});
    EXPECT_EQ(At(2, 10).note, 0x40);
    EXPECT_EQ(NoteName(At(2, 10).note), "C 4");
    EXPECT_EQ(At(2, 10).instrument, 5);
    EXPECT_EQ(z.previewNote, 0x40);
    EXPECT_EQ(cursor.CursorRow(), 11);
    Type(Char('Q'));
    EXPECT_EQ(At(2, 11).note, 0x50);
    Type(Char('P'));
    EXPECT_EQ(At(2, 12).note, 0x64);
    state.instrument = -1;
    Type(Char('S'));
    EXPECT_EQ(At(2, 13).note, 0x41);
    EXPECT_EQ(At(2, 13).instrument, 0); // no entry instrument: 0
}

TEST_F(KeyEntry, KeysWithoutAValidNoteEnterNothingAndStay) {
    state.baseOctave = 7;
    for (char c : {'I', '9', 'O', '0', 'P', 'Q'}) { // Q would be note 96, which XM cannot hold
        const TEntryResult r = Type(Char(c));
        EXPECT_TRUE(r.changes.empty()) << c;
        EXPECT_FALSE(r.acted) << c;
        EXPECT_EQ(r.previewNote, kNoteNone) << c;
    }
    EXPECT_EQ(EntryNoteForKey('M', 7), 0x7B); // the highest note an XM file holds
    EXPECT_EQ(EntryNoteForKey('U', 7), kNoteNone);
    state.baseOctave = 4;
    for (char c : {'A', 'F', 'K', 'L', '1', '4', '8'}) EXPECT_FALSE(Type(Char(c)).acted) << c;
    EXPECT_FALSE(Type(Char('Z', kCtrl)).acted);
    EXPECT_EQ(cursor, TGridCursor(10, 2, kPosNote));
    EXPECT_TRUE(At(2, 10).IsEmpty());
}

TEST_F(KeyEntry, EditModeOffOnlyPreviews) {
    state.editMode = false;
    const TEntryResult r = Type(Char('X'));
    EXPECT_TRUE(r.changes.empty());
    EXPECT_EQ(r.previewNote, 0x42);
    EXPECT_EQ(cursor.CursorRow(), 10);
    EXPECT_TRUE(Type(Key(TEditKeyKind::Insert)).changes.empty());
    cursor = {10, 2, kPosInstrumentHigh};
    EXPECT_EQ(Type(Char('Z')).previewNote, kNoteNone); // no preview outside the note column
}

TEST_F(KeyEntry, HexDigitsWithStepZeroReturnToTheHighDigit) {
    state.step = 0;
    cursor = {10, 2, kPosInstrumentHigh};
    Type(Char('8'));
    EXPECT_EQ(cursor.CursorPos(), kPosInstrumentLow);
    Type(Char('0'));
    EXPECT_EQ(At(2, 10).instrument, 0x80);
    EXPECT_EQ(cursor.CursorPos(), kPosInstrumentHigh);
    cursor = {10, 2, kPosVolumeLow};
    Type(Char('C'));
    EXPECT_EQ(At(2, 10).volume, 0x0C); // an empty volume counts as 0
    cursor = {10, 2, kPosParamHigh};
    Type(Char('A'));
    Type(Char('5'));
    EXPECT_EQ(At(2, 10).param, 0xA5);
    EXPECT_EQ(At(2, 10).command, 0);
    EXPECT_EQ(cursor.CursorPos(), kPosCommandHigh);
    EXPECT_FALSE(Type(Char('G')).acted);
}

TEST_F(KeyEntry, ACommandBeyondTheCatalogueIsRefused) {
    TCell cell;
    cell.command = 0x0F;
    pattern->SetCell(2, 10, cell);
    cursor = {10, 2, kPosCommandHigh};
    const TEntryResult r = Type(Char('3'));
    EXPECT_TRUE(r.refused);
    EXPECT_TRUE(r.changes.empty());
    EXPECT_EQ(At(2, 10).command, 0x0F);
    EXPECT_EQ(cursor.CursorRow(), 10);
    Type(Char('1'));
    EXPECT_EQ(At(2, 10).command, 0x1F);
    cursor = {10, 2, kPosCommandLow};
    Type(Char('0'));
    EXPECT_EQ(At(2, 10).command, 0x10);
}

TEST_F(KeyEntry, DeleteClearsItsFieldAndShiftDeleteTheCell) {
    TCell full = TGridPattern::Note(0x45, 3);
    full.volume = 0x20;
    full.command = 5;
    full.param = 0x12;
    pattern->SetCell(2, 10, full);
    pattern->SetCell(2, 11, full);
    Type(Key(TEditKeyKind::Delete));
    TCell kept = full;
    kept.note = kNoteNone;
    kept.instrument = kInstrumentNone;
    EXPECT_EQ(At(2, 10), kept);
    EXPECT_EQ(cursor.CursorRow(), 11);
    Type(Key(TEditKeyKind::Delete, kShift));
    EXPECT_TRUE(At(2, 11).IsEmpty());
    pattern->SetCell(2, 12, full);
    cursor = {12, 2, kPosVolumeLow};
    Type(Key(TEditKeyKind::Delete));
    EXPECT_EQ(At(2, 12).volume, kVolumeNone);
    cursor = {12, 2, kPosCommandHigh};
    EXPECT_FALSE(Type(Key(TEditKeyKind::Delete)).acted);
    EXPECT_EQ(At(2, 12).command, 5);
}

TEST_F(KeyEntry, CtrlSpaceEntersAKeyOff) {
    pattern->SetCell(2, 10, TGridPattern::Note(0x45, 3));
    EXPECT_FALSE(Type(Key(TEditKeyKind::Space)).acted); // Space alone is play or pause
    Type(Key(TEditKeyKind::Space, kCtrl));
    EXPECT_EQ(At(2, 10).note, kNoteKeyOff);
    EXPECT_EQ(At(2, 10).instrument, kInstrumentNone);
}

TEST_F(KeyEntry, InsertAndBackspaceShiftOneTrack) {
    for (int r = 0; r < 64; ++r) pattern->SetCell(2, r, TGridPattern::Note(uint8_t(r % 96), 1));
    pattern->SetCell(1, 10, TGridPattern::Note(0x30, 1));
    cursor = {0, 2, kPosNote};
    EXPECT_FALSE(Type(Key(TEditKeyKind::Backspace)).acted);
    cursor = {10, 2, kPosVolumeHigh};
    const TEntryResult ins = Type(Key(TEditKeyKind::Insert));
    EXPECT_TRUE(ins.wholeTrack);
    EXPECT_TRUE(At(2, 10).IsEmpty());
    EXPECT_EQ(At(2, 11).note, 10);
    EXPECT_EQ(At(2, 63).note, 62);
    EXPECT_EQ(At(1, 10).note, 0x30);
    EXPECT_EQ(cursor.CursorRow(), 10);
    const TEntryResult back = Type(Key(TEditKeyKind::Backspace));
    EXPECT_EQ(cursor.CursorRow(), 9);
    EXPECT_TRUE(At(2, 9).IsEmpty()); // the cell Insert emptied moved up into the deleted row
    EXPECT_EQ(At(2, 10).note, 10);
    EXPECT_EQ(At(2, 8).note, 8);
    EXPECT_TRUE(At(2, 63).IsEmpty());
    EXPECT_EQ(back.changes.front().row, 9);
}

TEST_F(KeyEntry, BackquoteChangesTheStepEvenOutsideEditMode) {
    state.editMode = false;
    state.step = 0;
    Type(Char('`', kShift));
    EXPECT_EQ(state.step, 0);
    Type(Char('`'));
    Type(Char('`'));
    EXPECT_EQ(state.step, 2);
    state.step = 255;
    Type(Char('`'));
    EXPECT_EQ(state.step, 255);
}

TEST(ReplaceDigit, ReplacesOneDigitOfAByte) {
    EXPECT_EQ(ReplaceDigit(0x0F, 1, 3, 16), 0x3F);
    EXPECT_EQ(ReplaceDigit(0x3F, 0, 0, 16), 0x30);
    EXPECT_EQ(ReplaceDigit(123, 1, 9, 10), 193);
}

} // namespace

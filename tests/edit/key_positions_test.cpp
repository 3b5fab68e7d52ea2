#include "edit/key_entry.h"
#include "edit/key_positions.h"
#include "grid_pattern.h"
#include "model/notes.h"

#include <gtest/gtest.h>

namespace {

// X11 keycodes of three physical keys, with what AZERTY and Dvorak print on them.
struct PhysicalKey {
    uint32_t x11;
    char us;
    char azerty;
    char dvorak;
};
constexpr PhysicalKey kKeys[] = {
    {52, 'Z', 'W', ';'},
    {39, 'S', 'S', 'O'},
    {24, 'Q', 'A', '\''},
};

TEST(KeyPositions, NoteKeysFollowThePhysicalKeyOnEveryLayout) {
    TGridPattern pattern(1, 8);
    TEntryState state;
    for (const PhysicalKey& key : kKeys) {
        // Whatever the label, the key's code is the same, and so is the note it enters.
        const char c = UsCharForKey(key.x11, TKeySource::X11);
        EXPECT_EQ(c, key.us) << "AZERTY " << key.azerty << ", Dvorak " << key.dvorak;
        const TEntryResult r =
            EditKey(*pattern, {0, 0, kPosNote}, {TEditKeyKind::Character, c, {}}, state);
        ASSERT_EQ(r.changes.size(), 1u);
        EXPECT_EQ(r.changes[0].after.note, KeyToNote(key.us, state.baseOctave));
        // The label's own character would give another note, or none.
        EXPECT_NE(EntryNoteForKey(key.dvorak, 4), r.changes[0].after.note);
    }
    EXPECT_NE(EntryNoteForKey(kKeys[0].azerty, 4), EntryNoteForKey('Z', 4));
}

TEST(KeyPositions, EachSourceNamesTheSameKeys) {
    EXPECT_EQ(UsCharForKey(44, TKeySource::Evdev), 'Z');
    EXPECT_EQ(UsCharForKey(0x2C, TKeySource::Windows), 'Z');
    EXPECT_EQ(UsCharForKey(0x06, TKeySource::Mac), 'Z');
    EXPECT_EQ(UsCharForKey(0x0C, TKeySource::Mac), 'Q');
    EXPECT_EQ(UsCharForKey(0x01, TKeySource::Mac), 'S');
    // The whole note layout on X11: the lower row, the upper row and the digits above it.
    const char* const rows[] = {"ZXCVBNM", "QWERTYUIOP", "1234567890", "ASDFGHJKL"};
    const uint32_t firsts[] = {52, 24, 10, 38};
    for (int i = 0; i < 4; ++i)
        for (int k = 0; rows[i][k]; ++k)
            EXPECT_EQ(UsCharForKey(firsts[i] + uint32_t(k), TKeySource::X11), rows[i][k]);
    EXPECT_EQ(UsCharForKey(49, TKeySource::X11), '`');
    EXPECT_EQ(UsCharForKey(0x32, TKeySource::Mac), '`');
    EXPECT_EQ(UsCharForKey(22, TKeySource::X11), 0); // Backspace
    EXPECT_EQ(UsCharForKey(5, TKeySource::X11), 0);
    EXPECT_EQ(UsCharForKey(100000, TKeySource::Windows), 0);
    EXPECT_EQ(UsCharForKey(0x24, TKeySource::Mac), 0); // Return
}

} // namespace

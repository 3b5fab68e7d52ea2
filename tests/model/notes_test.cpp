#include "engine/records.h"
#include "model/effects.h"
#include "model/errors.h"
#include "model/note_status.h"
#include "model/notes.h"

#include <gtest/gtest.h>

TEST(Notes, NamesShowOctaveForNotesAndNameAloneForSpecialBytes) {
    EXPECT_EQ(NoteName(0x41), "C#4");
    EXPECT_EQ(NoteName(0x40), "C 4");
    EXPECT_EQ(NoteName(254), "Rel");
    EXPECT_EQ(NoteName(255), "...");
    EXPECT_EQ(NoteName(0x3C), "12 3"); // nibble 12 still carries its octave
    EXPECT_EQ(NoteName(0x2D), "13 ");
    EXPECT_EQ(NoteIndexName(49), "C#4");
    EXPECT_EQ(NoteIndexName(95), "B 7");
}

TEST(Notes, LinearNumbersAndTransposeRoundTrip) {
    for (int n = 0; n < 97; ++n) {
        const uint8_t note = NoteFromIndex(n);
        EXPECT_EQ(NoteIndex(note), n);
        EXPECT_TRUE(IsValidNote(note));
        EXPECT_EQ(NoteOctave(note), n / 12);
        EXPECT_EQ(NoteSemitone(note), n % 12);
    }
    EXPECT_FALSE(IsValidNote(0x81)); // C# of octave 8 is past the top
    EXPECT_FALSE(IsValidNote(kNoteKeyOff));
    EXPECT_EQ(TransposeNote(0x4B, 1), 0x50); // B4 + 1 = C5
    EXPECT_EQ(TransposeNote(0x50, -13), 0x3B);
}

TEST(Notes, KeyboardMapCoversThreeRowsAndStopsAboveOctaveEight) {
    EXPECT_EQ(KeyToNote('z', 4), 0x40);
    EXPECT_EQ(KeyToNote('S', 4), 0x41);
    EXPECT_EQ(KeyToNote('m', 4), 0x4B);
    EXPECT_EQ(KeyToNote('q', 4), 0x50);
    EXPECT_EQ(KeyToNote('u', 4), 0x5B);
    EXPECT_EQ(KeyToNote('i', 4), 0x60);
    EXPECT_EQ(KeyToNote('p', 4), 0x64);
    for (char key : {'a', 'f', 'k', 'l', '1', '4', '8', ' ', ';'})
        EXPECT_EQ(KeyToNote(key, 4), 255) << key;
    // Base octave 7: Q is C of octave 8 and valid; 2 is C#8, out of range for playing.
    EXPECT_TRUE(IsValidNote(KeyToNote('q', 7)));
    EXPECT_FALSE(IsValidNote(KeyToNote('2', 7)));
    EXPECT_EQ(KeyToNote('i', 7), 255); // octave 9
}

TEST(NoteStatus, HeldReleasedAndClearedNotes) {
    TNoteStatus status;
    const uint8_t c4 = 0x40;
    EXPECT_FALSE(status.IsPlaying(c4));
    status.SetPlaying(c4, 3);
    EXPECT_TRUE(status.IsPlaying(c4));
    EXPECT_EQ(status.ChannelOf(c4), 3);
    status.MarkReleased(c4);
    EXPECT_FALSE(status.IsPlaying(c4));
    EXPECT_TRUE(status.IsReleased(c4));
    EXPECT_EQ(status.ChannelOf(c4), 3);
    status.Clear(c4);
    EXPECT_FALSE(status.IsReleased(c4));
    EXPECT_THROW(status.ChannelOf(c4), EAssertionFailed);
    EXPECT_THROW(status.IsPlaying(kNoteKeyOff), EAssertionFailed);
    // A note that found no channel stays silent.
    status.SetPlaying(c4, -1);
    EXPECT_FALSE(status.IsPlaying(c4));
}

TEST(Effects, CatalogueNamesAndPreconditionMessage) {
    EXPECT_EQ(EffectNames(0), "[none]");
    EXPECT_EQ(EffectNames(24), "note cut");
    EXPECT_EQ(EffectNames(43), "funk repeat");
    try {
        EffectNames(kEffectCount);
        FAIL() << "no assertion";
    } catch (const EAssertionFailed& e) {
        EXPECT_STREQ(e.ClassName(), "EAssertionFailed");
        EXPECT_TRUE(std::string(e.what()).starts_with("Assertion failure (effects, line "));
    }
}

TEST(Effects, EveryStandardXMEffectMapsToACommandAndBack) {
    // Each XM effect with a parameter that exercises its sub-command maps to a command whose
    // catalogue entry gives the same effect and parameter back.
    struct Case {
        uint8_t effect, param;
    };
    std::vector<Case> cases;
    for (uint8_t e : {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A,
                      0x0B, 0x0C, 0x0D, 0x0F, 0x10, 0x11, 0x14, 0x15, 0x19, 0x1B, 0x1D})
        cases.push_back({e, 0x37});
    cases.push_back({0x0F, 0x80});
    for (int sub = 0; sub < 16; ++sub) cases.push_back({0x0E, uint8_t(sub << 4 | 0x5)});
    cases.push_back({0x21, 0x13});
    cases.push_back({0x21, 0x2F});
    for (const Case& c : cases) {
        uint8_t command = 0, param = 0;
        ASSERT_TRUE(XMEffectToCommand(c.effect, c.param, command, param)) << int(c.effect);
        ASSERT_NE(command, 0) << int(c.effect);
        const EffectInfo& info = EffectInfoOf(command);
        EXPECT_EQ(info.xmEffect, c.effect) << EffectNames(command);
        EXPECT_EQ(uint8_t(param | info.xmOr), c.param) << EffectNames(command);
    }
    uint8_t command = 9, param = 9;
    EXPECT_TRUE(XMEffectToCommand(0x00, 0x00, command, param));
    EXPECT_EQ(command, 0);
    EXPECT_FALSE(XMEffectToCommand(0x12, 0x10, command, param)); // not an FT2 effect
    EXPECT_FALSE(XMEffectToCommand(0x21, 0x30, command, param));
}

#include "engine/formats/xm_cell.h"

#include <gtest/gtest.h>

// Every XM note, instrument and volume byte a file can mean comes back unchanged through the
// engine's form; the bytes with no meaning become none.
TEST(XMCell, FieldBytesSurviveTheEngineForm) {
    for (int b = 0; b < 256; ++b) {
        const uint8_t xm = uint8_t(b);
        const uint8_t note = NoteFromXM(xm);
        if (xm <= kXMKeyOff) {
            EXPECT_EQ(XMNoteOf(note), xm) << b;
            EXPECT_EQ(XMNoteFits(note), xm != kXMNoteNone) << b;
        } else {
            EXPECT_EQ(note, kNoteNone) << b;
        }
        EXPECT_EQ(XMInstrumentOf(InstrumentFromXM(xm)), xm) << b;

        const uint8_t volume = VolumeFromXM(xm);
        // 0x60, a slide down by nothing, does nothing and shares its engine byte with none.
        const bool meaningful = (xm >= 0x10 && xm <= 0x50) || xm > 0x60;
        EXPECT_EQ(volume == kVolumeNone, !meaningful) << b;
        EXPECT_EQ(XMVolumeOf(volume), meaningful ? xm : 0) << b;
    }
}

TEST(XMCell, NotesAboveTheXMRangePlayAsTheHighestButDoNotFit) {
    const uint8_t c8 = 8 * 16; // octave 8, semitone 0
    EXPECT_FALSE(XMNoteFits(c8));
    EXPECT_EQ(XMNoteOf(c8), kXMNoteHighest);
    const uint8_t badSemitone = 3 * 16 + 12;
    EXPECT_FALSE(XMNoteFits(badSemitone));
    EXPECT_EQ(XMNoteOf(badSemitone), kXMNoteNone);
    EXPECT_EQ(XMNoteOf(kNoteNone), kXMNoteNone);
}

TEST(XMCell, VolumeCommandsByByte) {
    EXPECT_EQ(VolumeCommandOf(0x00), VolumeCommand::None);
    EXPECT_EQ(VolumeCommandOf(0x0F), VolumeCommand::None);
    EXPECT_EQ(VolumeCommandOf(0x10), VolumeCommand::SetVolume);
    EXPECT_EQ(VolumeCommandOf(0x50), VolumeCommand::SetVolume);
    EXPECT_EQ(VolumeCommandOf(0x51), VolumeCommand::None);
    EXPECT_EQ(VolumeCommandOf(0x5F), VolumeCommand::None);
    EXPECT_EQ(VolumeCommandOf(0x6A), VolumeCommand::SlideDown);
    EXPECT_EQ(VolumeCommandOf(0xC3), VolumeCommand::SetPanning);
    EXPECT_EQ(VolumeCommandOf(0xFF), VolumeCommand::TonePorta);
    EXPECT_EQ(VolumeCommandParam(0xC3), 3);
    EXPECT_EQ(VolumeColumnLevel(0x50), 64);
}

// Packing any subset of fields and unpacking it gives those fields back and zero for the rest.
TEST(XMCell, PackedCellsUnpackToTheirFields) {
    const XMCell cell{{49, 2, 0x40, 0x0F, 0x06}};
    for (int present = 0; present < 32; ++present) {
        uint8_t packed[1 + XMCell::kFieldCount];
        const size_t n = PackXMCell(cell, uint8_t(present), packed);
        XMCell back;
        EXPECT_EQ(UnpackXMCell(packed, packed + n, back), packed + n);
        for (int f = 0; f < XMCell::kFieldCount; ++f)
            EXPECT_EQ(back.fields[f], (present & (1 << f)) ? cell.fields[f] : 0) << present;
    }
}

TEST(XMCell, UnpackedCellsStopAtTheEndOfTheData) {
    // A full cell (no flag byte) cut after its volume.
    const uint8_t whole[] = {49, 2, 0x40};
    XMCell cell;
    EXPECT_EQ(UnpackXMCell(whole, whole + 3, cell), whole + 3);
    EXPECT_EQ(cell.fields[XMCell::kNote], 49);
    EXPECT_EQ(cell.fields[XMCell::kVolume], 0x40);
    EXPECT_EQ(cell.fields[XMCell::kEffect], 0);
    // A flagged cell that promises more fields than the data holds.
    const uint8_t flagged[] = {0x9F, 12};
    EXPECT_EQ(UnpackXMCell(flagged, flagged + 2, cell), flagged + 2);
    EXPECT_EQ(cell.fields[XMCell::kNote], 12);
    EXPECT_EQ(cell.fields[XMCell::kInstrument], 0);
    EXPECT_EQ(UnpackXMCell(flagged, flagged, cell), flagged);
}

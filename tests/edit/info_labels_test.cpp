#include "edit/info_labels.h"
#include "model/instrument.h"
#include "model/sample.h"
#include "model/song.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

namespace {

TCell Cell(uint8_t note, uint8_t instrument, uint8_t command = 0) {
    TCell cell;
    cell.note = note;
    cell.instrument = instrument;
    cell.command = command;
    return cell;
}

TEST(InfoLabels, NameTheInstrumentTheSampleAndTheEffect) {
    const TSong song((SharedDir() / "corpus" / "mph.xm").string());
    ASSERT_GT(song.InstrumentCount(), 0);
    const TInstrument& first = *song.Instruments(0);
    ASSERT_GT(first.SampleCount(), 0);
    const int sample = first.NoteSample(48);

    const TInfoLabels note = InfoLabels(song, Cell(0x40, 0), kColumnNote);
    EXPECT_EQ(note.instrument, "0: " + first.Name());
    EXPECT_EQ(note.caption, "Sample: ");
    EXPECT_EQ(note.detail, std::to_string(sample) + ": " + first.Samples(sample)->Name());

    EXPECT_EQ(InfoLabels(song, Cell(kNoteKeyOff, 0), kColumnVolume).detail, "[none]");
    EXPECT_EQ(InfoLabels(song, Cell(0x40, kInstrumentNone), kColumnNote).instrument, "[none]");
    const auto beyond = uint8_t(song.InstrumentCount());
    EXPECT_EQ(InfoLabels(song, Cell(0x40, beyond), kColumnNote).instrument, "[invalid]");
    EXPECT_EQ(InfoLabels(song, Cell(0x40, beyond), kColumnNote).detail, "[none]");

    const TInfoLabels effect = InfoLabels(song, Cell(0x40, 0, 16), kColumnEffect);
    EXPECT_EQ(effect.caption, "Effect:");
    EXPECT_EQ(effect.detail, "set tempo in BPM");
    EXPECT_EQ(InfoLabels(song, Cell(0x40, 0, 0x3F), kColumnEffect).detail, "[invalid]");
}

} // namespace

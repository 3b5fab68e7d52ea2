// An XM on the Amiga frequency table plays each note at the tracker's own period, which comes
// from a table of eight periods per semitone, halved once per octave with the remainder dropped;
// high notes sit a few cents off the equal-tempered pitch, and the reference plays them there.
#include "audio_compare.h"
#include "engine/render.h"
#include "engine/sndlib.h"
#include "support/test_paths.h"
#include "support/xm_builder.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>

namespace {

constexpr int kRate = 22050;
constexpr int kRowFrames = kRate * 6 * 5 / 2 / 125; // speed 6, tempo 125
constexpr int kCycle = 8;                           // frames of the sample's one cycle

struct Note {
    uint8_t note; // XM: 1 = C-0
    int8_t finetune;
};

} // namespace

TEST(AmigaPitch, EachNoteAndFinetunePlaysAtTheReferencesPitch) {
    constexpr int8_t kFinetunes[] = {-128, -72, 0, 40, 120}; // the tracker's own steps of 8
    XMTestSong song;
    song.tracker = "FastTracker v2.00";
    song.flags = 0; // Amiga frequency table
    song.channels = 2;
    for (const int8_t finetune : kFinetunes) { // one instrument per finetune
        XMTestSample sample;
        for (int i = 0; i < kCycle; ++i)
            sample.values.push_back(int(100 * std::sin(2 * std::numbers::pi * i / kCycle)));
        sample.loopType = 1;
        sample.loopLength = kCycle;
        sample.finetune = finetune;
        XMTestInstrument instrument;
        instrument.samples = {sample};
        song.instruments.push_back(instrument);
    }
    std::vector<Note> notes;
    for (int octave = 1; octave <= 7; ++octave)
        for (const int semitone : {0, 4, 9, 11})
            for (const int8_t finetune : kFinetunes)
                notes.push_back({uint8_t(1 + octave * 12 + semitone), finetune});
    XMTestPattern pattern;
    pattern.rows = int(notes.size());
    for (int r = 0; r < pattern.rows; ++r)
        pattern.cells.push_back({r, 0, notes[size_t(r)].note, uint8_t(1 + r % 5), 0, 0, 0});
    song.patterns = {pattern};
    const std::vector<uint8_t> bytes = BuildXM(song);
    const auto file = TempDir() / "amiga.xm";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));

    ModuleRecord* module = SNDloadModule(file.string().c_str());
    ASSERT_NE(module, nullptr) << SNDgetErrorMessage(SNDgetLastError());
    std::vector<int16_t> ours;
    ASSERT_TRUE(RenderModule(module, RenderOptions{kRate, true, 0}, ours));
    SNDfreeModule(module);
    const std::vector<int16_t> peer = PeerRenderChannel(file, kRate, 0);

    double worst = 0;
    for (size_t r = 0; r < notes.size(); ++r) {
        const size_t from = r * kRowFrames + kRowFrames / 4, to = (r + 1) * kRowFrames;
        const double expected = 8363.0 / kCycle * std::exp2((notes[r].note - 49) / 12.0);
        const double theirs =
            StrongestFrequency(peer, kRate, from, to, expected * 0.96, expected * 1.08);
        const double mine =
            StrongestFrequency(ours, kRate, from, to, expected * 0.96, expected * 1.08);
        const double cents = std::abs(1200 * std::log2(mine / theirs));
        worst = std::max(worst, cents);
        EXPECT_LT(cents, 1.0) << mine << " Hz against " << theirs << ", note " << int(notes[r].note)
                              << " finetune " << int(notes[r].finetune);
    }
    std::printf("  worst distance from the reference: %.2f cents over %zu notes\n", worst,
                notes.size());
}

// How MOD, S3M and IT rules that XM lacks are rewritten when a module is imported.
#include "engine/effect_catalogue.h"
#include "engine/formats/xmp_effects.h"
#include "engine/sndlib.h"
#include "support/mod_builder.h"

#include <gtest/gtest.h>
#include <memory>
#include <xmp.h>

namespace {

struct ModuleFree {
    void operator()(ModuleRecord* m) const { SNDfreeModule(m); }
};
using ModulePtr = std::unique_ptr<ModuleRecord, ModuleFree>;

ModulePtr LoadMOD(const MODTestSong& song) {
    const std::vector<uint8_t> bytes = BuildMOD(song);
    ModulePtr m(SNDloadModuleFromMemory(bytes.data(), bytes.size(), "test.mod"));
    EXPECT_NE(m, nullptr) << SNDgetErrorMessage(SNDgetLastError());
    return m;
}

// Command and parameter of one cell.
std::pair<uint8_t, uint8_t> Command(ModuleRecord* m, int row, int track) {
    if (!PatternIsUnpacked(m->patterns[0])) {
        EXPECT_TRUE(PLYRdecompressPattern(m, 0));
    }
    const uint8_t* c = m->patterns[0]->data + row * RowStride(m->channelCount) + track * kCellSize;
    return {c[kCellCommand], c[kCellParam]};
}

uint8_t Volume(ModuleRecord* m, int row, int track) {
    if (!PatternIsUnpacked(m->patterns[0])) {
        EXPECT_TRUE(PLYRdecompressPattern(m, 0));
    }
    return m->patterns[0]->data[row * RowStride(m->channelCount) + track * kCellSize + kCellVolume];
}

MODTestSample Square() {
    MODTestSample s;
    for (int i = 0; i < 64; ++i) s.values.push_back(int8_t(i < 32 ? 100 : -100));
    s.loopLength = 64;
    return s;
}

std::pair<uint8_t, uint8_t> Translated(SourceKind kind, ChannelMemory& memory, uint8_t fxt,
                                       uint8_t fxp) {
    xmp_event event{};
    event.fxt = fxt;
    event.fxp = fxp;
    ImportedCell cell;
    uint32_t lost[kLossCount] = {};
    TranslateEvent(event, kind, memory, cell, lost);
    return {cell.command, cell.param};
}

} // namespace

// A slide without a parameter slides nothing in a MOD but would repeat the last one in XM.
TEST(ImportConversion, MODSlidesWithoutParameterAreLeftOutAndCounted) {
    MODTestSong song;
    song.samples = {Square()};
    const std::pair<uint8_t, uint8_t> effects[] = {{0x1, 0x04}, {0x1, 0x00}, {0x2, 0x00},
                                                   {0xA, 0x00}, {0xE, 0x10}, {0xE, 0xA0},
                                                   {0x5, 0x00}, {0x6, 0x00}, {0xA, 0x20}};
    for (int r = 0; r < 9; ++r)
        song.patterns[0].cells.push_back({r, 1, 0, 0, effects[r].first, effects[r].second});
    ModulePtr m = LoadMOD(song);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Command(m.get(), 0, 1), std::make_pair(uint8_t(kCmdPortaUp), uint8_t(4)));
    for (int r = 1; r <= 5; ++r)
        EXPECT_EQ(Command(m.get(), r, 1), std::make_pair(uint8_t(0), uint8_t(0))) << r;
    // The slide half of 500 and 600 goes; the portamento and vibrato halves go on as before.
    EXPECT_EQ(Command(m.get(), 6, 1), std::make_pair(uint8_t(kCmdTonePorta), uint8_t(0)));
    EXPECT_EQ(Command(m.get(), 7, 1), std::make_pair(uint8_t(kCmdVibrato), uint8_t(0)));
    EXPECT_EQ(Command(m.get(), 8, 1), std::make_pair(uint8_t(kCmdVolumeSlide), uint8_t(0x20)));
    EXPECT_EQ(m->lost[kLossSilentSlides], 5u);
    EXPECT_EQ(m->lost[kLossEffects], 0u);
}

// The reference plays MOD channels left, right, right, left, a quarter in from the edges, and
// mixes them linearly, a third louder than an XM; the copy says so in each note's volume column
// and in its stored mode and pre-amp.
TEST(ImportConversion, MODChannelsKeepTheReferencePanningAndMixMode) {
    MODTestSong song;
    song.samples = {Square()};
    for (int c = 0; c < 4; ++c) song.patterns[0].cells.push_back({0, c, 428, 1, 0, 0});
    song.patterns[0].cells.push_back({1, 0, 0, 0, 0xC, 0x20}); // the column is taken
    song.patterns[0].cells.push_back({1, 0, 428, 1, 0xC, 0x20});
    ModulePtr m = LoadMOD(song);
    ASSERT_NE(m, nullptr);
    constexpr uint8_t kPanColumn = 0xC0 - 16;
    EXPECT_EQ(Volume(m.get(), 0, 0), kPanColumn + 0x4);
    EXPECT_EQ(Volume(m.get(), 0, 1), kPanColumn + 0xC);
    EXPECT_EQ(Volume(m.get(), 0, 2), kPanColumn + 0xC);
    EXPECT_EQ(Volume(m.get(), 0, 3), kPanColumn + 0x4);
    EXPECT_EQ(m->storedMixMode, 4 + 1);
    EXPECT_EQ(m->storedPreAmp, 64);
}

// Scream Tracker's slides, tremor, arpeggio, retrigger and tremolo share one parameter per
// channel; Impulse Tracker's two pitch slides share one. XM keeps one per effect.
TEST(ImportConversion, SharedEffectMemoryBecomesExplicitParameters) {
    ChannelMemory s3m;
    EXPECT_EQ(Translated(SourceKind::S3M, s3m, 0x0A, 0x04),
              std::make_pair(uint8_t(kCmdVolumeSlide), uint8_t(0x04)));
    EXPECT_EQ(Translated(SourceKind::S3M, s3m, 0x02, 0x00),
              std::make_pair(uint8_t(kCmdPortaDown), uint8_t(0x04)));
    EXPECT_EQ(Translated(SourceKind::S3M, s3m, 0x01, 0xF3),
              std::make_pair(uint8_t(kCmdFinePortaUp), uint8_t(0x03)));
    // The fine form carries over with the parameter it came with.
    EXPECT_EQ(Translated(SourceKind::S3M, s3m, 0x0A, 0x00),
              std::make_pair(uint8_t(kCmdFineVolSlideDown), uint8_t(0x03)));
    // Vibrato keeps a memory of its own, as in XM.
    EXPECT_EQ(Translated(SourceKind::S3M, s3m, 0x04, 0x00),
              std::make_pair(uint8_t(kCmdVibrato), uint8_t(0x00)));

    ChannelMemory it;
    EXPECT_EQ(Translated(SourceKind::IT, it, 0x01, 0x08),
              std::make_pair(uint8_t(kCmdPortaUp), uint8_t(0x08)));
    EXPECT_EQ(Translated(SourceKind::IT, it, 0x02, 0x00),
              std::make_pair(uint8_t(kCmdPortaDown), uint8_t(0x08)));
    EXPECT_EQ(Translated(SourceKind::IT, it, 0x0A, 0x00),
              std::make_pair(uint8_t(kCmdVolumeSlide), uint8_t(0x00)));

    // A MOD's zero parameter is not filled in from anything.
    ChannelMemory mod;
    EXPECT_EQ(Translated(SourceKind::Mod, mod, 0x01, 0x08),
              std::make_pair(uint8_t(kCmdPortaUp), uint8_t(0x08)));
    EXPECT_EQ(Translated(SourceKind::Mod, mod, 0x02, 0x00), std::make_pair(uint8_t(0), uint8_t(0)));
}

// How MOD, S3M and IT rules that XM lacks are rewritten when a module is imported.
#include "engine/effect_catalogue.h"
#include "engine/formats/xmp_effects.h"
#include "engine/player/period_tables.h"
#include "engine/sndlib.h"
#include "support/it_builder.h"
#include "support/mod_builder.h"
#include "support/s3m_builder.h"
#include "support/test_paths.h"

#include <cstring>
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

const uint8_t* Cell(ModuleRecord* m, int pattern, int row, int track);

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
// mixes them linearly, a third louder than an XM; the copy says so in the sample's panning or
// the note's volume column, and in its stored mode and pre-amp.
TEST(ImportConversion, MODChannelsKeepTheReferencePanningAndMixMode) {
    MODTestSong song;
    song.samples = {Square(), Square()};
    for (int c = 0; c < 4; ++c) song.patterns[0].cells.push_back({0, c, 428, 1, 0, 0});
    song.patterns[0].cells.push_back({1, 0, 0, 0, 0xC, 0x20}); // the column is taken
    song.patterns[0].cells.push_back({1, 0, 428, 1, 0xC, 0x20});
    song.patterns[0].cells.push_back({2, 1, 428, 2, 0, 0}); // only ever struck on the right
    ModulePtr m = LoadMOD(song);
    ASSERT_NE(m, nullptr);
    constexpr uint8_t kPanColumn = 0xC0 - 16;
    // The panning a note with an instrument number starts its channel at.
    auto startPan = [&](int row, int track) {
        const uint8_t volume = Volume(m.get(), row, track);
        if (volume >= kPanColumn && volume < kPanColumn + 16) return (volume - kPanColumn) << 4;
        const uint8_t instrument = Cell(m.get(), 0, row, track)[kCellInstrument];
        return int(m->instruments[instrument]->samples[0]->panning);
    };
    EXPECT_EQ(startPan(0, 0), 0x40);
    EXPECT_EQ(startPan(0, 1), 0xC0);
    EXPECT_EQ(startPan(0, 2), 0xC0);
    EXPECT_EQ(startPan(0, 3), 0x40);
    EXPECT_EQ(startPan(1, 0), 0x40);
    // A sample struck on one side only pans there by itself; its notes need nothing.
    EXPECT_EQ(m->instruments[1]->samples[0]->panning, 0xC0);
    EXPECT_EQ(Volume(m.get(), 2, 1), kVolumeNone);
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

// What XM holds only nearly is still written, and counted; what does nothing in the source is
// neither.
TEST(ImportConversion, SpeedsAndImpulseTrackerGlobalVolumesKeepTheirMeaning) {
    auto translate = [](SourceKind kind, uint8_t fxt, uint8_t fxp, uint32_t& lost) {
        xmp_event event{};
        event.fxt = fxt;
        event.fxp = fxp;
        ChannelMemory memory;
        ImportedCell cell;
        uint32_t counts[kLossCount] = {};
        TranslateEvent(event, kind, memory, cell, counts);
        lost = counts[kLossEffects];
        return std::make_pair(cell.command, cell.param);
    };
    constexpr uint8_t kS3MSpeed = 0xa3; // libxmp's numbers
    constexpr uint8_t kGlobalVolume = 0x10, kGlobalSlide = 0x11;
    uint32_t lost = 0;
    // XM reads a speed past 31 as a tempo.
    EXPECT_EQ(translate(SourceKind::S3M, kS3MSpeed, 0x40, lost),
              std::make_pair(uint8_t(kCmdSetSpeed), uint8_t(31)));
    EXPECT_EQ(lost, 1u);
    EXPECT_EQ(translate(SourceKind::S3M, kS3MSpeed, 0x00, lost),
              std::make_pair(uint8_t(0), uint8_t(0)));
    EXPECT_EQ(lost, 0u);
    // Impulse Tracker's global volume runs to 128.
    EXPECT_EQ(translate(SourceKind::IT, kGlobalVolume, 0x80, lost),
              std::make_pair(uint8_t(kCmdSetGlobalVolume), uint8_t(0x40)));
    EXPECT_EQ(translate(SourceKind::S3M, kGlobalVolume, 0x30, lost),
              std::make_pair(uint8_t(kCmdSetGlobalVolume), uint8_t(0x30)));
    EXPECT_EQ(translate(SourceKind::IT, kGlobalSlide, 0x04, lost),
              std::make_pair(uint8_t(kCmdGlobalVolumeSlide), uint8_t(0x02)));
    EXPECT_EQ(lost, 0u);
    EXPECT_EQ(translate(SourceKind::IT, kGlobalSlide, 0x30, lost),
              std::make_pair(uint8_t(kCmdGlobalVolumeSlide), uint8_t(0x20)));
    EXPECT_EQ(lost, 1u); // an odd step slides twice as fast
    EXPECT_EQ(translate(SourceKind::IT, kGlobalSlide, 0xF2, lost),
              std::make_pair(uint8_t(0), uint8_t(0)));
    EXPECT_EQ(lost, 1u); // a fine slide has no XM form
}

namespace {

const uint8_t* Cell(ModuleRecord* m, int pattern, int row, int track) {
    if (!PatternIsUnpacked(m->patterns[pattern])) {
        EXPECT_TRUE(PLYRdecompressPattern(m, pattern));
    }
    return m->patterns[pattern]->data + row * RowStride(m->channelCount) + track * kCellSize;
}

// The arpeggio offset a tracker plays on `tick` of a row: the source formats count the ticks
// from the row's start, the XM tracker counts the ticks left.
int SourceOffset(uint8_t param, int tick) {
    const int slot = tick % 3;
    return slot == 0 ? 0 : slot == 1 ? param >> 4 : param & 0x0F;
}

int XMOffset(uint8_t param, int speed, int tick) {
    const int slot = (speed - tick) % 3;
    return tick == 0 || slot == 0 ? 0 : slot == 1 ? param >> 4 : param & 0x0F;
}

} // namespace

TEST(ImportConversion, ArpeggiosPlayTheSourceTickOrderWhereAnyParameterCan) {
    int fitted = 0, refused = 0;
    for (int speed = 1; speed <= 31; ++speed) {
        for (int source = 0; source < 256; ++source) {
            uint8_t param = uint8_t(source);
            if (!FitArpeggioOrder(param, speed)) {
                EXPECT_EQ(param, source) << "a refused parameter stays as it was";
                ++refused;
                // No parameter at all would do.
                for (int other = 0; other < 256; ++other) {
                    bool same = true;
                    for (int tick = 0; tick < speed; ++tick)
                        same &= XMOffset(uint8_t(other), speed, tick) ==
                                SourceOffset(uint8_t(source), tick);
                    ASSERT_FALSE(same) << "speed " << speed << " param " << source;
                }
                continue;
            }
            ++fitted;
            for (int tick = 0; tick < speed; ++tick)
                ASSERT_EQ(XMOffset(param, speed, tick), SourceOffset(uint8_t(source), tick))
                    << "speed " << speed << " param " << source << " tick " << tick;
        }
    }
    EXPECT_GT(fitted, 0);
    EXPECT_GT(refused, 0);
    uint8_t param = 0x37;
    EXPECT_TRUE(FitArpeggioOrder(param, 6));
    EXPECT_EQ(param, 0x73);
    param = 0x30; // at speed 5 an arpeggio without a second note still fits
    EXPECT_TRUE(FitArpeggioOrder(param, 5));
    param = 0x37;
    EXPECT_FALSE(FitArpeggioOrder(param, 5));
}

// A song whose arpeggios all fit XM's order keeps the rewritten parameters, which the XM tracker
// plays too; one arpeggio that cannot fit makes the whole song play the source's order instead,
// every parameter as the source wrote it.
TEST(ImportConversion, ASongKeepsXMsArpeggioOrderUnlessOneArpeggioCannotFit) {
    MODTestSong song;
    song.samples = {Square()};
    song.patterns[0].cells = {{0, 0, 428, 1, 0x0, 0x37}, {1, 0, 0, 0, 0x0, 0x37}};
    ModulePtr fits = LoadMOD(song);
    ASSERT_NE(fits, nullptr);
    EXPECT_FALSE(fits->playBehaviour & kPlayArpeggioByRowTick);
    EXPECT_EQ(Command(fits.get(), 0, 0), std::make_pair(uint8_t(kCmdArpeggio), uint8_t(0x73)));
    EXPECT_EQ(Command(fits.get(), 1, 0), std::make_pair(uint8_t(kCmdArpeggio), uint8_t(0x73)));

    // The speed changes after the first arpeggio, as the song plays.
    song.patterns[0].cells.push_back({1, 1, 0, 0, 0xF, 7});
    ModulePtr refused = LoadMOD(song);
    ASSERT_NE(refused, nullptr);
    EXPECT_TRUE(refused->playBehaviour & kPlayArpeggioByRowTick);
    EXPECT_EQ(Command(refused.get(), 0, 0), std::make_pair(uint8_t(kCmdArpeggio), uint8_t(0x37)));
    EXPECT_EQ(Command(refused.get(), 1, 0), std::make_pair(uint8_t(kCmdArpeggio), uint8_t(0x37)));
    for (int kind = 0; kind < kLossCount; ++kind) EXPECT_EQ(refused->lost[kind], 0u) << kind;
}

TEST(ImportConversion, MODNotesSoundAtThePALAmigaPitch) {
    MODTestSong song;
    song.samples = {Square()};
    song.patterns[0].cells.push_back({0, 0, 428, 1, 0, 0});
    ModulePtr m = LoadMOD(song);
    ASSERT_NE(m, nullptr);
    const uint8_t note = Cell(m.get(), 0, 0, 0)[kCellNote];
    ASSERT_NE(note, kNoteNone);
    const SampleRecord& s = *m->instruments[0]->samples[0];
    EXPECT_TRUE(m->playBehaviour & kPlayFullFinetune);
    const int index = (note >> 4) * 12 + (note & 0x0F) + s.relativeNote;
    const double hz = PeriodToFrequency(false, NotePeriod(false, index, s.finetune, true));
    constexpr double kPal = 3546895.0 / 428.0; // ProTracker's C-2
    EXPECT_NEAR(hz / kPal, 1.0, 0.001) << hz;
}

// XM resets the panning on each instrument number; the channel's own is carried in the cell.
TEST(ImportConversion, ChannelPanningFindsRoomOrIsCounted) {
    constexpr uint8_t kPanColumn = 0xC0 - 16;
    uint32_t lost[kLossCount] = {};
    auto carry = [&lost](ImportedCell cell, int pan, InstrumentUse use) {
        CarryChannelPanning(cell, pan, use, lost);
        return cell;
    };
    ImportedCell taken;
    taken.instrument = 2;
    taken.volume = 40;
    taken.command = kCmdArpeggio;
    taken.param = 0x37;
    // A volume the instrument sets by itself gives way.
    ImportedCell c = carry(taken, 0xF0, {40, false});
    EXPECT_EQ(c.volume, kPanColumn + 0xF);
    EXPECT_EQ(c.instrument, 2);
    // An instrument number that only repeats the channel's is left out; its volume stays.
    c = carry(taken, 0xF0, {64, true});
    EXPECT_EQ(c.instrument, kInstrumentNone);
    EXPECT_EQ(c.volume, 40);
    EXPECT_EQ(lost[kLossChannelSettings], 0u);
    // Neither: the panning is lost and counted, the cell kept.
    c = carry(taken, 0xF0, {64, false});
    EXPECT_EQ(c.instrument, 2);
    EXPECT_EQ(c.volume, 40);
    EXPECT_EQ(lost[kLossChannelSettings], 1u);
    // A centred channel needs nothing.
    c = carry(taken, 128, {64, false});
    EXPECT_EQ(lost[kLossChannelSettings], 1u);
    // Nor does one at the sample's own panning.
    c = carry(taken, 0xF0, {64, false, false, 0xF0});
    EXPECT_EQ(lost[kLossChannelSettings], 1u);
    EXPECT_EQ(c.volume, 40);
    // A number that restarts a running vibrato stays, as XM restarts it only with one.
    c = carry(taken, 0xF0, {64, true, true});
    EXPECT_EQ(c.instrument, 2);
    EXPECT_EQ(lost[kLossChannelSettings], 2u);
    // With both columns free, a panning between the volume column's sixteenths goes whole into
    // the effect column.
    ImportedCell free;
    free.instrument = 2;
    c = carry(free, 0xF8, {64, false});
    EXPECT_EQ(std::make_pair(c.command, c.param),
              std::make_pair(uint8_t(kCmdSetPanning), uint8_t(0xF8)));
    EXPECT_EQ(c.volume, kVolumeNone);
    c = carry(free, 0xF0, {64, false});
    EXPECT_EQ(c.volume, kPanColumn + 0xF);
    EXPECT_EQ(c.command, 0);
}

// A pattern's instrument numbers carry the panning the channel has where the song first plays
// it. Where the song enters it again at another panning, it plays a copy converted from there;
// only with every pattern taken are those cells counted instead.
TEST(ImportConversion, APatternEnteredAtAnotherPanningPlaysACopyConvertedFromThere) {
    ITTestSong song;
    song.channels = 1;
    song.samples = {ITTestSample{std::vector<int8_t>(64, 50), 64, 8363, true}};
    song.orders = {0, 1, 0, 1, 0};
    song.patterns = {ITTestPattern{}, ITTestPattern{}};
    song.patterns[0].cells = {
        {0, 0, 60, 1}, {8, 0, 62, 1}, {16, 0, -1, 0, -1, 'X' - '@', 0x40}, {24, 0, 64, 1}};
    song.patterns[1].cells = {{0, 0, -1, 0, -1, 'X' - '@', 0xB0}};
    const auto load = [](const ITTestSong& s) {
        const std::vector<uint8_t> bytes = BuildIT(s);
        return ModulePtr(SNDloadModuleFromMemory(bytes.data(), bytes.size(), "test.it"));
    };
    // The panning a cell sets, from either column; -1 for none.
    const auto panning = [](const uint8_t* cell) {
        if (cell[kCellCommand] == kCmdSetPanning) return int(cell[kCellParam]);
        const int column = cell[kCellVolume] - (0xC0 - 16);
        return column >= 0 && column < 16 ? column << 4 : -1;
    };
    ModulePtr m = load(song);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->patternCount, 3);
    EXPECT_EQ(std::vector<int>(m->orders, m->orders + m->songLength),
              (std::vector<int>{0, 1, 2, 1, 2})); // one copy serves both later entries
    EXPECT_EQ(m->lost[kLossChannelSettings], 0u);
    for (const int row : {0, 8}) {
        EXPECT_EQ(panning(Cell(m.get(), 2, row, 0)), 0xB0) << row;
        EXPECT_NE(panning(Cell(m.get(), 0, row, 0)), 0xB0) << row;
    }
    for (const int row : {16, 24})
        EXPECT_EQ(std::memcmp(Cell(m.get(), 0, row, 0), Cell(m.get(), 2, row, 0), kCellSize), 0)
            << row;

    // A song that only enters the pattern at one panning needs no copy.
    song.orders = {0, 1};
    m = load(song);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->patternCount, 2);
    EXPECT_EQ(m->lost[kLossChannelSettings], 0u);

    // Once every pattern is taken, a third panning finds no copy: the two numbers before the
    // pattern sets its own panning are wrong there, and counted once. (libxmp reads at most 255
    // patterns of an IT, which leaves room for one copy.)
    song.orders = {0, 1, 0, 2, 0};
    song.patterns.resize(255);
    song.patterns[2].cells = {{0, 0, -1, 0, -1, 'X' - '@', 0x20}};
    m = load(song);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->patternCount, kMaxPatterns);
    EXPECT_EQ(m->orders[2], 255);
    EXPECT_EQ(m->orders[4], 0);
    EXPECT_EQ(m->lost[kLossChannelSettings], 2u);
}

// The panning each strike of an S3M plays at in the import: a panning its cell sets, else its
// sample's.
int StrikePanning(ModuleRecord* m, int pattern, int row, int track) {
    const uint8_t* cell = Cell(m, pattern, row, track);
    if (cell[kCellCommand] == kCmdSetPanning) return cell[kCellParam];
    const int column = cell[kCellVolume] - (0xC0 - 16);
    if (column >= 0 && column < 16) return column << 4;
    return m->instruments[cell[kCellInstrument]]->samples[0]->panning;
}

// The reference spreads an S3M's sixteen coarse pannings, from the header or from S8x, over the
// whole range (0 to 256), where libxmp steps them by sixteen; X sets 0..128 in halves. What
// libxmp leaves out of the cells, such as panbrello, is counted.
TEST(ImportConversion, S3MPanningsKeepTheReferenceScaleAndDroppedCommandsAreCounted) {
    S3MTestSong song;
    song.channels = 3;
    song.pans = {4, 12, 8};
    song.samples = {S3MTestSample{std::vector<int8_t>(64, 50), 64, 8363, true}};
    song.patterns[0].cells = {
        {0, 0, 48, 1},
        {0, 1, 48, 1},
        {0, 2, 48, 1, -1, 'S' - '@', 0x8C},
        {8, 2, 48, 1, -1, 'X' - '@', 0x40},
        {16, 2, 48, 1, -1, 'X' - '@', 0x80},
        {24, 0, -1, 0, -1, 'Y' - '@', 0x44},
        {25, 0, -1, 0, -1, 'P' - '@', 0x04},
        {26, 0, -1, 0, -1, 'S' - '@', 0x61},
    };
    const auto load = [](const S3MTestSong& s) {
        const std::vector<uint8_t> bytes = BuildS3M(s);
        ModulePtr m(SNDloadModuleFromMemory(bytes.data(), bytes.size(), "test.s3m"));
        EXPECT_NE(m, nullptr) << SNDgetErrorMessage(SNDgetLastError());
        return m;
    };
    ModulePtr m = load(song);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(StrikePanning(m.get(), 0, 0, 0), (4 * 256 + 8) / 15);
    EXPECT_EQ(StrikePanning(m.get(), 0, 0, 1), (12 * 256 + 8) / 15);
    EXPECT_EQ(StrikePanning(m.get(), 0, 0, 2), (12 * 256 + 8) / 15);
    EXPECT_EQ(StrikePanning(m.get(), 0, 8, 2), 0x80);
    EXPECT_EQ(StrikePanning(m.get(), 0, 16, 2), 0xFF);
    EXPECT_EQ(m->lost[kLossEffects], 3u);

    // Without a table, the side bit of each channel's setting puts it at a fifth from the edge.
    song.pans.clear();
    m = load(song);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(StrikePanning(m.get(), 0, 0, 0), 0x33);
    EXPECT_EQ(StrikePanning(m.get(), 0, 0, 1), 0xCC);
}

// XM resets the panning at each instrument number. A cell whose columns are both taken strikes
// a copy of its instrument whose sample starts at the channel's panning, one copy per panning,
// while the song has fewer than the XM tracker's 128 instruments; past that it is counted.
TEST(ImportConversion, S3MCellsWithNoRoomForThePanningStrikeAPannedCopyOfTheirInstrument) {
    S3MTestSong song;
    song.channels = 3;
    song.pans = {0, 15, 15};
    song.samples = {S3MTestSample{std::vector<int8_t>(64, 50), 64, 8363, true}};
    song.patterns[0].cells = {{0, 0, 48, 1, 20, 'J' - '@', 0x37},
                              {0, 1, 48, 1, 20, 'J' - '@', 0x37},
                              {0, 2, 48, 1, 20, 'J' - '@', 0x37}};
    const auto load = [](const S3MTestSong& s) {
        const std::vector<uint8_t> bytes = BuildS3M(s);
        return ModulePtr(SNDloadModuleFromMemory(bytes.data(), bytes.size(), "test.s3m"));
    };
    std::strcpy(song.samples[0].name, "Lead");
    ModulePtr m = load(song);
    ASSERT_NE(m, nullptr);
    ASSERT_EQ(m->instrumentCount, 2);
    EXPECT_EQ(m->copiedInstruments, 1);
    EXPECT_EQ(m->lost[kLossChannelSettings], 0u);
    for (int track = 0; track < 3; ++track) {
        const uint8_t* cell = Cell(m.get(), 0, 0, track);
        EXPECT_EQ(std::make_pair(cell[kCellVolume], cell[kCellCommand]),
                  std::make_pair(uint8_t(20), uint8_t(kCmdArpeggio)))
            << track;
        EXPECT_EQ(StrikePanning(m.get(), 0, 0, track), track == 0 ? 0 : 0xFF) << track;
    }
    const InstrumentRecord& copy = *m->instruments[1];
    EXPECT_STREQ(copy.name, "Lead (pan 00)");
    ASSERT_EQ(copy.sampleCount, 1);
    EXPECT_NE(copy.samples[0]->data, m->instruments[0]->samples[0]->data);
    EXPECT_EQ(std::memcmp(copy.samples[0]->data, m->instruments[0]->samples[0]->data, 64), 0);

    // With 128 instruments there is none to spare.
    song.samples.resize(128, song.samples[0]);
    m = load(song);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->instrumentCount, 128);
    EXPECT_EQ(m->lost[kLossChannelSettings], 1u);
}

// The volume column holds a panning in sixteenths only: where the effect column is taken, a
// panning between them strikes an exactly panned copy (autonom.s3m's drums at 7 of 15).
TEST(ImportConversion, APanningBetweenTheVolumeColumnsSixteenthsStrikesAnExactCopy) {
    S3MTestSong song;
    song.channels = 2;
    song.pans = {0, 7};
    song.samples = {S3MTestSample{std::vector<int8_t>(64, 50), 64, 8363, true}};
    song.patterns[0].cells = {{0, 0, 48, 1, 20, 'J' - '@', 0x37},
                              {0, 1, 48, 1, -1, 'J' - '@', 0x37}};
    const std::vector<uint8_t> bytes = BuildS3M(song);
    ModulePtr m(SNDloadModuleFromMemory(bytes.data(), bytes.size(), "test.s3m"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->copiedInstruments, 1);
    EXPECT_EQ(StrikePanning(m.get(), 0, 0, 0), 0);
    EXPECT_EQ(StrikePanning(m.get(), 0, 0, 1), (7 * 256 + 8) / 15);
    EXPECT_EQ(Cell(m.get(), 0, 0, 1)[kCellCommand], kCmdArpeggio);
}

// autonom.s3m's channel 3 plays a vibrato across notes that repeat their instrument number
// (pattern 15): dropping the number for the panning's sake would carry the vibrato's phase over.
// The slide at row 32 restarts nothing in the source, and plays on without its number.
TEST(ImportConversion, NotesThatRestartAVibratoKeepTheirInstrumentNumber) {
    ModulePtr m(SNDloadModule((SharedDir() / "corpus" / "autonom.s3m").string().c_str()));
    ASSERT_NE(m, nullptr);
    const uint8_t* note = Cell(m.get(), 15, 0, 3);
    EXPECT_NE(note[kCellNote], kNoteNone);
    EXPECT_EQ(note[kCellInstrument], 1); // the source's instrument 2
    const uint8_t* slide = Cell(m.get(), 15, 32, 3);
    EXPECT_NE(slide[kCellNote], kNoteNone);
    EXPECT_EQ(slide[kCellInstrument], kInstrumentNone);
    EXPECT_EQ(slide[kCellVolume], 20);
    EXPECT_EQ(slide[kCellCommand], kCmdTonePorta);
}

// A MOD sample number without a note switches to that sample once the playing loop ends. On a
// short loop at a note not slid since, the cell strikes that note with the new sample; any
// other switch is counted, and a number repeating the playing sample stays as it is.
TEST(ImportConversion, MODSampleNumbersWithoutANoteStrikeTheNewSampleOrAreCounted) {
    MODTestSong song;
    MODTestSample longLoop = Square();
    longLoop.values.resize(2048, 50);
    longLoop.loopStart = 0;
    longLoop.loopLength = 2048;
    song.samples = {Square(), Square(), longLoop};
    song.patterns[0].cells = {
        {0, 0, 428, 1, 0, 0}, {1, 0, 0, 2, 0, 0},   {2, 0, 0, 2, 0, 0}, // switch, then repeat
        {3, 0, 0, 1, 0x1, 2}, {4, 0, 0, 2, 0, 0},                       // with, after a slide
        {0, 1, 428, 1, 0, 0}, {1, 1, 0, 2, 0x3, 4},                     // with a portamento
        {0, 2, 428, 3, 0, 0}, {1, 2, 0, 1, 0, 0},                       // from a long loop
        {1, 3, 0, 2, 0, 0},                                             // before any note
    };
    ModulePtr m = LoadMOD(song);
    ASSERT_NE(m, nullptr);
    const uint8_t struck = Cell(m.get(), 0, 0, 0)[kCellNote];
    EXPECT_EQ(Cell(m.get(), 0, 1, 0)[kCellNote], struck);
    EXPECT_EQ(Cell(m.get(), 0, 1, 0)[kCellInstrument], 1);
    EXPECT_EQ(Cell(m.get(), 0, 2, 0)[kCellNote], kNoteNone);
    EXPECT_EQ(Cell(m.get(), 0, 3, 0)[kCellNote], kNoteNone);
    EXPECT_EQ(Cell(m.get(), 0, 4, 0)[kCellNote], kNoteNone);
    EXPECT_EQ(Cell(m.get(), 0, 1, 1)[kCellNote], kNoteNone);
    EXPECT_EQ(Cell(m.get(), 0, 1, 2)[kCellNote], kNoteNone);
    EXPECT_EQ(Cell(m.get(), 0, 1, 3)[kCellNote], kNoteNone);
    // With and after the slide, by the portamento and from the long loop; nothing plays on the
    // last channel yet.
    EXPECT_EQ(m->lost[kLossSampleSwaps], 4u);
}

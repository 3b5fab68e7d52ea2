// ProTracker stops portamento at periods 113 and 856; a MOD's XM copy must stop there too.
#include "audio_compare.h"
#include "engine/effect_catalogue.h"
#include "engine/render.h"
#include "engine/sndlib.h"
#include "support/mod_builder.h"
#include "support/run_process.h"
#include "support/test_paths.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 22050;

struct ModuleFree {
    void operator()(ModuleRecord* m) const { SNDfreeModule(m); }
};
using ModulePtr = std::unique_ptr<ModuleRecord, ModuleFree>;

MODTestSample Square() {
    MODTestSample s;
    for (int i = 0; i < 32; ++i) s.values.push_back(int8_t(i < 16 ? 90 : -90));
    s.loopLength = 32;
    return s;
}

fs::path Write(const MODTestSong& song, const char* name) {
    const std::vector<uint8_t> bytes = BuildMOD(song);
    const fs::path file = TempDir() / name;
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return file;
}

// Channel 0 slides up past B-3 by 1xx, channel 1 down past C-1 by 2xx, channel 2 up past B-3 by
// fine slides; each stays at its limit for the rest of the pattern.
MODTestSong SlidesPastTheLimits() {
    MODTestSong song;
    song.samples = {Square()};
    MODTestPattern& p = song.patterns[0];
    p.cells.push_back({0, 0, 214, 1, 0x1, 0x08}); // C-3
    p.cells.push_back({0, 1, 640, 1, 0x2, 0x0C}); // F-1
    p.cells.push_back({0, 2, 127, 1, 0xE, 0x13});
    for (int r = 1; r < 48; ++r) {
        p.cells.push_back({r, 0, 0, 0, 0x1, 0x08});
        p.cells.push_back({r, 1, 0, 0, 0x2, 0x0C});
        p.cells.push_back({r, 2, 0, 0, 0xE, 0x13});
    }
    return song;
}

const uint8_t* Cell(ModuleRecord* m, int pattern, int row, int track) {
    if (!PatternIsUnpacked(m->patterns[pattern])) {
        EXPECT_TRUE(PLYRdecompressPattern(m, pattern));
    }
    return m->patterns[pattern]->data + row * RowStride(m->channelCount) + track * kCellSize;
}

} // namespace

// Each sliding channel, alone, against libopenmpt playing the MOD: in our player and in
// libopenmpt once saved as XM.
TEST(ImportPeriodLimits, SlidesStopAtTheLimitsAsInTheOriginal) {
    const fs::path file = Write(SlidesPastTheLimits(), "limits.mod");
    ModulePtr m(SNDloadModule(file.string().c_str()));
    ASSERT_NE(m, nullptr) << SNDgetErrorMessage(SNDgetLastError());
    EXPECT_EQ(m->lost[kLossPeriodLimits], 0u);
    const fs::path copy = TempDir() / "limits.xm";
    const ProcessResult r = RunCli({"--convert", file.string(), "--output", copy.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const size_t frames = size_t(PeerDuration(file) * kRate);
    for (int c = 0; c < 3; ++c) {
        SCOPED_TRACE(c);
        const std::vector<int16_t> original = PeerRenderChannel(file, kRate, c);
        std::vector<int16_t> ours;
        ASSERT_TRUE(RenderModule(m.get(), RenderOptions{kRate, true, c}, ours));
        const SimilarityScores s = CompareRenders(ours, original, kRate, frames);
        const SimilarityScores saved =
            CompareRenders(PeerRenderChannel(copy, kRate, c), original, kRate, frames);
        std::printf("  channel %d: ours %.3f / %.3f, saved %.3f / %.3f\n", c, s.spectral,
                    s.loudness, saved.spectral, saved.loudness);
        EXPECT_GE(s.spectral, 0.97);
        // libopenmpt rounds some XM note periods one unit away from ours, which the limit,
        // reached by slides, carries along.
        EXPECT_GE(saved.spectral, 0.9);
    }
}

// Past the limit a slide moves only as far as the limit; the next slide rows make up what its
// coarser steps could not reach, and the rest do nothing.
TEST(ImportPeriodLimits, TheSlidePassingTheLimitIsShortenedAndLaterOnesGo) {
    MODTestSong song = SlidesPastTheLimits();
    const std::vector<uint8_t> bytes = BuildMOD(song);
    ModulePtr m(SNDloadModuleFromMemory(bytes.data(), bytes.size(), "limits.mod"));
    ASSERT_NE(m, nullptr);
    // 214 - 5 × 8 per row: 134 after two rows, and the third row would pass 113.
    EXPECT_EQ(Cell(m.get(), 0, 1, 0)[kCellCommand], kCmdPortaUp);
    EXPECT_EQ(Cell(m.get(), 0, 1, 0)[kCellParam], 0x08);
    EXPECT_EQ(Cell(m.get(), 0, 2, 0)[kCellCommand], kCmdPortaUp);
    EXPECT_LT(Cell(m.get(), 0, 2, 0)[kCellParam], 0x08);
    EXPECT_GT(Cell(m.get(), 0, 2, 0)[kCellParam], 0x00);
    int sliding = 0;
    for (int r = 6; r < 48; ++r)
        for (int t = 0; t < 3; ++t) sliding += Cell(m.get(), 0, r, t)[kCellCommand] != 0;
    EXPECT_EQ(sliding, 0);
    // A slide that stays within the limits is kept as written.
    song.patterns[0].cells = {{0, 0, 428, 1, 0x1, 0x02}, {1, 0, 0, 0, 0x2, 0x02}};
    const std::vector<uint8_t> within = BuildMOD(song);
    m.reset(SNDloadModuleFromMemory(within.data(), within.size(), "within.mod"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(Cell(m.get(), 0, 0, 0)[kCellCommand], kCmdPortaUp);
    EXPECT_EQ(Cell(m.get(), 0, 0, 0)[kCellParam], 0x02);
    EXPECT_EQ(Cell(m.get(), 0, 1, 0)[kCellCommand], kCmdPortaDown);
    EXPECT_EQ(Cell(m.get(), 0, 1, 0)[kCellParam], 0x02);
}

// A pattern the song reaches once near the limit and once far from it cannot hold both
// rewrites: it is kept as written and counted.
TEST(ImportPeriodLimits, APatternReachedWithDifferentPeriodsIsCounted) {
    MODTestSong song;
    song.samples = {Square()};
    song.orders = {0, 2, 1, 2};
    song.patterns.resize(3);
    song.patterns[0].cells = {{0, 0, 120, 1, 0, 0}};
    song.patterns[1].cells = {{0, 0, 428, 1, 0, 0}};
    song.patterns[2].cells = {{0, 0, 0, 0, 0x1, 0x04}};
    const std::vector<uint8_t> bytes = BuildMOD(song);
    ModulePtr m(SNDloadModuleFromMemory(bytes.data(), bytes.size(), "twice.mod"));
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->lost[kLossPeriodLimits], 1u);
    EXPECT_EQ(Cell(m.get(), 2, 0, 0)[kCellCommand], kCmdPortaUp);
    EXPECT_EQ(Cell(m.get(), 2, 0, 0)[kCellParam], 0x04);
    EXPECT_STREQ(ImportLossName(kLossPeriodLimits), "period_limits");
}

#include "engine/sndlib.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

// A module holding only patterns, enough for the pack and unpack calls.
struct PatternModule {
    ModuleRecord* module;
    explicit PatternModule(int channels) {
        module = static_cast<ModuleRecord*>(PLYRmemAlloc(sizeof(ModuleRecord)));
        module->channelCount = uint8_t(channels);
    }
    ~PatternModule() { SNDfreeModule(module); }
    int Add(PatternRecord* pattern) {
        module->patterns[module->patternCount] = pattern;
        return module->patternCount++;
    }
    uint8_t* Cell(int pattern, int row, int track) {
        PatternRecord* p = module->patterns[pattern];
        return p->data + row * RowStride(module->channelCount) + track * kCellSize;
    }
};

} // namespace

TEST(PatternPack, EmptySixtyFourRowBlockIsSeventyThreeBytesAndUnpacksEmpty) {
    PatternModule m(4);
    PatternRecord* empty = PLYRnewEmptyPattern(64);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->word0, 73u);
    const int p = m.Add(empty);
    ASSERT_TRUE(PLYRdecompressPattern(m.module, p));
    EXPECT_TRUE(PatternIsUnpacked(m.module->patterns[p]));
    EXPECT_EQ(m.module->patterns[p]->rowCount, 64);
    const uint8_t expected[6] = {0, kNoteNone, kInstrumentNone, kVolumeNone, 0, 0};
    for (int r = 0; r < kMaxRows; ++r)
        for (int t = 0; t < 4; ++t) ASSERT_EQ(std::memcmp(m.Cell(p, r, t), expected, 6), 0);
    // Packing it again gives the same 73 bytes.
    ASSERT_TRUE(PLYRcompressPattern(m.module, p));
    EXPECT_EQ(m.module->patterns[p]->word0, 73u);
}

TEST(PatternPack, RoundTripKeepsEveryCellByteAndDropsTracksBeyondTheChannelCount) {
    PatternModule m(8);
    const int p = m.Add(PLYRnewEmptyPattern(10));
    ASSERT_TRUE(PLYRdecompressPattern(m.module, p));
    const uint8_t a[6] = {7, 0x41, 3, 64, 11, 0xF0};
    const uint8_t b[6] = {0, kNoteKeyOff, kInstrumentNone, kVolumeNone, 0, 0};
    std::memcpy(m.Cell(p, 0, 0), a, 6);
    std::memcpy(m.Cell(p, 9, 7), b, 6);
    std::memcpy(m.Cell(p, 5, 3), a, 6);
    ASSERT_TRUE(PLYRcompressPattern(m.module, p));
    ASSERT_TRUE(PLYRdecompressPattern(m.module, p));
    EXPECT_EQ(std::memcmp(m.Cell(p, 0, 0), a, 6), 0);
    EXPECT_EQ(std::memcmp(m.Cell(p, 9, 7), b, 6), 0);
    EXPECT_EQ(std::memcmp(m.Cell(p, 5, 3), a, 6), 0);

    ASSERT_TRUE(PLYRcompressPattern(m.module, p));
    m.module->channelCount = 4;
    ASSERT_TRUE(PLYRdecompressPattern(m.module, p));
    EXPECT_EQ(std::memcmp(m.Cell(p, 0, 0), a, 6), 0);
    EXPECT_EQ(std::memcmp(m.Cell(p, 5, 3), a, 6), 0);
}

TEST(PatternPack, TruncatedPackedDataIsRefusedAndLeavesThePatternPacked) {
    PatternModule m(4);
    PatternRecord* broken = PLYRnewEmptyPattern(64);
    broken->data[3] = 2; // an entry for track 2 whose mask byte runs past the end of the block
    broken->word0 = uint32_t(kPatternHeaderSize + 4);
    const int p = m.Add(broken);
    EXPECT_FALSE(PLYRdecompressPattern(m.module, p));
    EXPECT_EQ(SNDgetLastError(), kSndErrCorrupt);
    EXPECT_EQ(m.module->patterns[p], broken);
}

// The range edits on real sample records: what each new block holds, where the loop goes, and
// the format conversions of a pasted clip; and which targets the property controls write.
#include "edit/inst_targets.h"
#include "edit/sample_range.h"
#include "engine/sndlib.h"
#include "model/instrument.h"
#include "model/song.h"
#include "support/test_paths.h"
#include "support/xm_builder.h"

#include <fstream>
#include <gtest/gtest.h>
#include <memory>

namespace {

class SampleRangeTest : public testing::Test {
protected:
    void SetUp() override {
        XMTestSong xm;
        XMTestInstrument inst;
        XMTestSample eight;
        eight.values = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90};
        eight.loopType = 1;
        eight.loopStart = 4;
        eight.loopLength = 4; // frames 4..7
        XMTestSample sixteen;
        sixteen.is16 = true;
        sixteen.values = {1000, -2000, 3000, -4000};
        inst.samples = {eight, sixteen};
        xm.instruments = {inst};
        const auto file = TempDir() / "range.xm";
        const std::vector<uint8_t> bytes = BuildXM(xm);
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        song = std::make_unique<TSong>(file.string());
    }

    TSample& Sample(int s) const { return *song->Instruments(0)->Samples(s); }
    // The frames of a prepared block, read through a sample that takes it over.
    std::vector<int> Install(int s, TSampleData data) {
        EXPECT_NE(data.block, nullptr);
        Sample(s).InstallData(data);
        std::vector<int> frames;
        for (int i = 0; i < Sample(s).Length(); ++i) frames.push_back(Sample(s).Values(i));
        return frames;
    }

    std::unique_ptr<TSong> song;
};

TEST_F(SampleRangeTest, PastingReplacesTheRangeConvertsTheFormatAndMovesTheLoop) {
    const TSampleClip clip = CopyFrames(Sample(1), 1, 3);
    EXPECT_EQ(clip.frames, (std::vector<int>{-2000, 3000}));
    EXPECT_EQ(clip.bits, 16);
    // Into the 8-bit sample, before the loop: the loop moves by the two frames.
    EXPECT_EQ(Install(0, WithFramesAt(Sample(0), 2, 2, clip)),
              (std::vector<int>{0, 10, -7, 11, 20, 30, 40, 50, 60, 70, 80, 90}));
    EXPECT_EQ(Sample(0).LoopStart(), 6);
    EXPECT_EQ(Sample(0).LoopEnd(), 10);
    // Over a range: frames 0..3 of the 16-bit sample become an 8-bit clip, scaled up.
    const TSampleClip small = CopyFrames(Sample(0), 1, 2);
    EXPECT_EQ(Install(1, WithFramesAt(Sample(1), 0, 3, small)), (std::vector<int>{2560, -4000}));
    EXPECT_EQ(WithFramesAt(Sample(1), 0, 0, TSampleClip{}).block, nullptr);
}

TEST_F(SampleRangeTest, CropKeepsTheLoopInsideWhatStays) {
    EXPECT_EQ(Install(0, OnlyFrames(Sample(0), 6, 2)), (std::vector<int>{20, 30, 40, 50}));
    EXPECT_EQ(Sample(0).LoopStart(), 2);
    EXPECT_EQ(Sample(0).LoopEnd(), 4);
    EXPECT_EQ(OnlyFrames(Sample(0), 0, Sample(0).Length()).block, nullptr) << "all of it";
}

TEST_F(SampleRangeTest, NormalizeReachesFullScaleInTheRangeOnly) {
    EXPECT_EQ(Install(1, Normalized(Sample(1), 0, 2)),
              (std::vector<int>{16384, -32767, 3000, -4000}));
    // No range: the whole sample.
    const std::vector<int> whole = Install(0, Normalized(Sample(0), 0, 0));
    EXPECT_EQ(whole[1], 14);
    EXPECT_EQ(whole.back(), 127);
    EXPECT_EQ(Normalized(Sample(0), 0, 0).block, nullptr) << "at full scale already";
}

TEST_F(SampleRangeTest, TheCrossfadeEndsTheLoopOnTheFrameBeforeItsStart) {
    // Loop 4..7 (end 8): the last two loop frames blend into frames 2 and 3.
    const std::vector<int> faded = Install(0, CrossfadedLoop(Sample(0), 2));
    EXPECT_EQ(faded, (std::vector<int>{0, 10, 20, 30, 40, 50, 40, 30, 80, 90}));
    EXPECT_EQ(Sample(0).LoopStart(), 4);
    EXPECT_EQ(Sample(0).LoopEnd(), 8);
    EXPECT_EQ(CrossfadedLoop(Sample(1), 2).block, nullptr) << "no loop";
}

TEST(InstTargets, TheSelectionDecidesWhatAPropertyWrites) {
    const std::vector<int> counts = {2, 3, 1};
    TListSelection one{{1}, {2}, 1, 2};
    EXPECT_EQ(SampleTargets(one, counts), (std::vector<std::pair<int, int>>{{1, 2}}));
    EXPECT_EQ(InstrumentTargets(one), std::vector<int>{1});
    TListSelection samples{{1}, {0, 2}, 1, -1};
    EXPECT_EQ(SampleTargets(samples, counts), (std::vector<std::pair<int, int>>{{1, 0}, {1, 2}}));
    TListSelection two{{0, 2}, {}, -1, -1};
    EXPECT_EQ(SampleTargets(two, counts),
              (std::vector<std::pair<int, int>>{{0, 0}, {0, 1}, {2, 0}}));
    EXPECT_EQ(InstrumentTargets(two), (std::vector<int>{0, 2}));
    EXPECT_TRUE(SampleTargets(TListSelection{}, counts).empty());
    EXPECT_TRUE(IsInstrumentFile("/a/Piano.XI"));
    EXPECT_TRUE(IsSampleFile("kick.WAV"));
    EXPECT_FALSE(IsInstrumentFile("song.xm"));
    EXPECT_FALSE(IsSampleFile("noextension"));
}

} // namespace

#include "edit/peak_summary.h"
#include "engine/records.h"
#include "model/sample.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <random>

namespace {

// A block of random frames in the stored format.
std::vector<uint8_t> RandomBlock(int64_t frames, int bits, std::mt19937& rng) {
    std::vector<uint8_t> block(size_t(frames * bits / 8));
    std::uniform_int_distribution<int> byte(0, 255);
    for (uint8_t& b : block) b = uint8_t(byte(rng));
    return block;
}

TPeak DirectScan(const TSampleFrames& f, int64_t first, int64_t end) {
    TPeak p{INT_MAX, INT_MIN, 0, 0};
    for (int64_t i = std::max<int64_t>(0, first); i < std::min(end, f.frames); ++i) {
        const int v = f.Value(i);
        p.min = std::min(p.min, v);
        p.max = std::max(p.max, v);
        p.sum += v;
        ++p.count;
    }
    return p;
}

// The columns as the design reads them, one frame at a time.
std::vector<TWaveColumn> DirectColumns(const TSampleFrames& f, const TSampleView& v, int width,
                                       bool averaging) {
    std::vector<TWaveColumn> out;
    const int64_t z = v.viewZoom, first = int64_t(v.viewStart) * z;
    const int64_t end = (int64_t(v.viewStart) + width) * z;
    const int64_t last = end < f.frames ? end : f.frames - 1;
    const int64_t n = std::max<int64_t>(1, std::min(z, last - first));
    int64_t p = first;
    while (p <= last) {
        TWaveColumn c{f.Value(p), f.Value(p), double(f.Value(p))};
        int64_t sum = 0;
        do {
            const int x = f.Value(p);
            c.min = std::min(c.min, x);
            c.max = std::max(c.max, x);
            sum += x;
            ++p;
        } while (p <= last && p % z != 0);
        if (averaging) c.value = double(sum) / double(n);
        out.push_back(c);
    }
    return out;
}

TEST(PeakSummary, RangesMatchADirectScanOnRandomData) {
    std::mt19937 rng(1234);
    for (int bits : {8, 16}) {
        for (int64_t frames : {int64_t(1), int64_t(63), int64_t(1000), int64_t(300'001)}) {
            const auto block = RandomBlock(frames, bits, rng);
            const TSampleFrames f{block.data(), frames, bits};
            const TPeakSummary summary(f);
            if (frames > 100'000) {
                EXPECT_GE(summary.LevelCount(), 3);
            }
            std::uniform_int_distribution<int64_t> pos(0, frames);
            for (int i = 0; i < 120; ++i) {
                int64_t a = pos(rng), b = pos(rng);
                if (a > b) std::swap(a, b);
                const TPeak got = summary.Range(f, a, b + 1);
                const TPeak want = DirectScan(f, a, b + 1);
                ASSERT_EQ(got.count, want.count) << bits << " " << a << ".." << b;
                ASSERT_EQ(got.sum, want.sum) << bits << " " << a << ".." << b;
                if (want.count == 0) continue;
                ASSERT_EQ(got.min, want.min) << bits << " " << a << ".." << b;
                ASSERT_EQ(got.max, want.max) << bits << " " << a << ".." << b;
            }
        }
    }
}

TEST(PeakSummary, ColumnsAtAnyZoomMatchTheFrameByFrameReading) {
    std::mt19937 rng(99);
    const int64_t frames = 200'003;
    for (int bits : {8, 16}) {
        const auto block = RandomBlock(frames, bits, rng);
        const TSampleFrames f{block.data(), frames, bits};
        const TPeakSummary summary(f);
        for (int zoom : {1, 3, 64, 700, 5000}) {
            const int width = 317;
            std::uniform_int_distribution<int> start(0, int(frames / zoom));
            for (bool averaging : {false, true}) {
                const TSampleView view{start(rng), 0, 0, zoom};
                const auto got = WaveColumns(summary, f, view, width, averaging);
                const auto want = DirectColumns(f, view, width, averaging);
                ASSERT_EQ(got.size(), want.size()) << zoom;
                for (size_t c = 0; c < got.size(); ++c) {
                    ASSERT_EQ(got[c].min, want[c].min) << zoom << " column " << c;
                    ASSERT_EQ(got[c].max, want[c].max) << zoom << " column " << c;
                    ASSERT_DOUBLE_EQ(got[c].value, want[c].value) << zoom << " column " << c;
                }
            }
        }
    }
}

TEST(PeakSummary, AnotherBlockIsReadDirectlyNotFromAStaleSummary) {
    std::vector<uint8_t> block(4096, 128);
    const TSampleFrames f{block.data(), 4096, 8};
    const TPeakSummary summary(f);
    std::vector<uint8_t> loud(4096, 228);
    const TSampleFrames g{loud.data(), 4096, 8};
    EXPECT_TRUE(summary.Matches(f));
    EXPECT_FALSE(summary.Matches(g));
    EXPECT_EQ(summary.Range(g, 0, 4096).max, 100);
    EXPECT_EQ(summary.Range(f, 0, 4096).max, 0);
    EXPECT_EQ(summary.Range(f, 5000, 6000).count, 0);
    EXPECT_TRUE(WaveColumns(summary, TSampleFrames{}, {}, 100, false).empty());
}

TEST(PeakSummary, ASampleIsReadThroughItsRecord) {
    int16_t data[3] = {-5, 300, 7};
    SampleRecord record{};
    record.data = reinterpret_cast<uint8_t*>(data);
    record.length = 6;
    record.format = kSampleFormat16;
    record.loopType = kLoopPingPong;
    record.loopStart = 1;
    record.loopEnd = 3;
    TSample sample(nullptr, 0, &record);
    const TSampleFrames f = FramesOf(sample);
    EXPECT_EQ(f.frames, 3);
    EXPECT_EQ(f.Value(1), 300);
    const TPeak peak = TPeakSummary(f).Range(f, 0, 3);
    EXPECT_EQ(peak.min, -5);
    EXPECT_EQ(peak.max, 300);
    const TSampleFacts facts = FactsOf(sample);
    EXPECT_EQ(facts.length, 3);
    EXPECT_TRUE(facts.looped);
    EXPECT_EQ(facts.loop, (TLoopPoints{1, 3}));
    StoreView(sample, {7, 1, 2, 0});
    EXPECT_EQ(ViewOf(sample), (TSampleView{7, 1, 2, 1})); // zoom is never below 1
    record.data = nullptr;
    EXPECT_EQ(FramesOf(sample).frames, 0);
}

TEST(PeakSummary, FramesAreReadInTheirStoredFormat) {
    uint8_t raw[4] = {0x00, 0x80, 0xFF, 0x7F};
    EXPECT_EQ((TSampleFrames{raw, 2, 16}.Value(0)), -32768);
    EXPECT_EQ((TSampleFrames{raw, 2, 16}.Value(1)), 32767);
    EXPECT_EQ((TSampleFrames{raw, 4, 8}.Value(1)), 0);
    EXPECT_EQ((TSampleFrames{raw, 4, 8}.Value(2)), 127);
}

} // namespace

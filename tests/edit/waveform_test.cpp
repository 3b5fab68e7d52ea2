#include "edit/waveform.h"

#include <gtest/gtest.h>

namespace {

using Lines = std::vector<TWaveLine>;

TEST(Waveform, FramesArePlacedAroundTheCentreLine) {
    EXPECT_EQ(WaveY(0, 101, 8), 50); // an 8-bit frame stored as 128
    EXPECT_GT(WaveY(1, 256, 8), 128);
    EXPECT_LT(WaveY(-1, 256, 8), 128);
    EXPECT_EQ(WaveY(-32768, 200, 16), 0);
    EXPECT_EQ(HalfAmplitudeOffset(200, 16), 50);
    EXPECT_EQ(HalfAmplitudeOffset(101, 8), 25); // Round(25.25)
}

TEST(Waveform, PeakColumnsJoinTheirNeighboursAndSolidOnesReachTheCentre) {
    // Height 256 over 8 bits: one pixel per value, centre at 128.
    const std::vector<TWaveColumn> cols{{-10, -5, 0}, {20, 30, 0}, {-40, 40, 0}, {0, 0, 0}};
    EXPECT_EQ(WaveLines(cols, 256, 8, dmRelative, false),
              (Lines{{0, 118, 0, 123}, {1, 123, 1, 158}, {2, 88, 2, 168}, {3, 128, 3, 128}}));
    EXPECT_EQ(WaveLines(cols, 256, 8, dmDots, false), WaveLines(cols, 256, 8, dmRelative, false));
    EXPECT_EQ(WaveLines(cols, 256, 8, dmSolid, false),
              (Lines{{0, 118, 0, 128}, {1, 128, 1, 158}, {2, 88, 2, 168}, {3, 128, 3, 128}}));
}

TEST(Waveform, AveragesAreJoinedOrDrawnFromTheCentre) {
    const std::vector<TWaveColumn> cols{{0, 0, -10.4}, {0, 0, 20.6}, {0, 0, 2.5}};
    EXPECT_EQ(WaveLines(cols, 256, 8, dmRelative, true),
              (Lines{{0, 118, 1, 149}, {1, 149, 2, 130}}));
    EXPECT_EQ(WaveLines(cols, 256, 8, dmSolid, true),
              (Lines{{0, 128, 0, 118}, {1, 128, 1, 149}, {2, 128, 2, 130}}));
    EXPECT_TRUE(WaveLines({}, 256, 8, dmSolid, true).empty());
}

} // namespace

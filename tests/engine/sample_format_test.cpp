// The four output modes: 16-bit and 8-bit, stereo and mono, with clipping.
#include "engine/output/sample_format.h"

#include <cstring>
#include <gtest/gtest.h>
#include <vector>

namespace {

OutputFormat Format(bool stereo, bool sixteenBit) {
    OutputFormat format;
    format.stereo = stereo;
    format.sixteenBit = sixteenBit;
    return format;
}

const std::vector<float> kFrames = {0.0f, 0.0f, 0.5f, -0.5f, 2.0f, -2.0f, 1.0f, 0.0f};

} // namespace

TEST(SampleFormat, SixteenBitStereoAndMonoAreSignedLittleEndianAndClipped) {
    std::vector<uint8_t> out(16);
    ConvertFrames(kFrames.data(), 4, Format(true, true), out.data());
    int16_t s[8];
    std::memcpy(s, out.data(), 16);
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(s[2], 16384);
    EXPECT_EQ(s[3], -16384);
    EXPECT_EQ(s[4], 32767);
    EXPECT_EQ(s[5], -32767);

    ConvertFrames(kFrames.data(), 4, Format(false, true), out.data());
    std::memcpy(s, out.data(), 8);
    EXPECT_EQ(s[1], 0);     // 0.5 and -0.5 average out
    EXPECT_EQ(s[2], 0);     // clipped both ways first
    EXPECT_EQ(s[3], 16384); // one side full, the other silent
}

TEST(SampleFormat, EightBitStereoAndMonoAreUnsignedAroundTheMiddle) {
    std::vector<uint8_t> out(8);
    ConvertFrames(kFrames.data(), 4, Format(true, false), out.data());
    EXPECT_EQ(out[0], 128);
    EXPECT_EQ(out[2], 192);
    EXPECT_EQ(out[3], 64);
    EXPECT_EQ(out[4], 255);
    EXPECT_EQ(out[5], 1);
    ConvertFrames(kFrames.data(), 4, Format(false, false), out.data());
    EXPECT_EQ(out[0], 128);
    EXPECT_EQ(out[1], 128);
    EXPECT_EQ(out[3], 192);
}

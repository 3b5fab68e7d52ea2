// The voice mixer on hand-made samples: interpolation modes, loop kinds, and loops that the
// editor has set past the end of the data.
#include "engine/mixer/voice.h"
#include "engine/sndlib.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <vector>

namespace {

// An 8-bit sample whose frames are the given signed values.
struct HandSample {
    SampleRecord* record = SNDallocSample();
    explicit HandSample(const std::vector<int>& values) {
        record->data = static_cast<uint8_t*>(PLYRmemAlloc(values.size()));
        for (size_t i = 0; i < values.size(); ++i) record->data[i] = uint8_t(values[i] + 128);
        record->length = int32_t(values.size());
    }
    ~HandSample() { SNDfreeSample(record); }
};

// Mixes `frames` frames at `step` frames per output frame; answers the left channel in sample
// units (the voice's gain is one).
std::vector<float> Mix(Voice& voice, const SampleRecord* sample, int frames, double step,
                       bool interpolate) {
    voice.step = uint64_t(step * 4294967296.0);
    voice.SetGain(1.0f, 1.0f);
    std::vector<float> out(size_t(frames) * 2, 0.0f);
    MixVoice(voice, SampleView::Of(sample), out.data(), frames, interpolate);
    std::vector<float> left;
    for (int i = 0; i < frames; ++i) left.push_back(out[size_t(i) * 2] * 128.0f);
    return left;
}

} // namespace

TEST(VoiceMixer, NearestRepeatsFramesAndLinearInterpolatesBetweenThem) {
    HandSample s({0, 64, -64, 0});
    Voice nearest, linear;
    nearest.Start(1, 0, 0);
    linear.Start(1, 0, 0);
    EXPECT_EQ(Mix(nearest, s.record, 6, 0.5, false), (std::vector<float>{0, 0, 64, 64, -64, -64}));
    EXPECT_EQ(Mix(linear, s.record, 6, 0.5, true), (std::vector<float>{0, 32, 64, 0, -64, -32}));
    // The unlooped sample has ended: the voice stops and adds nothing more.
    EXPECT_EQ(Mix(nearest, s.record, 4, 0.5, false), (std::vector<float>{0, 0, 0, 0}));
    EXPECT_FALSE(nearest.active);
}

TEST(VoiceMixer, ForwardAndPingPongLoopsRepeatTheirFrames) {
    HandSample s({10, 20, 30, 40});
    s.record->loopType = kLoopForward;
    s.record->loopStart = 1;
    s.record->loopEnd = 4;
    Voice v;
    v.Start(1, 0, 0);
    EXPECT_EQ(Mix(v, s.record, 9, 1.0, false),
              (std::vector<float>{10, 20, 30, 40, 20, 30, 40, 20, 30}));

    s.record->loopType = kLoopPingPong;
    s.record->loopStart = 0;
    Voice p;
    p.Start(1, 0, 0);
    // The turn at the end mirrors about the end itself and reads the last frame there too; the
    // turn at the start mirrors about the first frame.
    EXPECT_EQ(Mix(p, s.record, 10, 1.0, false),
              (std::vector<float>{10, 20, 30, 40, 40, 40, 30, 20, 10, 20}));
    EXPECT_TRUE(p.active);
}

TEST(VoiceMixer, LoopsPastTheEndAndShrunkenSamplesStayInsideTheData) {
    HandSample s({1, 2, 3, 4, 5, 6, 7, 8});
    s.record->loopType = kLoopPingPong;
    s.record->loopStart = 6;
    s.record->loopEnd = 5000; // the editor may leave a loop beyond the data
    Voice v;
    v.Start(1, 0, 0);
    const std::vector<float> out = Mix(v, s.record, 2000, 3.7, true);
    for (float x : out) ASSERT_TRUE(x >= 0 && x <= 8) << x;
    EXPECT_TRUE(v.active);

    // Steps far longer than the loop wrap inside it.
    s.record->loopType = kLoopForward;
    Voice fast;
    fast.Start(1, 0, 0);
    for (float x : Mix(fast, s.record, 1000, 7.3, true)) ASSERT_TRUE(x >= 1 && x <= 8) << x;
    s.record->loopEnd = 8;

    // The data shrinks under a playing voice: it restarts the loop instead of reading beyond.
    s.record->length = 7;
    s.record->loopType = kLoopForward;
    s.record->loopStart = 2;
    s.record->loopEnd = 7;
    v.position = int64_t(100) << 32;
    for (float x : Mix(v, s.record, 50, 1.0, true)) ASSERT_TRUE(x >= 3 && x <= 7) << x;

    // Nothing to play (no data, or a 16-bit sample of one byte) ends the voice.
    s.record->format = kSampleFormat16;
    s.record->length = 1;
    Mix(v, s.record, 10, 1.0, true);
    EXPECT_FALSE(v.active);
}

TEST(VoiceMixer, GainRampsLinearlyToItsTarget) {
    HandSample s(std::vector<int>(64, 64));
    s.record->loopType = kLoopForward;
    s.record->loopEnd = 64;
    Voice v;
    v.Start(1, 0, 0);
    v.step = uint64_t(1) << 32;
    v.SetTarget(1.0f, 1.0f, 4);
    std::vector<float> out(16, 0.0f);
    MixVoice(v, SampleView::Of(s.record), out.data(), 8, false);
    EXPECT_FLOAT_EQ(out[0], 0.0f);
    EXPECT_FLOAT_EQ(out[2], 0.125f);
    EXPECT_FLOAT_EQ(out[4], 0.25f);
    EXPECT_FLOAT_EQ(out[8], 0.5f);
    EXPECT_FLOAT_EQ(out[14], 0.5f);
}

TEST(VoiceMixer, APreviewOfPartOfASampleStopsAtItsEndAndIgnoresTheLoop) {
    HandSample s({10, 20, 30, 40, 50, 60});
    s.record->loopType = kLoopForward;
    s.record->loopStart = 0;
    s.record->loopEnd = 6;
    Voice v;
    v.Start(1, 0, 2);
    v.endFrame = 4;
    const auto mix = [&](int frames) {
        v.step = uint64_t(4294967296.0);
        v.SetGain(1.0f, 1.0f);
        std::vector<float> out(size_t(frames) * 2, 0.0f);
        MixVoice(v, v.Bounded(SampleView::Of(s.record)), out.data(), frames, false);
        std::vector<float> left;
        for (int i = 0; i < frames; ++i) left.push_back(out[size_t(i) * 2] * 128.0f);
        return left;
    };
    const std::vector<float> ended = mix(4);
    EXPECT_EQ(ended[0], 30);
    EXPECT_EQ(ended[1], 40);
    // Past the range only the last level fades out; the frames after it never sound.
    EXPECT_LE(ended[2], 40);
    EXPECT_LT(ended[3], ended[2]);
    EXPECT_FALSE(v.active) << "the range ran out; the loop does not bring it back";

    // A new start plays the whole sample and its loop again.
    v.Start(1, 0, 4);
    EXPECT_EQ(v.endFrame, -1);
    EXPECT_EQ(mix(4), (std::vector<float>{50, 60, 10, 20}));
    // An end beyond the data changes nothing.
    v.endFrame = 100;
    EXPECT_EQ(v.Bounded(SampleView::Of(s.record)).loopType, kLoopForward);
}

namespace {

// A sample of `frames` frames of a rough, full-range wave, 8 or 16 bits.
SampleRecord* RoughSample(int frames, bool is16) {
    SampleRecord* record = SNDallocSample();
    const int bytes = frames * (is16 ? 2 : 1);
    record->data = static_cast<uint8_t*>(PLYRmemAlloc(size_t(bytes)));
    uint32_t seed = 12345;
    for (int i = 0; i < bytes; ++i) {
        seed = seed * 1103515245u + 12345u;
        record->data[i] = uint8_t(seed >> 16);
    }
    record->length = bytes;
    record->format = is16 ? kSampleFormat16 : kSampleFormat8;
    return record;
}

// Mixes `frames` frames in calls of `perCall` frames as the player does (the fading level of an
// ended sample goes on in later calls), with a gain ramp starting part way.
std::vector<float> MixInCalls(const SampleRecord* sample, double step, bool interpolate, int frames,
                              int perCall) {
    Voice v;
    v.Start(1, 0, 3);
    v.step = uint64_t(step * 4294967296.0);
    v.SetGain(0.7f, 0.3f);
    std::vector<float> out(size_t(frames) * 2, 0.01f);
    for (int done = 0; done < frames;) {
        if (done == 37) v.SetTarget(0.2f, 0.9f, 101);
        const int n = std::min({perCall, frames - done, done < 37 ? 37 - done : frames});
        MixTail(v, out.data() + 2 * done, n);
        if (v.active) MixVoice(v, SampleView::Of(sample), out.data() + 2 * done, n, interpolate);
        done += n;
    }
    return out;
}

} // namespace

// Long calls take the four-at-a-time runs; single frames take the one-frame path. Both must
// give the same output to the last bit, for every sample width, loop kind and pitch, forward
// and back through a ping-pong loop, at steady gain and on a ramp.
TEST(VoiceMixer, LongCallsMixBitForBitAsSingleFramesDo) {
    for (const bool is16 : {false, true}) {
        for (const uint8_t loop : {kLoopNone, kLoopForward, kLoopPingPong}) {
            SampleRecord* sample = RoughSample(301, is16);
            sample->loopType = loop;
            sample->loopStart = 41;
            sample->loopEnd = 263;
            for (const double step : {0.0, 0.19, 1.0, 1.37, 2.93, 9.6}) {
                for (const bool interpolate : {false, true}) {
                    const std::vector<float> block =
                        MixInCalls(sample, step, interpolate, 1500, 1500);
                    const std::vector<float> single =
                        MixInCalls(sample, step, interpolate, 1500, 1);
                    ASSERT_EQ(block, single) << "16-bit " << is16 << " loop " << int(loop)
                                             << " step " << step << " interpolate " << interpolate;
                }
            }
            SNDfreeSample(sample);
        }
    }
}

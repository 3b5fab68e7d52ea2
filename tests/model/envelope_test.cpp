#include "engine/sndlib.h"
#include "model/envelope.h"
#include "model/errors.h"

#include <gtest/gtest.h>

namespace {

struct EnvelopeFixture : testing::Test {
    EnvelopeRecord* record = SNDallocEnvelope();
    ~EnvelopeFixture() override { PLYRmemFree(record); }

    // An envelope of n points at ticks 0, 10, 20, ... with values 64, 63, ...
    TEnvelope With(int n) {
        record->pointCount = uint8_t(n);
        for (int i = 0; i < n; ++i) record->points[i] = {uint16_t(i * 10), int16_t(64 - i)};
        return TEnvelope(record);
    }
};

} // namespace

TEST_F(EnvelopeFixture, SwitchingOffAndOnKeepsTheUsersSettings) {
    TEnvelope env = With(5);
    env.SetEnabled(false);
    EXPECT_EQ(env.PointCount(), 0);
    EXPECT_FALSE(env.Enabled());
    env.SetEnabled(true);
    EXPECT_EQ(env.PointCount(), 5);

    // The loop is off: setting its start only keeps the value.
    ASSERT_FALSE(env.LoopEnabled());
    env.SetLoopStart(3);
    env.SetLoopEnd(4);
    EXPECT_EQ(record->loopStart, kEnvelopeNone);
    EXPECT_EQ(env.LoopStart(), 3);
    env.SetLoopEnabled(true);
    EXPECT_EQ(record->loopStart, 3);
    EXPECT_EQ(record->loopEnd, 4);
    env.SetLoopEnabled(false);
    EXPECT_EQ(record->loopEnd, kEnvelopeNone);
    EXPECT_EQ(env.LoopEnd(), 4);

    env.SetSustainPoint(2);
    EXPECT_FALSE(env.SustainEnabled());
    env.SetSustainEnabled(true);
    EXPECT_EQ(record->sustainPoint, 2);
    env.SetSustainPoint(1); // on: goes to the record as well
    EXPECT_EQ(record->sustainPoint, 1);
}

TEST_F(EnvelopeFixture, KeptValuesComeFromTheRecordOrFromItsLiveFields) {
    record->sustainPoint = 4;
    record->savedLoopStart = 2; // a loader kept a switched-off loop
    record->savedLoopEnd = 3;
    TEnvelope env = With(6);
    EXPECT_EQ(env.SustainPoint(), 4);
    EXPECT_EQ(env.LoopStart(), 2);
    env.SetLoopEnabled(true);
    EXPECT_EQ(record->loopEnd, 3);
}

TEST_F(EnvelopeFixture, InsertPointRulesAndErrors) {
    TEnvelope env = With(3);
    env.InsertPoint(0, 50, 7); // a first point always sits at tick 0
    EXPECT_EQ(env.PointCount(), 4);
    EXPECT_EQ(env.PointTick(0), 0);
    EXPECT_EQ(env.PointValue(0), 7);
    EXPECT_EQ(env.PointTick(1), 0);

    TEnvelope env2 = With(3);
    try {
        env2.InsertPoint(2, 10, 0); // same tick as point 1
        FAIL();
    } catch (const EEnvelopeError& e) {
        EXPECT_STREQ(e.what(), "A point cannot be inserted at this tick.");
    }
    EXPECT_THROW(env2.InsertPoint(2, 20, 0), EEnvelopeError); // same tick as the point at 2
    EXPECT_EQ(env2.PointCount(), 3);
    env2.InsertPoint(2, 15, 9);
    EXPECT_EQ(env2.PointTick(2), 15);
    EXPECT_EQ(env2.PointTick(3), 20);

    TEnvelope full = With(12);
    try {
        full.InsertPoint(12, 500, 0);
        FAIL();
    } catch (const EEnvelopeError& e) {
        EXPECT_STREQ(e.what(), "Envelopes have a maximum of 12 points.");
    }
    EXPECT_EQ(full.PointCount(), 12);
    EXPECT_THROW(full.InsertPoint(13, 600, 0), EAssertionFailed);
}

TEST_F(EnvelopeFixture, DeletingTheOnlyPointSwitchesTheEnvelopeOff) {
    TEnvelope env = With(3);
    env.DeletePoint(1);
    EXPECT_EQ(env.PointCount(), 2);
    EXPECT_EQ(env.PointTick(1), 20);
    TEnvelope single = With(1);
    single.DeletePoint(0);
    EXPECT_EQ(single.PointCount(), 0);
    EXPECT_FALSE(single.Enabled());
    EXPECT_THROW(single.DeletePoint(0), EAssertionFailed);
    EXPECT_THROW(single.SetPointCount(13), EAssertionFailed);
}

#include "edit/envelope_box.h"
#include "engine/records.h"
#include "model/envelope.h"

#include <gtest/gtest.h>

namespace {

TEnvelopePoints Points(std::vector<TEnvelopePoint> points, int sustain = 0, int loopStart = 0,
                       int loopEnd = 0) {
    return {std::move(points), sustain, loopStart, loopEnd};
}

TEST(EnvelopeGeometry, MapsValuesToTheHeightAndBack) {
    const TEnvelopeGeometry g(300, 115);
    EXPECT_EQ(g.ValueToY(64), 0);
    EXPECT_EQ(g.ValueToY(0), 115);
    EXPECT_EQ(g.ValueToY(32), 115 - 57); // 32 * 115 = 3680, div 64 = 57
    EXPECT_EQ(g.YToValue(0), 64);
    EXPECT_EQ(g.YToValue(115), 0);
    EXPECT_EQ(g.YToValue(57), 32);
    EXPECT_EQ(g.YToValue(114), 0); // truncated, not rounded
    EXPECT_EQ(g.YToValue(2), 62);
    EXPECT_EQ(g.HoverValue(2), 63);
    EXPECT_EQ(g.HoverValue(57), 32);
}

TEST(EnvelopeGeometry, GrabsWithinFivePixelsAndPrefersTheLowerIndexOnATie) {
    const TEnvelopeGeometry g(300, 128);
    const auto env = Points({{0, 64}, {20, 32}, {30, 32}});
    // Point 1 is at (20, 64).
    EXPECT_EQ(g.PointAt(env, 23, 68), 1);   // distance exactly 5
    EXPECT_EQ(g.PointAt(env, 25, 64), 1);   // 5 straight right, tie with point 2 at 5
    EXPECT_EQ(g.PointAt(env, 25.1, 64), 2); // now nearer to point 2
    EXPECT_EQ(g.PointAt(env, 14.9, 64), -1);
    EXPECT_EQ(g.PointAt(env, 20, 69.1), -1);
    EXPECT_EQ(g.PointAt(Points({}), 0, 0), -1);
    EXPECT_EQ(TEnvelopeGeometry::PointBefore(env, 19), 0);
    EXPECT_EQ(TEnvelopeGeometry::PointBefore(env, 20), 1);
    EXPECT_EQ(TEnvelopeGeometry::PointBefore(env, -1), -1);
}

TEST(EnvelopeGeometry, DragLimitsKeepPointsBetweenTheirNeighbours) {
    const TEnvelopeGeometry g(200, 64);
    const auto env = Points({{0, 10}, {40, 20}, {90, 30}});
    EXPECT_EQ(g.DragLimits(env, 0).minX, 0);
    EXPECT_EQ(g.DragLimits(env, 0).maxX, 0);
    EXPECT_EQ(g.DragLimits(env, 1).minX, 1);
    EXPECT_EQ(g.DragLimits(env, 1).maxX, 89);
    EXPECT_EQ(g.DragLimits(env, 2).minX, 41);
    EXPECT_EQ(g.DragLimits(env, 2).maxX, 200);
}

TEST(EnvelopePoints, InsertAndDeleteKeepSustainAndLoopOnTheirPoints) {
    auto env = Points({{0, 0}, {10, 0}, {20, 0}, {30, 0}}, 2, 1, 3);
    EXPECT_FALSE(InsertEnvelopePoint(env, 2, 15, 5));
    EXPECT_EQ(env.points[2], (TEnvelopePoint{15, 5}));
    EXPECT_EQ(env.sustain, 3);
    EXPECT_EQ(env.loopStart, 1);
    EXPECT_EQ(env.loopEnd, 4);
    DeleteEnvelopePoint(env, 1); // the loop start's own point: it moves to the next one
    EXPECT_EQ(env.loopStart, 1);
    EXPECT_EQ(env.points[1].tick, 15);
    EXPECT_EQ(env.sustain, 2);
    EXPECT_EQ(env.loopEnd, 3);
    DeleteEnvelopePoint(env, 3); // the last point held the loop end
    EXPECT_EQ(env.loopEnd, 2);
    EXPECT_EQ(env.points.size(), 3u);
}

TEST(EnvelopePoints, InsertFollowsTheModelsRefusals) {
    auto env = Points({{0, 0}, {10, 0}});
    EXPECT_EQ(InsertEnvelopePoint(env, 1, 10, 3).value_or(""),
              "A point cannot be inserted at this tick.");
    EXPECT_EQ(InsertEnvelopePoint(env, 1, 0, 3).value_or(""),
              "A point cannot be inserted at this tick.");
    for (int t = 20; env.points.size() < 12; t += 10)
        ASSERT_FALSE(InsertEnvelopePoint(env, int(env.points.size()), t, 1));
    const auto full = env;
    EXPECT_EQ(InsertEnvelopePoint(env, 12, 500, 3).value_or(""),
              "Envelopes have a maximum of 12 points.");
    EXPECT_EQ(env, full);
    auto empty = Points({});
    EXPECT_FALSE(InsertEnvelopePoint(empty, 0, 50, 7));
    EXPECT_EQ(empty.points[0], (TEnvelopePoint{0, 7}));
    EXPECT_EQ(empty.sustain, 0);
}

TEST(EnvelopeDrag, ALeftPressGrabsAtFivePixelsAndInsertsAtFivePointOne) {
    const TEnvelopeGeometry g(300, 128);
    const auto env = Points({{0, 64}, {100, 0}});
    TEnvelopeDrag drag;
    // Point 1 sits at (100, 128).
    auto press = drag.Press(g, env, true, TMouseButton::Left, 95, 128);
    EXPECT_TRUE(drag.Dragging());
    EXPECT_EQ(drag.DragIndex(), 1);
    EXPECT_FALSE(press.change);
    EXPECT_TRUE(press.notify);
    drag.Release();
    press = drag.Press(g, env, true, TMouseButton::Left, 94.9, 128);
    ASSERT_TRUE(press.change);
    EXPECT_EQ(press.change->points.size(), 3u);
    EXPECT_EQ(press.change->points[1], (TEnvelopePoint{94, 0}));
    EXPECT_EQ(drag.DragIndex(), 1);
    EXPECT_TRUE(drag.Dragging());
    EXPECT_EQ(drag.Limits().maxX, 99);
    EXPECT_EQ(drag.Limits().minX, 1);
    drag.Release();
    // Missed by 5.1 pixels, but the tick is taken: refused, no drag.
    press = drag.Press(g, env, true, TMouseButton::Left, 100, 122.9);
    EXPECT_EQ(press.refusal.value_or(""), "A point cannot be inserted at this tick.");
    EXPECT_TRUE(press.beep);
    EXPECT_TRUE(press.notify);
    EXPECT_FALSE(drag.Dragging());
}

TEST(EnvelopeDrag, AnInsertedPointFollowsTheMouseWithinItsLimits) {
    const TEnvelopeGeometry g(300, 115);
    const auto env = Points({{0, 64}, {100, 0}}, 1, 0, 1);
    TEnvelopeDrag drag;
    const auto press = drag.Press(g, env, true, TMouseButton::Left, 50, 57);
    ASSERT_TRUE(press.change);
    EXPECT_EQ(press.change->points[1], (TEnvelopePoint{50, 32}));
    EXPECT_EQ(press.change->sustain, 2);
    EXPECT_EQ(press.change->loopEnd, 2);
    EXPECT_EQ(drag.DragIndex(), 1);
    auto moved = drag.Move(g, 150, -20);
    ASSERT_TRUE(moved);
    EXPECT_EQ(moved->points[1], (TEnvelopePoint{99, 64}));
    moved = drag.Move(g, -5, 400);
    EXPECT_EQ(moved->points[1], (TEnvelopePoint{1, 0}));
    EXPECT_EQ(drag.Original(), env);
    const auto released = drag.Release();
    EXPECT_EQ(released, moved);
    EXPECT_FALSE(drag.Move(g, 10, 10));
    EXPECT_FALSE(drag.Release());
}

TEST(EnvelopeDrag, TheFirstPointMovesOnlyVerticallyAndTheLastUpToTheWidth) {
    const TEnvelopeGeometry g(300, 64);
    const auto env = Points({{0, 0}, {100, 0}});
    TEnvelopeDrag drag;
    drag.Press(g, env, true, TMouseButton::Left, 2, 63);
    EXPECT_EQ(drag.Move(g, 80, 14)->points[0], (TEnvelopePoint{0, 50}));
    drag.Release();
    drag.Press(g, env, true, TMouseButton::Left, 100, 64);
    EXPECT_EQ(drag.Move(g, 999, 64)->points[1].tick, 300);
}

TEST(EnvelopeDrag, RightPressDeletesExceptPointZeroAndTheLastTwo) {
    const TEnvelopeGeometry g(300, 64);
    const auto three = Points({{0, 0}, {50, 0}, {100, 0}}, 2, 1, 2);
    TEnvelopeDrag drag;
    auto press = drag.Press(g, three, true, TMouseButton::Right, 50, 64);
    ASSERT_TRUE(press.change);
    EXPECT_EQ(press.change->points.size(), 2u);
    EXPECT_EQ(press.change->sustain, 1);
    EXPECT_FALSE(drag.Dragging());
    press = drag.Press(g, three, true, TMouseButton::Right, 0, 64);
    EXPECT_FALSE(press.change);
    EXPECT_TRUE(press.notify);
    press = drag.Press(g, *drag.Press(g, three, true, TMouseButton::Right, 100, 64).change, true,
                       TMouseButton::Right, 50, 64);
    EXPECT_FALSE(press.change);
    EXPECT_TRUE(press.notify);
    // Empty space: nothing for the right or middle button.
    for (TMouseButton b : {TMouseButton::Right, TMouseButton::Middle}) {
        press = drag.Press(g, three, true, b, 70, 10);
        EXPECT_FALSE(press.notify || press.change || press.beep);
    }
    press = drag.Press(g, three, false, TMouseButton::Left, 70, 10);
    EXPECT_TRUE(press.beep);
    EXPECT_FALSE(press.change || press.notify || drag.Dragging());
}

TEST(EnvelopeDrag, AFullEnvelopeRefusesTheInsertBeepsAndStillNotifies) {
    const TEnvelopeGeometry g(400, 64);
    TEnvelopePoints env;
    for (int i = 0; i < 12; ++i) env.points.push_back({i * 10, 0});
    TEnvelopeDrag drag;
    const auto press = drag.Press(g, env, true, TMouseButton::Left, 200, 10);
    EXPECT_TRUE(press.beep);
    EXPECT_TRUE(press.notify);
    EXPECT_FALSE(press.change);
    EXPECT_FALSE(drag.Dragging());
}

TEST(EnvelopeDrag, AFirstPointGoesToTickZeroAndMovesOnlyVertically) {
    const TEnvelopeGeometry g(300, 64);
    TEnvelopeDrag drag;
    const auto press = drag.Press(g, Points({}), true, TMouseButton::Left, 50, 16);
    ASSERT_TRUE(press.change);
    EXPECT_EQ(press.change->points, (std::vector<TEnvelopePoint>{{0, 48}}));
    EXPECT_EQ(drag.Move(g, 120, 32)->points, (std::vector<TEnvelopePoint>{{0, 32}}));
}

TEST(EnvelopePoints, RoundTripThroughTheModel) {
    EnvelopeRecord record{};
    record.sustainPoint = record.loopStart = record.loopEnd = kEnvelopeNone;
    TEnvelope envelope(&record);
    envelope.SetSustainEnabled(true);
    const auto env = Points({{0, 10}, {20, 30}, {45, 64}}, 2, 1, 2);
    ApplyEnvelopePoints(envelope, env);
    EXPECT_EQ(envelope.PointCount(), 3);
    EXPECT_EQ(record.sustainPoint, 2);
    EXPECT_EQ(record.loopStart, kEnvelopeNone); // loop stays switched off
    EXPECT_EQ(EnvelopePointsOf(envelope), env);
    ApplyEnvelopePoints(envelope, Points({{0, 5}}));
    EXPECT_EQ(envelope.PointCount(), 1);
    EXPECT_EQ(EnvelopePointsOf(envelope).points, Points({{0, 5}}).points);
}

} // namespace

#include "edit/marker_clock.h"

#include <gtest/gtest.h>

TEST(MarkerClock, GlidesThroughTheRowAndWaitsShortOfTheNext) {
    TMarkerClock clock;
    EXPECT_EQ(clock.Fraction(500), 0.0) << "a stopped clock rests on the row";
    clock.Start(4, 1000, 100);
    EXPECT_EQ(clock.Fraction(1000), 0.0);
    EXPECT_DOUBLE_EQ(clock.Fraction(1050), 0.5);
    EXPECT_EQ(clock.Fraction(990), 0.0) << "never behind the row it is on";
    const double late = clock.Fraction(1400);
    EXPECT_LT(late, 1.0) << "the player has not reported the next row";
    EXPECT_GT(late, 0.9);
    clock.Stop();
    EXPECT_EQ(clock.Fraction(1050), 0.0);
    clock.Observe(9, 1100);
    EXPECT_EQ(clock.Row(), 4) << "a stopped clock ignores the player";
}

TEST(MarkerClock, TheNextRowTeachesThePaceAndAJumpDoesNot) {
    TMarkerClock clock;
    clock.Start(0, 0, 100);
    clock.Observe(0, 60);
    EXPECT_DOUBLE_EQ(clock.Fraction(60), 0.6) << "the same row again keeps its start";
    clock.Observe(1, 200);
    EXPECT_DOUBLE_EQ(clock.RowMs(), 125);
    EXPECT_EQ(clock.Fraction(200), 0.0);
    // Reports late and early by a poll's width average out to the real pace.
    double now = 200;
    for (int row = 2; row < 40; ++row) {
        now += row % 2 ? 184 : 216;
        clock.Observe(row, now);
    }
    EXPECT_NEAR(clock.RowMs(), 200, 10);
    const double pace = clock.RowMs();
    clock.Observe(0, now + 50); // a loop back to the top
    EXPECT_EQ(clock.Row(), 0);
    EXPECT_DOUBLE_EQ(clock.RowMs(), pace);
    EXPECT_EQ(clock.Fraction(now + 50), 0.0);
    clock.Observe(7, now + 60); // a jump ahead
    EXPECT_DOUBLE_EQ(clock.RowMs(), pace);
}

TEST(MarkerClock, AbsurdPacesAreBounded) {
    TMarkerClock clock;
    clock.Start(0, 0, 0);
    EXPECT_GT(clock.RowMs(), 0) << "no division by zero";
    EXPECT_LT(clock.Fraction(1e9), 1.0);
    clock.Start(0, 0, 100);
    clock.Observe(1, 1e9); // paused for ages, e.g. in a debugger
    EXPECT_LE(clock.RowMs(), 5000 / 4.0 + 100);
}

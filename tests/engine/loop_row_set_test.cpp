#include "engine/player/loop_row_set.h"

#include <gtest/gtest.h>

TEST(LoopRowSet, KnowsEachKeyOnceUntilClearedAndNeverEndsASongWhenFull) {
    LoopRowSet set;
    for (uint64_t i = 0; i < 1000; ++i) EXPECT_TRUE(set.Insert({i << 8, i % 7, i % 3})) << i;
    for (uint64_t i = 0; i < 1000; ++i) EXPECT_FALSE(set.Insert({i << 8, i % 7, i % 3})) << i;
    EXPECT_TRUE(set.Insert({0, 0, 1})); // differs from a known key in the last word only
    set.Clear();
    EXPECT_TRUE(set.Insert({0, 0, 0}));
    EXPECT_FALSE(set.Insert({0, 0, 0}));
    // Past its room every key counts as new, so playback goes on rather than stopping early.
    for (uint64_t i = 1; i < 10000; ++i) set.Insert({i, 1, 0});
    EXPECT_TRUE(set.Insert({5000, 1, 0}));
}

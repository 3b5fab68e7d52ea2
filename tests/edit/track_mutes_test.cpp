#include "edit/track_mutes.h"

#include <gtest/gtest.h>

TEST(TrackMutes, SoloMutesTheOthersAndASecondSoloBringsThemBack) {
    const std::vector<bool> none(4, false);
    const std::vector<bool> solo2 = SoloMutes(none, 2);
    EXPECT_EQ(solo2, (std::vector<bool>{true, true, false, true}));
    EXPECT_EQ(SoloMutes(solo2, 2), none);
    // Soloing a muted track, or one heard with others, makes it the one heard.
    EXPECT_EQ(SoloMutes(solo2, 0), (std::vector<bool>{false, true, true, true}));
    EXPECT_EQ(SoloMutes({false, false, true, true}, 1),
              (std::vector<bool>{true, false, true, true}));
    EXPECT_EQ(SoloMutes(none, 7), none) << "a track that is not there changes nothing";
}

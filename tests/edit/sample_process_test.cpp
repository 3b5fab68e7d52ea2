#include "edit/sample_process.h"

#include <gtest/gtest.h>

namespace {

using Targets = std::vector<TProcessTarget>;

TEST(SampleProcess, TheDefaultChoiceFollowsTheSelections) {
    EXPECT_EQ(DefaultApplyTo(true, 3, 5), kApplySelectedRange);
    EXPECT_EQ(DefaultApplyTo(false, 2, 5), kApplySelectedSamples);
    EXPECT_EQ(DefaultApplyTo(false, 1, 2), kApplySelectedInstruments);
    EXPECT_EQ(DefaultApplyTo(false, 1, 1), kApplyCurrentSample);
    EXPECT_EQ(DefaultApplyTo(false, 0, 0), kApplyCurrentSample);
    EXPECT_STREQ(ApplyToCaption(DefaultApplyTo(true, 0, 0)), "Selected range ");
    EXPECT_STREQ(ApplyToCaption(kApplySelectedInstruments), "All samples in selected instruments");
}

TEST(SampleProcess, TargetsComeInListOrderAndSkipWhatHasNoFrames) {
    // Instrument 0: two samples; 1: none; 2: a sample without frames and one of 500.
    const std::vector<std::vector<int>> lengths{{100, 200}, {}, {0, 500}};
    TProcessSelection sel;
    sel.instruments = {0, 1, 2};
    sel.samples = {1, 0};
    sel.currentInstrument = 2;
    sel.currentSample = 1;
    sel.view = {0, 400, 40, 1};
    EXPECT_EQ(ProcessTargets(kApplySelectedInstruments, sel, lengths),
              (Targets{{0, 0, 0, 0}, {0, 1, 0, 0}, {2, 1, 0, 0}}));
    EXPECT_EQ(ProcessTargets(kApplySelectedSamples, sel, lengths), (Targets{{2, 1, 0, 0}}));
    EXPECT_EQ(ProcessTargets(kApplyCurrentSample, sel, lengths), (Targets{{2, 1, 0, 0}}));
    EXPECT_EQ(ProcessTargets(kApplySelectedRange, sel, lengths), (Targets{{2, 1, 40, 400}}));
    sel.view = {0, 100, 500, 1}; // a mouse selection up to the length
    EXPECT_EQ(ProcessTargets(kApplySelectedRange, sel, lengths), (Targets{{2, 1, 100, 499}}));
    sel.currentSample = -1;
    EXPECT_TRUE(ProcessTargets(kApplyCurrentSample, sel, lengths).empty());
    EXPECT_TRUE(ProcessTargets(kApplySelectedRange, sel, lengths).empty());
}

TEST(SampleProcess, TheDelayMaximumRisesToTheLongestSampleAndNeverFalls) {
    EXPECT_EQ(EchoDelayMaximum(0, {}), 10);
    EXPECT_EQ(EchoDelayMaximum(10, {{3000, 12}, {}, {70000}}), 70000);
    EXPECT_EQ(EchoDelayMaximum(70000, {{3000}}), 70000);
}

} // namespace

// The structure calls keep a module's tables packed: what moves, what the counts say, and what
// a refused call leaves alone.
#include "engine/sndlib.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

struct BareModule {
    ModuleRecord* module;
    BareModule() {
        module = static_cast<ModuleRecord*>(PLYRmemAlloc(sizeof(ModuleRecord)));
        module->patterns[0] = PLYRnewEmptyPattern(64);
        module->patternCount = 1;
    }
    ~BareModule() { SNDfreeModule(module); }
    std::vector<const void*> Instruments() const {
        return std::vector<const void*>(module->instruments,
                                        module->instruments + module->instrumentCount);
    }
};

} // namespace

TEST(StructureCalls, InstrumentsShiftAroundAnInsertionAndARemoval) {
    BareModule m;
    InstrumentRecord* a = SNDallocInstrument();
    InstrumentRecord* b = SNDallocInstrument();
    ASSERT_TRUE(PLYRinsertInstrument(m.module, 0, a));
    ASSERT_TRUE(PLYRinsertInstrument(m.module, 0, b));
    ASSERT_TRUE(PLYRinsertInstrument(m.module, 1)); // a new one between
    ASSERT_EQ(m.module->instrumentCount, 3);
    const InstrumentRecord* made = m.module->instruments[1];
    EXPECT_NE(made, nullptr);
    EXPECT_EQ(m.Instruments(), (std::vector<const void*>{b, made, a}));

    InstrumentRecord* taken = PLYRtakeInstrument(m.module, 0);
    EXPECT_EQ(taken, b);
    EXPECT_EQ(m.module->instrumentCount, 2);
    EXPECT_EQ(m.Instruments(), (std::vector<const void*>{made, a}));
    EXPECT_EQ(m.module->instruments[2], nullptr);
    SNDfreeInstrument(taken);
}

TEST(StructureCalls, RefusedCallsLeaveTheTablesAsTheyWere) {
    BareModule m;
    EXPECT_FALSE(PLYRinsertInstrument(m.module, 1)); // past the end of an empty table
    EXPECT_EQ(SNDgetLastError(), kSndErrArgument);
    EXPECT_EQ(PLYRtakeInstrument(m.module, 0), nullptr);
    EXPECT_EQ(m.module->instrumentCount, 0);
    for (int i = 0; i < kMaxInstruments; ++i) ASSERT_TRUE(PLYRinsertInstrument(m.module, i));
    EXPECT_FALSE(PLYRinsertInstrument(m.module, 0)); // full
    EXPECT_EQ(m.module->instrumentCount, kMaxInstruments);

    PatternRecord* pattern = PLYRnewEmptyPattern(16);
    EXPECT_FALSE(PLYRinsertPattern(m.module, 2, pattern));
    EXPECT_FALSE(PLYRinsertPattern(m.module, 0, nullptr));
    EXPECT_EQ(PLYRtakePattern(m.module, 1), nullptr);
    EXPECT_EQ(m.module->patternCount, 1);
    PLYRmemFree(pattern);
}

TEST(StructureCalls, PatternsMoveThroughTakeAndInsert) {
    BareModule m;
    PatternRecord* first = m.module->patterns[0];
    PatternRecord* second = PLYRnewEmptyPattern(32);
    ASSERT_TRUE(PLYRinsertPattern(m.module, 1, second));
    PatternRecord* taken = PLYRtakePattern(m.module, 0);
    EXPECT_EQ(taken, first);
    EXPECT_EQ(m.module->patternCount, 1);
    EXPECT_EQ(m.module->patterns[0], second);
    EXPECT_EQ(m.module->patterns[1], nullptr);
    ASSERT_TRUE(PLYRinsertPattern(m.module, 1, taken));
    EXPECT_EQ(m.module->patternCount, 2);
    EXPECT_EQ(m.module->patterns[1], first);
}

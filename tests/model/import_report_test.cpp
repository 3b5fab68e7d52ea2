// The sentence the main window shows after opening a module from another format.
#include "model/import_report.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

ModuleRecord From(const char* origin) {
    ModuleRecord m{};
    std::strncpy(m.origin, origin, sizeof m.origin - 1);
    return m;
}

} // namespace

TEST(ImportReport, NamesTheFormatAndCountsWhatWasLostByKind) {
    ModuleRecord mod = From("mod");
    EXPECT_EQ(ImportReport(mod), "");
    mod.lost[kLossEffects] = 1;
    mod.lost[kLossSilentSlides] = 2;
    EXPECT_EQ(ImportReport(mod), "Imported from MOD: 3 effects could not be kept in XM");
    mod.lost[kLossSilentSlides] = 0;
    EXPECT_EQ(ImportReport(mod), "Imported from MOD: 1 effect could not be kept in XM");
    mod.lost[kLossPeriodLimits] = 1;
    EXPECT_EQ(ImportReport(mod), "Imported from MOD: 2 effects could not be kept in XM");
    mod.lost[kLossPeriodLimits] = 0;

    ModuleRecord it = From("it");
    it.lost[kLossVolumeColumn] = 2;
    it.lost[kLossEnvelopePoints] = 1;
    it.lost[kLossNoteMapTranspose] = 4;
    EXPECT_EQ(ImportReport(it), "Imported from IT: 2 effects, 1 envelope point and 4 note map "
                                "transposes could not be kept in XM");

    // What was copied to keep the channel pannings is said after what was lost, or alone.
    ModuleRecord s3m = From("s3m");
    s3m.copiedPatterns = 1;
    EXPECT_EQ(ImportReport(s3m), "Imported from S3M: 1 pattern was copied to keep the pannings");
    s3m.copiedInstruments = 25;
    s3m.copiedPatterns = 3;
    s3m.lost[kLossEffects] = 192;
    EXPECT_EQ(ImportReport(s3m), "Imported from S3M: 192 effects could not be kept in XM; 25 "
                                 "instruments and 3 patterns were copied to keep the pannings");
    // Samples copied with another tuning come last.
    s3m.copiedSamples = 40;
    EXPECT_EQ(ImportReport(s3m), "Imported from S3M: 192 effects could not be kept in XM; 25 "
                                 "instruments and 3 patterns were copied to keep the pannings; "
                                 "40 samples were copied to keep the pitches");
    ModuleRecord mod2 = From("mod");
    mod2.copiedSamples = 1;
    EXPECT_EQ(ImportReport(mod2), "Imported from MOD: 1 sample was copied to keep the pitches");
}

// An XM plays by its own rules already; what its reader repaired is no import loss.
TEST(ImportReport, SaysNothingForAnXM) {
    ModuleRecord xm = From("xm");
    xm.lost[kLossEffects] = 5;
    EXPECT_EQ(ImportReport(xm), "");
}

// The play behaviours are decided when a file is read and survive a save, whatever they came from.
#include "engine/sndlib.h"
#include "support/run_process.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>
#include <map>
#include <ostream>

namespace fs = std::filesystem;

namespace {

struct Loaded {
    ModuleRecord* module;
    explicit Loaded(const fs::path& file) : module(SNDloadModule(file.string().c_str())) {}
    ~Loaded() {
        if (module) SNDfreeModule(module);
    }
};

struct Decided {
    uint32_t play;
    int mixMode;
    bool operator==(const Decided&) const = default;
};

[[maybe_unused]] void PrintTo(const Decided& d, std::ostream* os) {
    *os << "flags " << d.play << " mix mode " << d.mixMode;
}

Decided Read(const fs::path& file) {
    Loaded loaded(file);
    EXPECT_NE(loaded.module, nullptr) << file;
    if (!loaded.module) return {~0u, -1};
    return {loaded.module->playBehaviour, loaded.module->storedMixMode - 1};
}

} // namespace

TEST(PlayBehaviour, EachSavingTrackerGetsItsBehavioursAndACopyKeepsThem) {
    const fs::path conformance = SharedDir() / "conformance" / "xm";
    const fs::path corpus = SharedDir() / "corpus";
    constexpr int kLinear = 4, kSquareRoot = 5;
    const std::map<fs::path, Decided> expected = {
        {corpus / "heroes01.xm", {kPlaySoftRamps, kSquareRoot}},
        {corpus / "mph.xm", {0, kLinear}}, // MilkyTracker without a version
        {conformance / "NoteOffFade.xm",
         {kPlayFullFinetune | kPlayKeyOffOnlyCuts | kPlayFinePatternDelays, kLinear}},
        {conformance / "TremoloWaveforms.xm", {0, kSquareRoot}},
        // Imports play sample finetune at full precision, as the source formats do.
        {corpus / "autonom.s3m", {kPlayFullFinetune, kLinear}},
        // Speed-7 arpeggios that XM's order cannot play keep the source's.
        {corpus / "AnarchyMenu1.mod",
         {kPlayFullFinetune | kPlayArpeggioByRowTick | kPlayVolumeSlidesStep, kLinear}},
    };
    for (const auto& [file, decided] : expected) {
        SCOPED_TRACE(file.filename().string());
        EXPECT_EQ(Read(file), decided);
        const fs::path copy = TempDir() / "copy.xm";
        const ProcessResult r = RunCli({"--convert", file.string(), "--output", copy.string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(Read(copy), decided);
        const fs::path again = TempDir() / "again.xm";
        ASSERT_EQ(RunCli({"--convert", copy.string(), "--output", again.string()}).exitCode, 0);
        EXPECT_EQ(Read(again), decided);
    }
}

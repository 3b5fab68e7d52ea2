// The play behaviours are decided when a file is read and survive a save, whatever they came from.
#include "engine/sndlib.h"
#include "support/it_builder.h"
#include "support/run_process.h"
#include "support/test_paths.h"

#include <fstream>
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
        // Imports play sample finetune at full precision, as the source formats do; S3M
        // vibratos bend the first tick of a row.
        {corpus / "autonom.s3m", {kPlayFullFinetune | kPlayVibratoFirstTick, kLinear}},
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

// OpenMPT's version rules are about its XM files: an IT it saved gets none of them, in the
// import and in its saved copy.
TEST(PlayBehaviour, AnImportFromOpenMPTPlaysByNoneOfItsXMRules) {
    ITTestSong song;
    song.samples = {ITTestSample{std::vector<int8_t>(64, 50), 64, 8363, true}};
    song.patterns[0].cells = {{0, 0, 60, 1}};
    std::vector<uint8_t> bytes = BuildIT(song);
    bytes[0x28] = 0x30, bytes[0x29] = 0x51; // "OpenMPT 1.30" in the made-with word
    const fs::path file = TempDir() / "openmpt.it";
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    const Decided decided = Read(file);
    EXPECT_EQ(decided.play, kPlayFullFinetune | kPlayVibratoFirstTick);
    const fs::path copy = TempDir() / "openmpt.xm";
    ASSERT_EQ(RunCli({"--convert", file.string(), "--output", copy.string()}).exitCode, 0);
    EXPECT_EQ(Read(copy), decided);
    // Nor does the copy claim that version, from which the reference would upgrade it.
    Loaded loaded(copy);
    ASSERT_NE(loaded.module, nullptr);
    EXPECT_NE(loaded.module->referenceVersion, 0x01300000u);
}

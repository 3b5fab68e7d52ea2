// A song loaded and saved here sounds as the original did, in the reference player and in ours:
// the saved file carries the behaviours and levels the original's tracker implied.
#include "audio_compare.h"
#include "engine/render.h"
#include "engine/sndlib.h"
#include "support/run_process.h"
#include "support/test_paths.h"

#include <algorithm>
#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 22050;
constexpr double kAlike = 0.995;

struct Loaded {
    ModuleRecord* module;
    explicit Loaded(const fs::path& file) : module(SNDloadModule(file.string().c_str())) {}
    ~Loaded() {
        if (module) SNDfreeModule(module);
    }
};

std::vector<int16_t> OurRender(const fs::path& file) {
    Loaded loaded(file);
    std::vector<int16_t> pcm;
    EXPECT_TRUE(loaded.module && RenderModule(loaded.module, RenderOptions{kRate, true}, pcm))
        << file;
    return pcm;
}

fs::path SavedCopy(const fs::path& file) {
    const fs::path copy = TempDir() / (file.stem().string() + ".xm");
    const ProcessResult r = RunCli({"--convert", file.string(), "--output", copy.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return copy;
}

bool Silent(const std::vector<int16_t>& pcm) {
    return std::all_of(pcm.begin(), pcm.end(), [](int16_t v) { return v == 0; });
}

SimilarityScores ExpectAlike(const std::vector<int16_t>& copy, const std::vector<int16_t>& original,
                             const char* player, const fs::path& file, bool holdSound = true) {
    const size_t frames = std::min(copy.size(), original.size()) / 2;
    const SimilarityScores s = CompareRenders(copy, original, kRate, frames);
    std::printf("  %-28s %-5s spectral %.4f loudness %.4f level %.3f\n",
                file.filename().string().c_str(), player, s.spectral, s.loudness, s.levelRatio);
    if (!holdSound) return s;
    if (Silent(original)) {
        EXPECT_TRUE(Silent(copy)) << player;
        return s;
    }
    EXPECT_GE(s.spectral, kAlike) << player;
    EXPECT_GE(s.loudness, kAlike) << player;
    EXPECT_NEAR(s.levelRatio, 1.0, 0.02) << player;
    return s;
}

} // namespace

// The corpus songs come from the XM tracker, MilkyTracker and others; the conformance modules
// from many OpenMPT versions, each with its own quirks.
TEST(SavedCopy, EverySavedXMPlaysAsTheOriginalInBothPlayers) {
    std::vector<fs::path> files = CorpusFiles({".xm"});
    for (const fs::path& f : ConformanceFiles()) files.push_back(f);
    ASSERT_GE(files.size(), 90u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const fs::path copy = SavedCopy(file);
        ExpectAlike(PeerRender(copy, kRate), PeerRender(file, kRate), "peer", file);
        ExpectAlike(OurRender(copy), OurRender(file), "ours", file);
    }
}

// A converted copy plays in our player as the original did, and at the original's level in the
// reference. The reference plays each format by rules of its own, some of which no XM can
// carry (see the README); where a song uses none of them, its copy sounds alike there too, and
// the others keep a floor.
TEST(SavedCopy, ConvertedModulesPlayAsTheOriginalsAndKeepTheirLevel) {
    const std::set<std::string> carried = {"biniax_common02.it", "biniax_common04.it",
                                           "hiscreen.mod", "ritam.s3m"};
    const auto files = CorpusFiles({".mod", ".s3m", ".it"});
    ASSERT_GE(files.size(), 9u);
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        const fs::path copy = SavedCopy(file);
        ExpectAlike(OurRender(copy), OurRender(file), "ours", file);
        const bool alike = carried.count(file.filename().string()) > 0;
        const SimilarityScores peer =
            ExpectAlike(PeerRender(copy, kRate), PeerRender(file, kRate), "peer", file, alike);
        EXPECT_NEAR(peer.levelRatio, 1.0, 0.01);
        EXPECT_GE(peer.spectral, 0.96);
        EXPECT_GE(peer.loudness, 0.955);
    }
}

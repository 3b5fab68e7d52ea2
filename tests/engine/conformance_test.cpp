// Every conformance module rendered by our player and by libopenmpt in the same run must sound
// alike; the files we still play differently are listed, with what is known about them.
#include "audio_compare.h"
#include "engine/render.h"
#include "engine/sndlib.h"
#include "support/test_paths.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <string>

namespace {

constexpr int kRate = 44100;
constexpr double kPass = 0.95;
// Our RMS over the reference's: the scores above do not see a song played 3 dB too loud.
constexpr double kLevelLow = 0.9, kLevelHigh = 1.1;

bool LevelMatches(double ratio) {
    return ratio >= kLevelLow && ratio <= kLevelHigh;
}

// File name -> what still differs. Most of these modules play the tracker's own recording on the
// right channel; "nearer the tracker recording" notes where ours follows it and the reference
// does not.
const std::map<std::string, std::string> kKnownDifferences = {};

struct Owned {
    ModuleRecord* module;
    ~Owned() {
        if (module) SNDfreeModule(module);
    }
};

struct Comparison {
    SimilarityScores scores;
    double ourSeconds = 0, theirSeconds = 0;
};

// Our render of the file against the reference's, over the song's length.
Comparison CompareWithPeer(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    Owned loaded{SNDloadModule(file.string().c_str())};
    EXPECT_NE(loaded.module, nullptr) << name << ": " << SNDgetErrorMessage(SNDgetLastError());
    std::vector<int16_t> ours;
    EXPECT_TRUE(loaded.module && RenderModule(loaded.module, RenderOptions{kRate, true}, ours))
        << name;
    const std::vector<int16_t> theirs = PeerRender(file, kRate);
    const auto songFrames = size_t(PeerDuration(file) * kRate);
    return {CompareRenders(ours, theirs, kRate, songFrames), double(ours.size()) / 2 / kRate,
            double(theirs.size()) / 2 / kRate};
}

} // namespace

TEST(Conformance, EveryModuleSoundsLikeTheReferencePlayer) {
    auto files = ConformanceFiles();
    ASSERT_EQ(files.size(), 84u);
    // CONFORMANCE_FILES=a.xm,b.xm narrows a run while working on a few of them.
    if (const char* only = std::getenv("CONFORMANCE_FILES")) {
        const std::string list = std::string(",") + only + ",";
        std::erase_if(files, [&](const auto& f) {
            return list.find("," + f.filename().string() + ",") == std::string::npos;
        });
    }
    int passed = 0;
    std::vector<std::string> unexpected, wrongLevel;
    std::vector<double> levels;
    for (const auto& file : files) {
        const std::string name = file.filename().string();
        const Comparison c = CompareWithPeer(file);
        const SimilarityScores& s = c.scores;
        const bool pass = s.spectral >= kPass && s.loudness >= kPass;
        const bool known = kKnownDifferences.count(name) != 0;
        std::printf("%-32s spectral %.3f loudness %.3f level %.2f length %.2f/%.2f s %s\n",
                    name.c_str(), s.spectral, s.loudness, s.levelRatio, c.ourSeconds,
                    c.theirSeconds,
                    pass    ? "pass"
                    : known ? "known difference"
                            : "FAIL");
        if (!pass && known) std::printf("  known: %s\n", kKnownDifferences.at(name).c_str());
        if (pass) ++passed;
        if (s.levelRatio > 0) levels.push_back(s.levelRatio);
        if (!pass && !known) unexpected.push_back(name);
        // A ratio of 0 is a render silent on our side, built to cancel: no level to compare.
        if (pass && s.levelRatio > 0 && !LevelMatches(s.levelRatio)) wrongLevel.push_back(name);
        if (pass && known) std::printf("  %s passes now: take it off the list\n", name.c_str());
    }
    std::printf("%d of %zu conformance modules pass\n", passed, files.size());
    // As loud as the reference on the whole: the median level ratio over the suite.
    ASSERT_FALSE(levels.empty());
    std::nth_element(levels.begin(), levels.begin() + std::ptrdiff_t(levels.size() / 2),
                     levels.end());
    const double median = levels[levels.size() / 2];
    std::printf("median level against the reference: %.2f\n", median);
    EXPECT_GT(median, 0.85);
    EXPECT_LT(median, 1.18);
    EXPECT_TRUE(unexpected.empty()) << unexpected.size() << " modules differ unexpectedly, first "
                                    << (unexpected.empty() ? "" : unexpected.front());
    EXPECT_TRUE(wrongLevel.empty())
        << wrongLevel.size() << " modules play at the wrong level, first "
        << (wrongLevel.empty() ? "" : wrongLevel.front());
}

// Whole songs by other people, with everything they use at once.
TEST(Conformance, EveryCorpusXMSoundsLikeTheReferencePlayer) {
    const auto files = CorpusFiles({".xm"});
    ASSERT_GE(files.size(), 10u);
    for (const auto& file : files) {
        const std::string name = file.filename().string();
        const SimilarityScores s = CompareWithPeer(file).scores;
        std::printf("%-32s spectral %.3f loudness %.3f level %.2f\n", name.c_str(), s.spectral,
                    s.loudness, s.levelRatio);
        EXPECT_GE(s.spectral, kPass) << name;
        EXPECT_GE(s.loudness, kPass) << name;
        EXPECT_TRUE(LevelMatches(s.levelRatio))
            << name << " plays at " << s.levelRatio << " times the reference's level";
    }
}

// The reference's own editor may store a mix mode, a sample pre-amp and a starting global volume
// after an XM's data; each sets the level whatever the tracker field says. Files signed by its
// ancestor's first releases get that one's headroom. The modules hold centred tones, where the
// pan laws differ most.
TEST(Conformance, StoredMixLevelsSetTheLevelAsInTheReferencePlayer) {
    auto read = [](const char* name) {
        std::ifstream in(SharedDir() / "conformance" / "xm" / name, std::ios::binary);
        return std::string{std::istreambuf_iterator<char>(in), {}};
    };
    // Tags are stored last character first, each with a 2-byte size and a 4-byte value.
    auto field = [](const char(&tag)[5], uint32_t value) {
        std::string bytes{tag[3], tag[2], tag[1], tag[0], 4, 0};
        for (int i = 0; i < 4; ++i) bytes += char((value >> (8 * i)) & 0xFF);
        return bytes;
    };
    const std::string fading = read("NoteOffFade.xm"), sliding = read("FineVol-LinkMem.xm");
    ASSERT_FALSE(fading.empty() || sliding.empty());
    std::string firstEditor = sliding;
    firstEditor.replace(38, 20, "FastTracker v 2.00  ");
    const std::map<std::string, std::string> cases = {
        {"first editor's headroom", fading + "STPM" + field("PMM.", 0)},
        {"balance without halving", fading + "STPM" + field("PMM.", 3)},
        {"linear, pre-amp doubled", fading + "STPM" + field("PMM.", 4) + field("SPA.", 96)},
        {"square root, global volume halved",
         fading + "STPM" + field("PMM.", 5) + field("DGV.", 128)},
        {"signed by the first editor", firstEditor},
    };
    for (const auto& [what, bytes] : cases) {
        const auto file = TempDir() / "stored-levels.xm";
        std::ofstream(file, std::ios::binary) << bytes;
        Owned loaded{SNDloadModule(file.string().c_str())};
        ASSERT_NE(loaded.module, nullptr) << what;
        std::vector<int16_t> ours;
        ASSERT_TRUE(RenderModule(loaded.module, RenderOptions{kRate, true}, ours)) << what;
        const auto songFrames = size_t(PeerDuration(file) * kRate);
        const SimilarityScores s = CompareRenders(ours, PeerRender(file, kRate), kRate, songFrames);
        EXPECT_GE(s.loudness, kPass) << what;
        EXPECT_TRUE(LevelMatches(s.levelRatio)) << what << ": level " << s.levelRatio;
    }
}

// Imported modules sound as libopenmpt plays the originals, and their XM copies last as long.
#include "audio_compare.h"
#include "engine/render.h"
#include "engine/sndlib.h"
#include "support/run_process.h"
#include "support/test_paths.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

constexpr int kRate = 22050; // enough for the comparison, half the work

struct Loaded {
    ModuleRecord* module;
    explicit Loaded(const std::filesystem::path& file)
        : module(SNDloadModule(file.string().c_str())) {}
    ~Loaded() {
        if (module) SNDfreeModule(module);
    }
};

} // namespace

TEST(ImportPlayback, OurRenderOfEachImportedModuleMatchesTheReference) {
    const auto files = CorpusFiles({".mod", ".s3m", ".it"});
    ASSERT_GE(files.size(), 9u);
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        Loaded loaded(file);
        ASSERT_NE(loaded.module, nullptr) << SNDgetErrorMessage(SNDgetLastError());
        std::vector<int16_t> ours;
        ASSERT_TRUE(RenderModule(loaded.module, RenderOptions{kRate, true}, ours));
        const std::vector<int16_t> theirs = PeerRender(file, kRate);
        const double duration = PeerDuration(file);
        const size_t frames = size_t(duration * kRate);
        EXPECT_NEAR(double(ours.size() / 2), double(frames), 0.02 * double(frames));
        const SimilarityScores s = CompareRenders(ours, theirs, kRate, frames);
        std::printf("  %-30s spectral %.3f loudness %.3f level %.2f\n",
                    file.filename().string().c_str(), s.spectral, s.loudness, s.levelRatio);
        EXPECT_GE(s.spectral, 0.9);
        EXPECT_GE(s.loudness, 0.9);
        EXPECT_GE(s.levelRatio, 0.8);
        EXPECT_LE(s.levelRatio, 1.25);
    }
}

TEST(ImportPlayback, ConvertedCopiesLastAsLongAsTheOriginals) {
    for (const auto& file : CorpusFiles({".mod", ".s3m", ".it"})) {
        SCOPED_TRACE(file.filename().string());
        const auto copy = TempDir() / (file.filename().string() + ".xm");
        const ProcessResult r = RunCli({"--convert", file.string(), "--output", copy.string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const double original = PeerDuration(file);
        const double converted = PeerDuration(copy);
        const double tolerance = file.extension() == ".it" ? 0.05 : 0.02;
        EXPECT_NEAR(converted, original, tolerance * original);
    }
}

// Each channel of an imported module, played alone, sounds as libopenmpt plays it in the original:
// in our player, and in libopenmpt once the module is saved as XM. A mix can hide a channel that
// is wrong (a lost slide under a loud drum), a single channel cannot.
#include "audio_compare.h"
#include "engine/render.h"
#include "engine/sndlib.h"
#include "support/run_process.h"
#include "support/test_paths.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr int kRate = 22050;
constexpr double kAlike = 0.95;
constexpr double kDurationTolerance = 0.005;

struct Loaded {
    ModuleRecord* module;
    explicit Loaded(const fs::path& file) : module(SNDloadModule(file.string().c_str())) {}
    ~Loaded() {
        if (module) SNDfreeModule(module);
    }
};

// The worst channel of one player against the reference's render of the original.
struct Worst {
    double spectral = 1, loudness = 1, level = 1;
    int spectralChannel = -1, loudnessChannel = -1, levelChannel = -1;

    void Add(const SimilarityScores& s, int channel) {
        if (s.spectral < spectral) spectral = s.spectral, spectralChannel = channel;
        if (s.loudness < loudness) loudness = s.loudness, loudnessChannel = channel;
        if (std::abs(std::log(s.levelRatio)) > std::abs(std::log(level)))
            level = s.levelRatio, levelChannel = channel;
    }
};

bool Quiet(const std::vector<int16_t>& pcm) {
    return std::all_of(pcm.begin(), pcm.end(), [](int16_t v) { return std::abs(v) < 64; });
}

fs::path SavedCopy(const fs::path& file) {
    const fs::path copy = TempDir() / (file.filename().string() + ".xm");
    const ProcessResult r = RunCli({"--convert", file.string(), "--output", copy.string()});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return copy;
}

std::string Dropped(const ModuleRecord& m) {
    std::string out;
    for (int kind = 0; kind < kLossCount; ++kind)
        if (m.lost[kind])
            out += std::string(ImportLossName(kind)) + "=" + std::to_string(m.lost[kind]) + " ";
    return out.empty() ? "nothing" : out;
}

bool Meets(const Worst& w) {
    return w.spectral >= kAlike && w.loudness >= kAlike && w.level >= 0.9 && w.level <= 1.1;
}

std::string Describe(const Worst& w, const char* player) {
    char text[160];
    std::snprintf(text, sizeof text,
                  "%s: spectral %.3f (channel %d), loudness %.3f (channel %d), level %.2f "
                  "(channel %d)",
                  player, w.spectral, w.spectralChannel, w.loudness, w.loudnessChannel, w.level,
                  w.levelChannel);
    return text;
}

// The losses that change how a song sounds. Silent slides do not: they are left out because
// they do nothing in the source.
std::string Explaining(const ModuleRecord& m) {
    std::string out;
    for (int kind = 0; kind < kLossCount; ++kind)
        if (kind != kLossSilentSlides && m.lost[kind])
            out += std::string(ImportLossName(kind)) + "=" + std::to_string(m.lost[kind]) + " ";
    return out;
}

} // namespace

// A module that falls short must have dropped something that changes its sound, and says what.
TEST(ImportChannels, EachChannelOfEachImportedModulePlaysAsTheOriginalInBothPlayers) {
    const auto files = CorpusFiles({".mod", ".s3m", ".it"});
    ASSERT_GE(files.size(), 9u);
    std::printf("  %-30s %-22s %-22s %s\n", "file", "ours (worst channel)", "peer on saved XM",
                "dropped");
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        Loaded loaded(file);
        ASSERT_NE(loaded.module, nullptr);
        const fs::path copy = SavedCopy(file);
        const double duration = PeerDuration(file);
        const size_t frames = size_t(duration * kRate);
        Worst ours, peer;
        const int channels = std::min<int>(loaded.module->channelCount, PeerChannelCount(file));
        std::vector<int16_t> pcm;
        for (int c = 0; c < channels; ++c) {
            const std::vector<int16_t> original = PeerRenderChannel(file, kRate, c);
            if (Quiet(original)) continue;
            ASSERT_TRUE(RenderModule(loaded.module, RenderOptions{kRate, true, c}, pcm));
            ours.Add(CompareRenders(pcm, original, kRate, frames), c);
            peer.Add(CompareRenders(PeerRenderChannel(copy, kRate, c), original, kRate, frames), c);
        }
        std::printf("  %-30s %.3f / %.3f / %.2f     %.3f / %.3f / %.2f     %s\n",
                    file.filename().string().c_str(), ours.spectral, ours.loudness, ours.level,
                    peer.spectral, peer.loudness, peer.level, Dropped(*loaded.module).c_str());
        if (!Meets(ours) || !Meets(peer)) {
            const std::string why = Explaining(*loaded.module);
            EXPECT_FALSE(why.empty())
                << Describe(ours, "ours") << "; " << Describe(peer, "peer on the saved copy")
                << "; nothing dropped explains it";
            std::printf("  %-30s falls short, explained by: %s\n", file.filename().string().c_str(),
                        why.c_str());
        }
        const double ourSeconds = double(pcm.size() / 2) / kRate;
        EXPECT_NEAR(ourSeconds, duration, kDurationTolerance * duration) << "our length";
        EXPECT_NEAR(PeerDuration(copy), duration, kDurationTolerance * duration) << "saved length";
    }
}

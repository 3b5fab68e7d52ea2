// The song-end rule: one pass lasts as long as libopenmpt says, and the render is that long.
#include "audio_compare.h"
#include "engine/render.h"
#include "engine/sndlib.h"
#include "support/test_paths.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>

namespace {

struct Owned {
    ModuleRecord* module;
    ~Owned() {
        if (module) SNDfreeModule(module);
    }
};

double PeerRenderSeconds(const std::filesystem::path& file) {
    constexpr int kRate = 44100;
    return double(PeerRender(file, kRate).size()) / 2 / kRate;
}

// libopenmpt's reported duration of this file leaves out the X6x fine pattern delays that its
// render plays, so the file is held to the render's length instead, less the short run-on that
// every reference render has past the song's end (measured on a sibling module).
constexpr char kDurationWithoutFineDelays[] = "PatternDelays.xm";

} // namespace

TEST(Duration, EveryXMLastsAsLongAsInTheReferencePlayer) {
    auto files = CorpusFiles({".xm"});
    ASSERT_FALSE(files.empty());
    for (const auto& f : ConformanceFiles()) files.push_back(f);
    for (const auto& file : files) {
        Owned loaded{SNDloadModule(file.string().c_str())};
        ASSERT_NE(loaded.module, nullptr) << file;
        const double ours = SongDurationSeconds(loaded.module);
        double theirs = PeerDuration(file);
        if (file.filename() == kDurationWithoutFineDelays) {
            const auto sibling = file.parent_path() / "PatternDelaysRetrig.xm";
            const double runOn = PeerRenderSeconds(sibling) - PeerDuration(sibling);
            theirs = PeerRenderSeconds(file) - runOn;
        }
        EXPECT_NEAR(ours, theirs, theirs * 0.005) << file.filename();
    }
}

TEST(Duration, RenderStopsWhereTheDurationEndsAtEachRate) {
    const auto file = SharedDir() / "corpus" / "walk.xm";
    Owned loaded{SNDloadModule(file.string().c_str())};
    ASSERT_NE(loaded.module, nullptr);
    const double seconds = SongDurationSeconds(loaded.module);
    for (int rate : {44100, 22050}) {
        std::vector<int16_t> pcm;
        ASSERT_TRUE(RenderModule(loaded.module, RenderOptions{rate, false}, pcm));
        EXPECT_NEAR(double(pcm.size()) / 2 / rate, seconds, 0.01) << rate;
    }
}

TEST(Duration, CommandLineRenderWritesAWavOfTheSongAndNamesBadInput) {
    const auto file = SharedDir() / "corpus" / "walk.xm";
    const auto out = TempDir() / "walk.wav";
    const std::string command = CliPath().string() + " --render " + file.string() + " --output " +
                                out.string() + " --rate 22050 --interpolation none";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::ifstream in(out, std::ios::binary);
    std::vector<char> wav{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(std::string(wav.data(), 4), "RIFF");
    EXPECT_EQ(std::string(wav.data() + 8, 8), "WAVEfmt ");
    uint32_t rate;
    std::memcpy(&rate, wav.data() + 24, 4);
    EXPECT_EQ(rate, 22050u);
    Owned loaded{SNDloadModule(file.string().c_str())};
    ASSERT_NE(loaded.module, nullptr);
    EXPECT_NEAR(double(wav.size() - 44) / 4 / 22050, SongDurationSeconds(loaded.module), 0.01);

    std::vector<int16_t> pcm;
    EXPECT_FALSE(RenderModule(nullptr, RenderOptions{}, pcm));
    EXPECT_FALSE(
        RenderFileToWav((TempDir() / "no-such.xm").string(), out.string(), RenderOptions{}));
    EXPECT_NE(SNDgetErrorMessage(SNDgetLastError()).find("no-such.xm"), std::string::npos);
    const std::string bad = CliPath().string() + " --render " + file.string() + " --output " +
                            out.string() + " --rate 12 2>/dev/null";
    EXPECT_NE(std::system(bad.c_str()), 0);
}

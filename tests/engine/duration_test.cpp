// The song-end rule: one pass lasts as long as libopenmpt says, and the render is that long.
#include "audio_compare.h"
#include "engine/render.h"
#include "engine/sndlib.h"
#include "support/mod_builder.h"
#include "support/test_paths.h"
#include "support/xm_builder.h"

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

namespace {

std::filesystem::path Written(const std::string& name, const std::vector<uint8_t>& bytes) {
    const auto file = TempDir() / name;
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return file;
}

} // namespace

// The pattern of a ProTracker song whose converted copy our player once cut short: a stray F00
// in its second pattern, which both the reference and ProTracker's successors play through.
TEST(Duration, ASpeedOfZeroNeitherEndsAConvertedSongNorItsOriginal) {
    XMTestSong xm;
    xm.tracker = "Cantorwright 0.1a";
    xm.flags = 0; // Amiga periods, as converted from a MOD
    XMTestInstrument instrument;
    XMTestSample sample;
    for (int i = 0; i < 64; ++i) sample.values.push_back(i < 32 ? 90 : -90);
    sample.loopType = 1;
    sample.loopLength = 64;
    instrument.samples = {sample};
    xm.instruments = {instrument};
    xm.orders = {0, 1};
    xm.patterns = {XMTestPattern{}, XMTestPattern{}};
    xm.patterns[0].cells = {{0, 0, 49, 1, 0, 0x0F, 0x05}, {16, 1, 61, 1, 0, 0, 0}};
    xm.patterns[1].cells = {{0, 0, 52, 1, 0, 0, 0}, {40, 2, 0, 0, 0, 0x0F, 0x00}};

    MODTestSong mod;
    MODTestSample modSample;
    modSample.values.assign(sample.values.begin(), sample.values.end());
    modSample.loopLength = 64;
    mod.samples = {modSample};
    mod.orders = {0, 1};
    mod.patterns = {MODTestPattern{}, MODTestPattern{}};
    mod.patterns[0].cells = {{0, 0, 428, 1, 0xF, 0x05}, {16, 1, 214, 1, 0, 0}};
    mod.patterns[1].cells = {{0, 0, 339, 1, 0, 0}, {40, 2, 0, 0, 0xF, 0x00}};

    for (const auto& file :
         {Written("stray-f00.xm", BuildXM(xm)), Written("stray-f00.mod", BuildMOD(mod))}) {
        Owned loaded{SNDloadModule(file.string().c_str())};
        ASSERT_NE(loaded.module, nullptr) << file;
        const double theirs = PeerDuration(file);
        EXPECT_NEAR(theirs, 128 * 5 * 2.5 / 125, 0.01) << file; // both patterns, whole
        EXPECT_NEAR(SongDurationSeconds(loaded.module), theirs, theirs * 0.005) << file;
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

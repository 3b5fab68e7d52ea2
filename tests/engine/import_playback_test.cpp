// Imported modules sound as libopenmpt plays the originals, and their XM copies last as long.
#include "audio_compare.h"
#include "engine/render.h"
#include "engine/sndlib.h"
#include "support/it_builder.h"
#include "support/mod_builder.h"
#include "support/run_process.h"
#include "support/s3m_builder.h"
#include "support/test_paths.h"

#include <cmath>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>

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

std::filesystem::path Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::filesystem::path file = TempDir() / name;
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return file;
}

// Our render of `file`'s import, and the reference's of the file and of our XM copy of it.
struct Renders {
    std::vector<int16_t> ours, original, saved;
};

Renders RenderWithCopy(const std::filesystem::path& file) {
    Renders r;
    const auto copy = TempDir() / (file.stem().string() + ".xm");
    const ProcessResult converted = RunCli({"--convert", file.string(), "--output", copy.string()});
    EXPECT_EQ(converted.exitCode, 0) << converted.err;
    Loaded loaded(file);
    EXPECT_TRUE(loaded.module && RenderModule(loaded.module, RenderOptions{kRate, true}, r.ours));
    r.original = PeerRender(file, kRate);
    r.saved = PeerRender(copy, kRate);
    return r;
}

// The strongest pitch within 3 % of `near` in a row at the default speed and tempo, past the
// row's first quarter.
double RowPitch(const std::vector<int16_t>& pcm, int row, double near) {
    const size_t rowFrames = size_t(kRate) * 6 * 5 / 2 / 125;
    const size_t from = size_t(row) * rowFrames + rowFrames / 4, to = size_t(row + 1) * rowFrames;
    return StrongestFrequency(pcm, kRate, from, to, near * 0.97, near * 1.03);
}

double Cents(double a, double b) {
    return 1200 * std::log2(a / b);
}

// Our render of `file` and the reference's render of our XM copy, each against the reference's
// render of `file`.
void ExpectPlaysAsTheOriginal(const std::filesystem::path& file) {
    SCOPED_TRACE(file.filename().string());
    Loaded loaded(file);
    ASSERT_NE(loaded.module, nullptr) << SNDgetErrorMessage(SNDgetLastError());
    const auto copy = TempDir() / (file.filename().string() + ".xm");
    const ProcessResult r = RunCli({"--convert", file.string(), "--output", copy.string()});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::vector<int16_t> ours;
    ASSERT_TRUE(RenderModule(loaded.module, RenderOptions{kRate, true}, ours));
    const std::vector<int16_t> original = PeerRender(file, kRate);
    const size_t frames = size_t(PeerDuration(file) * kRate);
    const SimilarityScores a = CompareRenders(ours, original, kRate, frames);
    const SimilarityScores b = CompareRenders(PeerRender(copy, kRate), original, kRate, frames);
    for (const SimilarityScores& s : {a, b}) {
        EXPECT_GE(s.spectral, 0.98);
        EXPECT_GE(s.loudness, 0.98);
        EXPECT_NEAR(s.levelRatio, 1.0, 0.05);
    }
}

std::vector<int8_t> Sine(int frames, double cycles, double amplitude) {
    std::vector<int8_t> v;
    for (int i = 0; i < frames; ++i)
        v.push_back(int8_t(amplitude * std::sin(2 * std::numbers::pi * cycles * i / frames)));
    return v;
}

} // namespace

// A MOD sample whose loop starts past its beginning, struck as a note, by a sample number
// alone, by a note without one and by an offset past the loop's start.
TEST(ImportPlayback, MODLoopsThatStartLaterPlayAsInTheOriginal) {
    MODTestSong song;
    MODTestSample sample;
    sample.values = Sine(2000, 16, 100);
    const std::vector<int8_t> loop = Sine(2000, 128, 60);
    sample.values.insert(sample.values.end(), loop.begin(), loop.end());
    sample.loopStart = 2000;
    sample.loopLength = 2000;
    song.samples = {sample};
    song.patterns[0].cells = {{0, 0, 428, 1, 0, 0},
                              {16, 0, 0, 1, 0, 0},
                              {32, 0, 320, 1, 0, 0},
                              {40, 0, 320, 0, 0, 0},
                              {48, 0, 428, 1, 9, 8}};
    ExpectPlaysAsTheOriginal(Write("loop.mod", BuildMOD(song)));
}

// Arpeggios at speeds where XM's own order cannot play them (7 and 8), one on a row that a
// pattern delay repeats, and one at speed 6 in the same song.
TEST(ImportPlayback, ArpeggiosAtAnySpeedPlayAsInTheOriginal) {
    MODTestSong song;
    MODTestSample sample;
    sample.values = Sine(64, 1, 100);
    sample.loopLength = 64;
    song.samples = {sample};
    // One voice, so that no beating between voices weighs in; the speeds sit on a silent one.
    auto& cells = song.patterns[0].cells;
    cells = {{0, 1, 0, 0, 0xF, 6},
             {16, 1, 0, 0, 0xF, 7},
             {24, 1, 0, 0, 0xE, 0xE2},
             {40, 1, 0, 0, 0xF, 8}};
    for (int row = 0; row < 64; ++row)
        cells.push_back({row, 0, uint16_t(row % 16 == 0 ? 214 : 0), uint8_t(row % 16 == 0), 0x0,
                         uint8_t(row < 16   ? 0x47
                                 : row < 40 ? 0x37
                                            : 0x4A)});
    ExpectPlaysAsTheOriginal(Write("arpeggio.mod", BuildMOD(song)));
}

// Old ModPlug releases pitched IT files with Amiga slides by integer periods, which the
// reference keeps: a few cents sharp high up, differently at each note. A sample struck at one
// note gets the XM tuning that plays that note at the source's pitch.
TEST(ImportPlayback, SamplesPlayAtTheSourcesPitchForTheNotesTheyAreStruckAt) {
    constexpr int kCycle = 8, kRows = 8;
    ITTestSong song;
    song.channels = 1;
    song.linearSlides = false;
    ITTestSample sample{Sine(kCycle, 1, 100), 64, 8860, true};
    song.samples = {sample, sample};
    song.patterns[0].rows = kRows;
    const int notes[kRows] = {86, 88, 86, 88, 86, 88, 86, 88}; // D-7 by sample 1, G#7 by 2
    for (int r = 0; r < kRows; ++r)
        song.patterns[0].cells.push_back({r, 0, notes[r], uint8_t(1 + r % 2)});
    std::vector<uint8_t> bytes = BuildIT(song);
    bytes[0x28] = 0x17, bytes[0x29] = 0x02, bytes[0x2A] = 0x00, bytes[0x2B] = 0x02;
    const Renders renders = RenderWithCopy(Write("modplug.it", bytes));
    for (int r = 0; r < kRows; ++r) {
        SCOPED_TRACE(r);
        const double exact = sample.middleC / double(kCycle) * std::exp2((notes[r] - 60) / 12.0);
        const double reference = RowPitch(renders.original, r, exact);
        ASSERT_GT(std::abs(Cents(reference, exact)), 4.0) << "the source rounds";
        // Half a period step of XM's Amiga table at these notes.
        EXPECT_NEAR(Cents(RowPitch(renders.saved, r, exact), reference), 0.0, 2.5);
        EXPECT_NEAR(Cents(RowPitch(renders.ours, r, exact), reference), 0.0, 2.5);
    }
}

// ProTracker's period table rounds its notes away from equal temperament by up to 5 cents,
// each note its own way. One tuning cannot follow it at every note of a sample: a note it would
// leave audibly off plays a copy of the sample tuned for it, through the instrument's keyboard.
TEST(ImportPlayback, MODSamplesPlayAtProTrackersPitchForEveryNoteTheyAreStruckAt) {
    constexpr int kCycle = 8, kRows = 12;
    MODTestSong song;
    MODTestSample sample;
    sample.values = Sine(kCycle, 1, 100);
    sample.loopLength = kCycle;
    song.samples = {sample, sample};
    // Sample 1 at B-2 and D-3, which an equal-tempered copy plays 5 cents flat; sample 2 at
    // five notes.
    const uint16_t periods[] = {226, 190, 226, 214, 190, 160, 240, 202};
    for (int r = 0; r < kRows; ++r) {
        const int k = r % 2 == 0 ? r / 2 % 2 : 2 + r / 2 % 6;
        song.patterns[0].cells.push_back({r, 0, periods[k], uint8_t(1 + r % 2), 0, 0});
    }
    const auto file = Write("tuned.mod", BuildMOD(song));
    const Renders renders = RenderWithCopy(file);
    Loaded loaded(file);
    ASSERT_NE(loaded.module, nullptr);
    EXPECT_GT(loaded.module->instruments[1]->sampleCount, 1);
    for (int r = 0; r < kRows; ++r) {
        SCOPED_TRACE(r);
        const int k = r % 2 == 0 ? r / 2 % 2 : 2 + r / 2 % 6;
        const double amiga = 3546895.0 / periods[k] / kCycle;
        const double reference = RowPitch(renders.original, r, amiga);
        EXPECT_NEAR(Cents(RowPitch(renders.saved, r, amiga), reference), 0.0, 1.0);
        EXPECT_NEAR(Cents(RowPitch(renders.ours, r, amiga), reference), 0.0, 1.0);
    }
}

// ProTracker steps a volume slide at once each tick, where the XM tracker glides over the
// tick; an imported MOD keeps the steps in our player (an XM copy cannot carry them to others).
TEST(ImportPlayback, MODVolumeSlidesStepEachTickAsInTheOriginal) {
    MODTestSong song;
    MODTestSample sample;
    for (int i = 0; i < 64; ++i) sample.values.push_back(int8_t(i < 32 ? 100 : -100));
    sample.loopLength = 64;
    song.samples = {sample};
    song.patterns[0].cells = {{0, 1, 0, 0, 0xF, 8},
                              {0, 0, 428, 1, 0xA, 0x06},
                              {4, 0, 428, 1, 0x6, 0x05},
                              {8, 0, 428, 1, 0xE, 0xB8}};
    const auto file = Write("slides.mod", BuildMOD(song));
    Loaded loaded(file);
    ASSERT_NE(loaded.module, nullptr);
    std::vector<int16_t> ours;
    ASSERT_TRUE(RenderModule(loaded.module, RenderOptions{kRate, true}, ours));
    const std::vector<int16_t> original = PeerRender(file, kRate);
    const size_t tick = size_t(kRate) * 5 / 2 / 125;
    auto rms = [tick](const std::vector<int16_t>& pcm, size_t t) {
        double sum = 0; // the middle half of the tick, away from the ramps
        for (size_t i = t * tick + tick / 4; i < (t + 1) * tick - tick / 4; ++i)
            sum += double(pcm[2 * i]) * pcm[2 * i];
        return std::sqrt(sum / double(tick / 2));
    };
    for (size_t t = 0; t < 9 * 8; ++t) {
        SCOPED_TRACE(t);
        const double reference = rms(original, t);
        EXPECT_NEAR(rms(ours, t), reference, 0.02 * reference + 20);
    }
}

// Chip music switches waveforms under a held note with sample numbers alone, which ProTracker
// plays once the loop ends: a sine and a square, with and without an arpeggio.
TEST(ImportPlayback, MODSampleNumbersWithoutANoteSwitchTheWaveformAsInTheOriginal) {
    MODTestSong song;
    MODTestSample sine, square;
    sine.values = Sine(32, 1, 100);
    sine.loopLength = 32;
    for (int i = 0; i < 32; ++i) square.values.push_back(int8_t(i < 16 ? 60 : -60));
    square.loopLength = 32;
    song.samples = {sine, square};
    song.patterns[0].cells = {{0, 0, 428, 1, 0, 0},     {8, 0, 0, 2, 0, 0},
                              {16, 0, 0, 1, 0, 0},      {24, 0, 0, 2, 0x0, 0x37},
                              {25, 0, 0, 0, 0x0, 0x37}, {32, 0, 320, 2, 0, 0},
                              {40, 0, 0, 1, 0, 0},      {48, 0, 0, 2, 0, 0}};
    ExpectPlaysAsTheOriginal(Write("swap.mod", BuildMOD(song)));
}

// Impulse Tracker's note cut silences the note at once and keeps the channel's volume for a
// note without a sample number; its global volume runs to 128.
TEST(ImportPlayback, ITNoteCutsAndGlobalVolumePlayAsInTheOriginal) {
    ITTestSong song;
    song.channels = 1;
    song.samples = {ITTestSample{Sine(64, 1, 100), 64, 8363, true}};
    song.patterns[0].cells = {{0, 0, 60, 1},       {8, 0, kITNoteCut}, {16, 0, 60, 0},
                              {24, 0, kITNoteCut}, {32, 0, 64, 1, 32}, {40, 0, kITNoteCut},
                              {48, 0, 60, 0},      {56, 0, kITNoteOff}};
    ExpectPlaysAsTheOriginal(Write("cut.it", BuildIT(song)));

    song.patterns[0].cells = {{0, 0, 60, 1},
                              {16, 0, -1, 0, -1, 'V' - '@', 0x40},
                              {32, 0, -1, 0, -1, 'W' - '@', 0x02},
                              {48, 0, -1, 0, -1, 'V' - '@', 0x80}};
    ExpectPlaysAsTheOriginal(Write("volume.it", BuildIT(song)));
}

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

// The reference's S3M and IT vibrato already bends the first tick of each row it runs on into;
// the XM tracker holds the last tick's pitch there. A converted song keeps the source's way in
// both players. High on the Amiga table a period step is a wide interval, so one tick of
// difference shows.
TEST(ImportPlayback, AConvertedS3MVibratoBendsTheFirstTickOfEachRowInBothPlayers) {
    for (const uint8_t command : {uint8_t('H' - '@'), uint8_t('K' - '@')}) {
        SCOPED_TRACE(int(command));
        S3MTestSong song;
        song.channels = 1;
        song.speed = 3;
        song.samples = {S3MTestSample{Sine(126, 1, 100), 64, 8363, true}};
        song.patterns[0].cells = {{0, 0, 7 * 12 + 10, 1, 40, 'H' - '@', 0xA1}}; // A#7
        for (int r = 1; r < 64; ++r) song.patterns[0].cells.push_back({r, 0, -1, 0, -1, command});
        const auto file = Write("vibrato.s3m", BuildS3M(song));
        Loaded loaded(file);
        ASSERT_NE(loaded.module, nullptr) << SNDgetErrorMessage(SNDgetLastError());
        const auto copy = TempDir() / "vibrato.xm";
        const ProcessResult r = RunCli({"--convert", file.string(), "--output", copy.string()});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        std::vector<int16_t> ours;
        ASSERT_TRUE(RenderModule(loaded.module, RenderOptions{kRate, true}, ours));
        const std::vector<int16_t> peer = PeerRender(copy, kRate);
        const SimilarityScores s =
            CompareRenders(ours, peer, kRate, std::min(ours.size(), peer.size()) / 2);
        EXPECT_GT(s.spectral, 0.999);
        EXPECT_GT(s.loudness, 0.995);
    }
}

// A tone portamento's number to the playing instrument only resets the volume in an S3M; in XM
// it resets the panning to the playing sample's and restarts the vibrato as well. The copy's
// slide sets the volume itself instead (autonom.s3m's channel 7).
TEST(ImportPlayback, AConvertedS3MSlideKeepsTheChannelsPanningInBothPlayers) {
    S3MTestSong song;
    song.channels = 2;
    song.pans = {0, 12};
    song.samples = {S3MTestSample{Sine(126, 1, 100), 64, 8363, true}};
    // Channel 0, silent, holds the sample's own panning at 0 with both columns taken. On
    // channel 1 a vibrato plays on over the slide, which its number restarts.
    song.patterns[0].cells = {{0, 1, 48, 1}, {8, 1, 50, 1, 40, 'G' - '@', 0x20}};
    for (int r = 0; r < 3; ++r) song.patterns[0].cells.push_back({r, 0, 48, 1, 0, 'J' - '@', 0x37});
    for (int r = 1; r < 16; ++r)
        if (r != 8) song.patterns[0].cells.push_back({r, 1, -1, 0, -1, 'H' - '@', 0x41});
    const auto file = Write("slide-pan.s3m", BuildS3M(song));
    Loaded loaded(file);
    ASSERT_NE(loaded.module, nullptr);
    EXPECT_EQ(loaded.module->lost[kLossChannelSettings], 0u);
    const Renders renders = RenderWithCopy(file);
    // The left-to-right balance over the rows after the slide starts.
    const size_t rowFrames = size_t(kRate) * 6 * 5 / 2 / 125;
    auto balance = [rowFrames](const std::vector<int16_t>& pcm) {
        double left = 0, right = 0;
        for (size_t i = 9 * rowFrames; i < 16 * rowFrames && 2 * i + 1 < pcm.size(); ++i)
            left += double(pcm[2 * i]) * pcm[2 * i],
                right += double(pcm[2 * i + 1]) * pcm[2 * i + 1];
        return std::sqrt(left / right);
    };
    const double reference = balance(renders.original);
    EXPECT_LT(reference, 0.6); // well to the right
    EXPECT_NEAR(balance(renders.saved) / reference, 1.0, 0.02);
    EXPECT_NEAR(balance(renders.ours) / reference, 1.0, 0.02);
    // The vibrato runs on through the slide.
    auto rows = [rowFrames](const std::vector<int16_t>& pcm) {
        return std::vector<int16_t>(pcm.begin() + std::ptrdiff_t(2 * 8 * rowFrames),
                                    pcm.begin() + std::ptrdiff_t(2 * 16 * rowFrames));
    };
    for (const auto* pcm : {&renders.saved, &renders.ours})
        EXPECT_GT(CompareRenders(rows(*pcm), rows(renders.original), kRate, 8 * rowFrames).spectral,
                  0.99);
}

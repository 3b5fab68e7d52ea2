// The playback calls on the silent output: preview notes, status, seeking, stopping, suspending.
#include "engine/playback_engine.h"
#include "engine/sndlib.h"
#include "support/test_paths.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Records the peak of every block the engine mixes.
class BlockWatch {
public:
    BlockWatch() {
        PlaybackEngine::Get().SetBlockObserver(
            [this](uint64_t block, const float* pcm, int frames) {
                float peak = 0;
                for (int i = 0; i < 2 * frames; ++i) peak = std::max(peak, std::fabs(pcm[i]));
                std::lock_guard lock(mutex_);
                peaks_[block] = peak;
                changed_.notify_all();
            });
    }
    ~BlockWatch() { PlaybackEngine::Get().SetBlockObserver(nullptr); }

    // The peak of block `n`, waiting for it to be mixed.
    float Peak(uint64_t n) {
        std::unique_lock lock(mutex_);
        const bool mixed = changed_.wait_for(lock, 10s, [&] { return peaks_.count(n) != 0; });
        EXPECT_TRUE(mixed) << "block " << n << " was never mixed";
        return mixed ? peaks_[n] : -1.0f;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::map<uint64_t, float> peaks_;
};

class Playback : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SNDstartup());
        ASSERT_TRUE(SNDsetOption(kOptSilentOutput, 1));
        ASSERT_TRUE(SNDinit());
        ASSERT_TRUE(SNDstartBackgroundPlay(0));
        module_ = SNDloadModule((SharedDir() / "corpus" / "dali.xm").string().c_str());
        ASSERT_NE(module_, nullptr);
    }
    void TearDown() override {
        EXPECT_TRUE(SNDclose());
        if (module_) SNDfreeModule(module_);
    }

    // The first instrument that has a sample with data.
    int SoundingInstrument() const {
        for (int i = 0; i < module_->instrumentCount; ++i)
            if (module_->instruments[i] && module_->instruments[i]->samples[0] &&
                module_->instruments[i]->samples[0]->length > 0)
                return i;
        return -1;
    }

    static PlayStatusRecord Status(PlayHandle handle) {
        PlayStatusRecord status{};
        EXPECT_TRUE(SNDgetPlayStatus(handle, &status));
        return status;
    }

    // Waits (bounded) until the condition holds on the status.
    template <class F> static bool WaitFor(PlayHandle handle, F condition) {
        for (int i = 0; i < 500; ++i) {
            if (condition(Status(handle))) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    ModuleRecord* module_ = nullptr;
};

} // namespace

TEST_F(Playback, PreviewNoteSoundsInTheFirstBlockMixedAfterTheCallAndStopsOnCut) {
    BlockWatch watch;
    const PlayHandle preview = PLYRplayModuleInstruments(module_);
    ASSERT_NE(preview, 0u);
    const int instrument = SoundingInstrument();
    ASSERT_GE(instrument, 0);
    EXPECT_EQ(watch.Peak(PlaybackEngine::Get().BlocksStarted() + 1), 0.0f); // silent before

    ASSERT_TRUE(PLYRplayInstrumentNote(preview, 3, instrument, 0x40));
    const uint64_t first = PlaybackEngine::Get().BlocksStarted();
    EXPECT_GT(watch.Peak(first), 0.0f);

    ASSERT_TRUE(PLYRstopNote(preview, 3));
    const uint64_t afterCut = PlaybackEngine::Get().BlocksStarted();
    EXPECT_EQ(watch.Peak(afterCut + 1), 0.0f);

    ASSERT_TRUE(PLYRplaySampleNote(preview, 0, instrument, 0, 0x30));
    EXPECT_GT(watch.Peak(PlaybackEngine::Get().BlocksStarted()), 0.0f);
    EXPECT_TRUE(SNDstopModule(preview));
}

TEST_F(Playback, AChannelReportsTheNoteItSoundsUntilReleased) {
    const PlayHandle preview = PLYRplayModuleInstruments(module_);
    const int instrument = SoundingInstrument();
    VoiceStatusRecord voice{};
    ASSERT_TRUE(PLYRgetVoiceStatus(preview, 5, &voice));
    EXPECT_EQ(voice.instrument, -1) << "nothing played there yet";

    ASSERT_TRUE(PLYRplayInstrumentNote(preview, 5, instrument, 0x50));
    ASSERT_TRUE(PLYRgetVoiceStatus(preview, 5, &voice));
    EXPECT_EQ(voice.instrument, instrument);
    EXPECT_EQ(voice.note, 0x50);
    EXPECT_TRUE(voice.keyOn);
    ASSERT_TRUE(PLYRgetVoiceStatus(preview, 4, &voice));
    EXPECT_EQ(voice.instrument, -1) << "only the channel played";

    EXPECT_EQ(voice.startFrame, 0);
    EXPECT_EQ(voice.endFrame, -1) << "a note plays on as the sample loops";

    // Part of a sample, played slowly: where it started and where it ends.
    const SampleRecord* record = module_->instruments[instrument]->samples[0];
    const int32_t end = record->length / (record->format == kSampleFormat16 ? 2 : 1) - 1;
    ASSERT_GT(end, 2);
    ASSERT_TRUE(PLYRplaySampleRange(preview, 6, instrument, 0, 0x00, 2, end));
    ASSERT_TRUE(PLYRgetVoiceStatus(preview, 6, &voice));
    EXPECT_EQ(voice.sample, 0);
    EXPECT_EQ(voice.startFrame, 2);
    EXPECT_EQ(voice.endFrame, end);
    EXPECT_GE(voice.frame, 2);
    EXPECT_LE(voice.frame, end);
    ASSERT_TRUE(PLYRstopNote(preview, 6));

    ASSERT_TRUE(PLYRreleaseNote(preview, 5));
    ASSERT_TRUE(PLYRgetVoiceStatus(preview, 5, &voice));
    EXPECT_FALSE(voice.keyOn);
    ASSERT_TRUE(PLYRstopNote(preview, 5));
    ASSERT_TRUE(PLYRgetVoiceStatus(preview, 5, &voice));
    EXPECT_EQ(voice.instrument, -1);

    EXPECT_FALSE(PLYRgetVoiceStatus(preview, kMaxChannels, &voice));
    EXPECT_FALSE(PLYRgetVoiceStatus(preview, 0, nullptr));
    EXPECT_FALSE(PLYRgetVoiceStatus(preview + 100, 0, &voice));
    EXPECT_TRUE(SNDstopModule(preview));
}

TEST_F(Playback, ReleaseAndStopWorkOnEveryChannelAndBadArgumentsAreRefused) {
    BlockWatch watch;
    const PlayHandle preview = PLYRplayModuleInstruments(module_);
    const int instrument = SoundingInstrument();
    for (int c = 0; c < kMaxChannels; ++c)
        ASSERT_TRUE(PLYRplayInstrumentNote(preview, c, instrument, 0x40));
    for (int c = 0; c < kMaxChannels; ++c) EXPECT_TRUE(PLYRreleaseNote(preview, c));
    for (int c = 0; c < kMaxChannels; ++c) EXPECT_TRUE(PLYRstopNote(preview, c));
    EXPECT_EQ(watch.Peak(PlaybackEngine::Get().BlocksStarted() + 1), 0.0f);

    EXPECT_FALSE(PLYRplayInstrumentNote(preview, kMaxChannels, instrument, 0x40));
    EXPECT_EQ(SNDgetLastError(), kSndErrArgument);
    EXPECT_FALSE(PLYRplayInstrumentNote(preview, 0, instrument, 0x4C)); // semitone 12
    EXPECT_FALSE(PLYRreleaseNote(preview + 100, 0));
    EXPECT_FALSE(SNDsetMusicVolume(preview, 65));
    EXPECT_FALSE(PLYRsetPlaySpeed(preview, 0));
    EXPECT_FALSE(SNDplayModuleSection(module_, 0, module_->songLength, 0, true));
    // Notes on an empty instrument slot or sample slot are silent, not errors.
    EXPECT_TRUE(PLYRplayInstrumentNote(preview, 1, kMaxInstruments - 1, 0x40));
    EXPECT_TRUE(PLYRplaySampleNote(preview, 1, instrument, kMaxSamples - 1, 0x40));
}

TEST_F(Playback, SongAdvancesSeeksWrapAndPlaysAgainAfterStop) {
    const PlayHandle song = SNDplayModule(module_, true);
    ASSERT_NE(song, 0u);
    EXPECT_TRUE(WaitFor(song, [](const PlayStatusRecord& s) { return s.row > 0; }));

    ASSERT_TRUE(SNDsetPosition(song, module_->songLength)); // wraps to the first position
    EXPECT_EQ(Status(song).position, 0);
    ASSERT_TRUE(SNDsetPosition(song, -1)); // the last position
    EXPECT_EQ(Status(song).position, module_->songLength - 1);
    EXPECT_EQ(Status(song).pattern, module_->orders[module_->songLength - 1] & 0xFF);
    ASSERT_TRUE(SNDsetPosition(song, 1));
    EXPECT_TRUE(
        WaitFor(song, [](const PlayStatusRecord& s) { return s.position == 1 && s.row > 0; }));

    ASSERT_TRUE(PLYRsetPlayTempo(song, 255));
    ASSERT_TRUE(PLYRsetPlaySpeed(song, 1));
    ASSERT_TRUE(SNDsetMusicVolume(song, 32));
    ASSERT_TRUE(SNDfadeMusicChannel(song, 0, 0));
    ASSERT_TRUE(SNDstopModule(song));
    PlayStatusRecord status{};
    EXPECT_FALSE(SNDgetPlayStatus(song, &status));
    EXPECT_FALSE(SNDstopModule(song));

    const PlayHandle again = SNDplayModule(module_, true);
    ASSERT_NE(again, 0u);
    EXPECT_NE(again, song);
    EXPECT_EQ(Status(again).position, 0);
    EXPECT_TRUE(WaitFor(again, [](const PlayStatusRecord& s) { return s.row > 0; }));

    // A section of one position loops on itself.
    const PlayHandle pattern = SNDplayModuleSection(module_, 2, 2, 2, true);
    ASSERT_TRUE(PLYRsetPlayTempo(pattern, 255));
    ASSERT_TRUE(PLYRsetPlaySpeed(pattern, 1));
    EXPECT_TRUE(WaitFor(pattern, [](const PlayStatusRecord& s) { return s.loopCount > 0; }));
    EXPECT_EQ(Status(pattern).position, 2);
}

TEST_F(Playback, ASongPlayedWithoutLoopFallsSilentAtItsEnd) {
    BlockWatch watch;
    ModuleRecord* shortSong =
        SNDloadModule((SharedDir() / "conformance" / "xm" / "FT2PanLaw.xm").string().c_str());
    ASSERT_NE(shortSong, nullptr);
    const PlayHandle song = SNDplayModule(shortSong, false);
    ASSERT_NE(song, 0u);
    bool sounded = false, silentAfter = false;
    for (int i = 0; i < 1000 && !silentAfter; ++i) {
        const uint64_t block = PlaybackEngine::Get().BlocksStarted();
        const float peak = watch.Peak(block);
        sounded |= peak > 0;
        // Once it has sounded, the end of the song brings lasting silence.
        silentAfter = sounded && peak == 0 && watch.Peak(block + 20) == 0;
    }
    EXPECT_TRUE(sounded);
    EXPECT_TRUE(silentAfter);
    EXPECT_EQ(Status(song).loopCount, 0);
    ASSERT_TRUE(SNDstopModule(song));
    SNDfreeModule(shortSong);
}

TEST_F(Playback, PackedPatternsAreUnpackedAndMissingPatternsSkipped) {
    ASSERT_TRUE(PLYRcompressPattern(module_, 0));
    const int last = module_->songLength - 1;
    const uint16_t saved = module_->orders[last];
    module_->orders[last] = uint16_t(module_->patternCount); // a pattern that does not exist
    const PlayHandle song = SNDplayModuleSection(module_, last - 1, last, last - 1, true);
    ASSERT_NE(song, 0u);
    ASSERT_TRUE(PLYRsetPlayTempo(song, 255));
    ASSERT_TRUE(PLYRsetPlaySpeed(song, 1));
    EXPECT_TRUE(PatternIsUnpacked(module_->patterns[0]));
    // The missing pattern's position is never reported: playback loops on the one before.
    EXPECT_TRUE(WaitFor(song, [](const PlayStatusRecord& s) { return s.loopCount > 1; }));
    EXPECT_EQ(Status(song).position, last - 1);
    ASSERT_TRUE(SNDstopModule(song));
    module_->orders[last] = saved;
}

TEST_F(Playback, SuspendAndResumeKeepPlayingAndNoDeviceFallsBackToSilence) {
    const PlayHandle song = SNDplayModule(module_, true);
    ASSERT_TRUE(SNDsuspend());
    ASSERT_TRUE(SNDsetOption(kOptMixRate, 22050));
    ASSERT_TRUE(SNDresume());
    EXPECT_EQ(PlaybackEngine::Get().MixRate(), 22050);
    const int row = Status(song).row;
    EXPECT_TRUE(WaitFor(song, [row](const PlayStatusRecord& s) { return s.row != row; }));
    EXPECT_FALSE(SNDsetOption(kOptOutputMode, 7));
    EXPECT_FALSE(SNDsetOption(kOptMixRate, 100));

    // A real device may or may not exist here; without one, silent output takes over.
    ASSERT_TRUE(SNDclose());
    ASSERT_TRUE(SNDstartup());
    ASSERT_TRUE(SNDinit());
    if (!SNDstartBackgroundPlay(0)) {
        EXPECT_EQ(SNDgetLastError(), kSndErrDevice);
        ASSERT_TRUE(SNDsetOption(kOptSilentOutput, 1));
        ASSERT_TRUE(SNDinit());
        ASSERT_TRUE(SNDstartBackgroundPlay(0));
    }
    const PlayHandle again = SNDplayModule(module_, true);
    EXPECT_TRUE(WaitFor(again, [](const PlayStatusRecord& s) { return s.row > 0; }));
}

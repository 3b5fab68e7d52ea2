// The model's edits while the song plays on the mixing thread: structure changes stop and resume
// playback at the kept position, and every kind of edit stays race-free (run under
// ThreadSanitizer by the tsan preset).
#include "model/audio.h"
#include "model/notes.h"
#include "song_fixture.h"

#include <chrono>
#include <gtest/gtest.h>
#include <random>
#include <thread>

namespace {

using namespace std::chrono_literals;

struct PlayingSong : testing::Test {
    std::unique_ptr<TSong> song;
    void SetUp() override {
        Audio().BufferLength = 20;
        Audio().StartUp();
        ASSERT_TRUE(Audio().Active);
        song = LoadCorpusSong("heroes04.xm");
    }
    void TearDown() override {
        song.reset();
        if (Audio().Active) Audio().ShutDown();
    }
    // Plays from `position` and waits until the player reports it.
    void PlayFrom(int position) {
        song->SetPosition(position);
        song->Play(true);
        ASSERT_TRUE(song->Playing());
        WaitFor([&] { return song->CurrentPosition() == position; });
    }
    template <class F> static bool WaitFor(F done) {
        const auto until = std::chrono::steady_clock::now() + 3s;
        while (!done()) {
            if (std::chrono::steady_clock::now() > until) return false;
            std::this_thread::sleep_for(5ms);
        }
        return true;
    }
};

} // namespace

TEST_F(PlayingSong, DeletionsKeepPlayingFromTheKeptPosition) {
    PlayFrom(3);
    song->DeletePattern(song->PatternCount() - 1, true);
    EXPECT_TRUE(song->Playing());
    EXPECT_TRUE(WaitFor([&] { return song->CurrentPosition() >= 3; }));

    PlayFrom(4);
    song->DeletePosition(0);
    EXPECT_TRUE(song->Playing());
    EXPECT_TRUE(WaitFor([&] { return song->CurrentPosition() >= 4; }));

    PlayFrom(2);
    song->DeleteInstrument(song->InstrumentCount() - 1);
    song->RemoveInstruments(song->GetUnusedInstruments());
    song->SetChannelCount(song->ChannelCount() + 2);
    EXPECT_TRUE(song->Playing());
    EXPECT_TRUE(WaitFor([&] { return song->CurrentPosition() >= 2; }));

    song->Stop();
    EXPECT_FALSE(song->Playing());
    const int kept = song->CurrentPosition();
    song->Play(true);
    EXPECT_TRUE(WaitFor([&] { return song->CurrentPosition() == kept; }));
}

TEST_F(PlayingSong, EditsOfEveryKindThroughTheModelWhilePlaying) {
    song->SetSpeed(2);
    song->Play(true);
    ASSERT_TRUE(song->Playing());
    std::mt19937 rng(42);
    const auto until = std::chrono::steady_clock::now() + 3s;
    int edits = 0;
    while (std::chrono::steady_clock::now() < until) {
        ++edits;
        TPattern* pattern = song->Patterns(int(rng() % uint32_t(song->PatternCount())));
        const int track = int(rng() % uint32_t(song->ChannelCount()));
        const int row = int(rng() % uint32_t(pattern->RowCount()));
        TInstrument* instrument = song->Instruments(int(rng() % uint32_t(song->InstrumentCount())));
        switch (rng() % 10) {
        case 0:
            pattern->SetNote(track, row, NoteFromIndex(int(rng() % 96)));
            pattern->SetInstrument(track, row, uint8_t(rng() % uint32_t(song->InstrumentCount())));
            break;
        case 1:
            pattern->SetVolume(track, row, uint8_t(rng() % 65));
            break;
        case 2:
            if (instrument->SampleCount() > 0) {
                TSample* sample = instrument->Samples(0);
                sample->SetVolume(int(rng() % 65));
                sample->SetLoopType(int(rng() % 3));
                sample->SetLoopStart(int(rng() % uint32_t(sample->Length() + 1)));
                sample->SetLoopEnd(sample->LoopStart() + int(rng() % 100));
            }
            break;
        case 3:
            if (instrument->SampleCount() > 0 && instrument->Samples(0)->Length() > 0) {
                TSample* sample = instrument->Samples(0);
                if (rng() % 2)
                    sample->Reverse(0, 0);
                else
                    sample->Amplify(0, 0, 0.9);
            }
            break;
        case 4:
            if (TEnvelope* envelope = instrument->VolumeEnvelope();
                envelope && envelope->PointCount() < 12) {
                const int n = envelope->PointCount();
                const int after = n > 0 ? envelope->PointTick(n - 1) : 0;
                envelope->InsertPoint(n, after + 1 + int(rng() % 50), int(rng() % 65));
            } else if (envelope && envelope->PointCount() > 1)
                envelope->DeletePoint(envelope->PointCount() - 1);
            break;
        case 5:
            if (instrument->SampleCount() < 16) instrument->InsertSample(-1);
            break;
        case 6:
            if (instrument->SampleCount() > 1)
                instrument->DeleteSample(instrument->SampleCount() - 1);
            break;
        case 7:
            if (song->InstrumentCount() < 40)
                song->InsertInstrument(int(rng() % uint32_t(song->InstrumentCount())));
            break;
        case 8:
            if (song->InstrumentCount() > 10) song->DeleteInstrument(song->InstrumentCount() - 1);
            break;
        default:
            song->SetTempo(int(100 + rng() % 150));
            break;
        }
        if (edits % 50 == 0) std::this_thread::sleep_for(1ms); // let the mixer take the lock
    }
    EXPECT_TRUE(song->Playing());
    EXPECT_GT(edits, 1000);
}

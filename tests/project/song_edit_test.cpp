// The edit layer on real songs: every kind of edit is undone to the song it started from and
// redone to the song it made, announcing itself each time; and a long random mix of edits made
// while the song plays unwinds and rewinds exactly (also under ThreadSanitizer).
#include "model/audio.h"
#include "model/envelope.h"
#include "model/instrument.h"
#include "model/sample.h"
#include "model/song.h"
#include "model/song_dump.h"
#include "project/app_objects.h"
#include "support/test_paths.h"

#include <functional>
#include <gtest/gtest.h>
#include <random>
#include <typeinfo>

namespace {

class Recorder : public TZEventListener {
public:
    explicit Recorder(std::vector<std::string>& log) : log_(log) {}
    // The insert and delete variants are logged under their family too, since an undo announces
    // the opposite one.
    void HandleEvent(TZEvent& event, int32_t) override {
        log_.push_back(typeid(event).name());
        if (dynamic_cast<EvPositionInsDel*>(&event))
            log_.push_back(typeid(EvPositionInsDel).name());
        if (dynamic_cast<EvPatternInsDel*>(&event)) log_.push_back(typeid(EvPatternInsDel).name());
    }

private:
    std::vector<std::string>& log_;
};

template <class E> std::string Name() {
    return typeid(E).name();
}

class SongEditTest : public testing::Test {
protected:
    void SetUp() override {
        Audio().BufferLength = 20;
        Audio().StartUp();
        Open("dali.xm");
        EventManager().Register(std::make_unique<Recorder>(events));
    }
    void TearDown() override {
        SongEdit().Clear();
        Project().Close();
        if (Audio().Active) Audio().ShutDown();
    }
    void Open(const char* name) {
        SongEdit().Clear();
        Project().Open((SharedDir() / "corpus" / name).string());
    }
    TSong& Song() { return *Project().Song(); }
    std::string Dump() { return DumpSong(Song()); }

    // Applies the edit, then undoes and redoes it: the song must go back to exactly what it was
    // and forward to exactly what the edit made, announcing `event` each time.
    void Check(const std::string& event, const std::function<void()>& edit) {
        const std::string before = Dump();
        const int steps = SongEdit().History().count();
        events.clear();
        edit();
        const std::string after = Dump();
        ASSERT_NE(before, after) << "the edit changed nothing";
        EXPECT_EQ(SongEdit().History().count(), steps + 1) << "one step per edit";
        EXPECT_TRUE(SongEdit().Modified());
        Expect(event, "the edit");
        SongEdit().Undo();
        EXPECT_EQ(Dump(), before) << "undo of " << SongEdit().RedoText().toStdString();
        Expect(event, "its undo");
        SongEdit().Redo();
        EXPECT_EQ(Dump(), after) << "redo of " << SongEdit().UndoText().toStdString();
        Expect(event, "its redo");
    }
    void Expect(const std::string& event, const char* what) {
        EXPECT_NE(std::find(events.begin(), events.end(), event), events.end())
            << what << " did not announce " << event;
        events.clear();
    }
    // A pattern no position plays, made for the test.
    int SparePattern() {
        SongEdit().InsertPattern(-1, false);
        return Song().PatternCount() - 1;
    }

    TAppObjects objects;
    std::vector<std::string> events;
};

} // namespace

TEST_F(SongEditTest, SongPropertiesUndoAndRedo) {
    Check(Name<EvSongPropChange>(), [] { SongEdit().SetName("another name"); });
    Check(Name<EvSongPropChange>(), [&] { SongEdit().SetSpeed(Song().Speed() + 1); });
    Check(Name<EvSongPropChange>(), [&] { SongEdit().SetTempo(Song().Tempo() + 7); });
    Check(Name<EvSongPropChange>(), [&] { SongEdit().SetRestart(Song().SongLength() - 1); });
    EXPECT_EQ(SongEdit().UndoText(), "Set Restart");
}

TEST_F(SongEditTest, TypingIntoTheNameIsOneStep) {
    const std::string name = Song().Name();
    for (const char* typed : {"a", "ab", "abc"}) SongEdit().SetName(typed);
    EXPECT_EQ(SongEdit().History().count(), 1);
    SongEdit().Undo();
    EXPECT_EQ(Song().Name(), name);
    SongEdit().Redo();
    EXPECT_EQ(Song().Name(), "abc");
}

TEST_F(SongEditTest, ChannelCountKeepsTheDroppedTracks) {
    Open("heroes04.xm");
    ASSERT_GT(SongEdit().CellsBeyondTrack(4), 0);
    Check(Name<EvTrackCountChange>(), [] { SongEdit().SetChannelCount(4); });
    EXPECT_EQ(SongEdit().CellsBeyondTrack(4), 0);
    Check(Name<EvTrackCountChange>(), [] { SongEdit().SetChannelCount(32); });
}

TEST_F(SongEditTest, OrderListEditsUndoAndRedo) {
    Check(Name<EvPositionRenumber>(),
          [&] { SongEdit().SetOrder(1, (Song().Orders(1) + 1) % Song().PatternCount()); });
    Check(Name<EvPositionInsDel>(), [] { SongEdit().InsertPosition(2); });
    Check(Name<EvPositionInsDel>(), [] { SongEdit().InsertPosition(-1); });
    // The restart position follows a deletion at the end back and forth.
    SongEdit().SetRestart(Song().SongLength() - 1);
    Check(Name<EvPositionInsDel>(), [&] { SongEdit().DeletePosition(Song().SongLength() - 1); });
    Check(Name<EvPositionInsDel>(), [] { SongEdit().DeletePosition(0); });
    Check(Name<EvPositionRenumber>(), [] { SongEdit().RenumberPatterns(1, -1); });
}

TEST_F(SongEditTest, PatternInsertAndDeleteKeepTheOrderListPlayingTheSameMusic) {
    // Inserting at 1 moves every later pattern up; Renumber keeps the positions on them.
    Check(Name<EvPatternInsDel>(), [] { SongEdit().InsertPattern(1, true); });
    Check(Name<EvPatternInsDel>(), [] { SongEdit().InsertPattern(0, false); });
    Check(Name<EvPatternInsDel>(), [] { SongEdit().DeletePatterns({0}, true); });
    Check(Name<EvPatternInsDel>(), [] { SongEdit().DeletePatterns({1, 3}, false); });
    // Undo brings back the very cells of a deleted pattern, not an empty one.
    const int spare = SparePattern();
    SongEdit().ChangeCells(spare, {{2, 5, {}, TCell{0, 0x40, 0, 10, 0, 0}}}, "Note");
    Check(Name<EvPatternInsDel>(), [&] { SongEdit().DeletePatterns({spare}, true); });
}

TEST_F(SongEditTest, InstrumentRemovalRenumbersTheCellsAndComesBackWhole) {
    std::vector<int> unused;
    for (TInstrument* instrument : Song().GetUnusedInstruments())
        unused.push_back(instrument->Number());
    ASSERT_FALSE(unused.empty());
    Check(Name<EvInstListChange>(), [&] { SongEdit().RemoveInstruments(unused); });
    // Used instruments too: their cells keep pointing where they did, the rest shift down.
    Check(Name<EvInstListChange>(), [] { SongEdit().RemoveInstruments({0, 2}); });
}

TEST_F(SongEditTest, CleanUpIsOneStep) {
    std::vector<int> patterns;
    for (TPattern* pattern : Song().GetUnusedPatterns()) patterns.push_back(pattern->Number());
    patterns.push_back(SparePattern());
    std::vector<int> instruments;
    for (TInstrument* instrument : Song().GetUnusedInstruments())
        instruments.push_back(instrument->Number());
    Check(Name<EvPatternInsDel>(), [&] { SongEdit().CleanUp(patterns, instruments); });
    EXPECT_EQ(SongEdit().UndoText(), "Clean Up");
}

TEST_F(SongEditTest, CellEditsAnnounceTheCellTheyReplaced) {
    const TCell before = Song().Patterns(0)->GetCell(3, 7);
    TCell after = before;
    after.note = 0x51;
    after.volume = 0x20;
    Check(Name<EvPatternChange>(), [&] {
        SongEdit().ChangeCells(0, {{3, 7, before, after}}, "Note");
    });
    EXPECT_EQ(SongEdit().UndoText(), "Note");

    // Listeners see the one cell with its previous content, on the edit and on its undo.
    struct Seen : TZEventListener {
        std::optional<TCell> cell;
        int track = -2, row = -2;
        void HandleEvent(TZEvent& event, int32_t) override {
            if (auto* change = dynamic_cast<EvPatternChange*>(&event)) {
                cell = change->Cell;
                track = change->Track;
                row = change->Row;
            }
        }
    };
    auto* seen = static_cast<Seen*>(EventManager().Register(std::make_unique<Seen>()));
    SongEdit().Undo();
    EXPECT_EQ(seen->track, 3);
    EXPECT_EQ(seen->row, 7);
    ASSERT_TRUE(seen->cell.has_value());
    EXPECT_EQ(seen->cell->note, 0x51);
    EventManager().Unregister(seen);
    SongEdit().Redo();

    // A pasted block is one step, however many cells it covers.
    const std::vector<uint8_t> block = Song().Patterns(1)->MakeBlock(0, 3, 0, 15);
    Check(Name<EvPatternChange>(), [&] {
        SongEdit().ChangeCells(2, Song().Patterns(2)->PasteChanges(block, 1, 40), "Paste");
    });
}

TEST_F(SongEditTest, RowCountsGrowAndShrinkComeBackWithTheirCells) {
    Check(Name<EvPatternPropChange>(), [] { SongEdit().SetRowCount(0, 17); });
    Check(Name<EvPatternPropChange>(), [] { SongEdit().SetRowCount(0, 200); });
    Check(Name<EvPatternPropChange>(), [] { SongEdit().ExpandRows(1); });
    Check(Name<EvPatternPropChange>(), [] { SongEdit().ShrinkRows(2); });
}

TEST_F(SongEditTest, SampleProcessesSwapTheKeptBlockBack) {
    int instrument = 0;
    while (Song().Instruments(instrument)->SampleCount() == 0 ||
           Song().Instruments(instrument)->Samples(0)->Length() < 100)
        ++instrument;
    const uint8_t* original = Song().Instruments(instrument)->Samples(0)->Record()->data;
    Check(Name<EvSampleChange>(), [&] {
        SongEdit().ProcessSample(instrument, 0, "Reverse", [](TSample& s) { s.Reverse(0, 0); });
    });
    SongEdit().Undo();
    // The very block, not a copy of it.
    EXPECT_EQ(Song().Instruments(instrument)->Samples(0)->Record()->data, original);
    SongEdit().Redo();
    EXPECT_GT(SongEdit().KeptBytes(), 0u);
    Check(Name<EvSampleChange>(), [&] {
        SongEdit().ProcessSample(instrument, 0, "Amplify",
                                 [](TSample& s) { s.Amplify(10, 60, 0.5); });
    });
}

TEST_F(SongEditTest, EnvelopeEditsUndoAndRedo) {
    Open("heroes04.xm");
    int instrument = 0;
    while (!Song().Instruments(instrument)->VolumeEnvelope() ||
           !Song().Instruments(instrument)->PanningEnvelope() ||
           Song().Instruments(instrument)->VolumeEnvelope()->PointCount() < 2)
        ++instrument;
    Check(Name<EvEnvelopeChange>(), [&] {
        SongEdit().EditEnvelope(instrument, false, "Insert Point",
                                [](TEnvelope& e) { e.InsertPoint(1, e.PointTick(0) + 1, 33); });
    });
    Check(Name<EvEnvelopeChange>(), [&] {
        SongEdit().EditEnvelope(instrument, true, "Envelope On",
                                [](TEnvelope& e) { e.SetEnabled(!e.Enabled()); });
    });
}

TEST_F(SongEditTest, SamplePropertyEditsKeepTheDataAndComeBack) {
    int instrument = 0;
    while (Song().Instruments(instrument)->SampleCount() == 0 ||
           Song().Instruments(instrument)->Samples(0)->Length() < 100)
        ++instrument;
    TSample* sample = Song().Instruments(instrument)->Samples(0);
    const uint8_t* data = sample->Record()->data;
    Check(Name<EvSampleChange>(), [&] {
        SongEdit().EditSample(instrument, 0, "Loop", [](TSample& s) {
            s.SetLoopType(s.LoopType() == 1 ? 2 : 1);
            s.SetLoopStart(10);
            s.SetLoopEnd(90);
        });
    });
    Check(Name<EvSampleChange>(), [&] {
        SongEdit().EditSample(instrument, 0, "Sample Properties", [](TSample& s) {
            s.SetVolume(s.Volume() == 12 ? 13 : 12);
            s.SetPanning(-40);
            s.SetFineTune(-7);
            s.SetName("renamed");
        });
    });
    SongEdit().Undo();
    SongEdit().Undo();
    EXPECT_EQ(sample->Record()->data, data) << "a property step never touches the data block";
}

TEST_F(SongEditTest, KeyAssignmentsAreOneStepOverManyNotes) {
    int instrument = 0;
    while (Song().Instruments(instrument)->SampleCount() == 0) ++instrument;
    TInstrument* inst = Song().Instruments(instrument);
    // The corpus has no instrument of two samples: give one a second slot to assign.
    inst->InsertSample(-1);
    SongEdit().Clear();
    const int sample = inst->NoteSample(40) == 1 ? 0 : 1;
    Check(Name<EvInstrumentChange>(), [&] {
        SongEdit().AssignKeys(instrument, {40, 41, 95}, sample);
    });
    EXPECT_EQ(inst->NoteSample(41), sample);
    EXPECT_EQ(inst->NoteSample(95), sample);
    SongEdit().AssignKeys(instrument, {41, 95}, sample);
    EXPECT_EQ(SongEdit().History().count(), 1) << "an assignment that changes nothing";
}

TEST_F(SongEditTest, TheSavedPointDecidesWhetherTheSongIsModified) {
    EXPECT_FALSE(SongEdit().Modified());
    SongEdit().SetTempo(Song().Tempo() + 1);
    SongEdit().SetSpeed(Song().Speed() + 1);
    EXPECT_TRUE(SongEdit().Modified());
    SongEdit().Undo();
    SongEdit().Undo();
    EXPECT_FALSE(SongEdit().Modified());
    SongEdit().Redo();
    SongEdit().SetSaved();
    EXPECT_FALSE(SongEdit().Modified());
    SongEdit().Undo();
    EXPECT_TRUE(SongEdit().Modified());
    // A new edit drops the redo branch that held the saved point.
    SongEdit().SetName("elsewhere");
    SongEdit().Undo();
    EXPECT_TRUE(SongEdit().Modified());
    EXPECT_FALSE(SongEdit().CanRedo() && SongEdit().RedoText() == "Set Tempo");
}

TEST_F(SongEditTest, TheHistoryKeepsAThousandStepsAndDropsTheOldest) {
    const int tempo = Song().Tempo();
    for (int i = 0; i < TSongEdit::kDepth + 5; ++i) SongEdit().SetTempo(i % 2 ? 130 : 140);
    EXPECT_EQ(SongEdit().History().count(), TSongEdit::kDepth);
    int undone = 0;
    while (SongEdit().CanUndo()) {
        SongEdit().Undo();
        ++undone;
    }
    EXPECT_EQ(undone, TSongEdit::kDepth);
    EXPECT_NE(Song().Tempo(), tempo) << "the oldest five steps are gone";
}

TEST_F(SongEditTest, KeptDataStaysWithinTheByteBudget) {
    int instrument = 0;
    while (Song().Instruments(instrument)->SampleCount() == 0 ||
           Song().Instruments(instrument)->Samples(0)->ByteLength() < 1000)
        ++instrument;
    const size_t block = size_t(Song().Instruments(instrument)->Samples(0)->ByteLength());
    // Room for three kept blocks and a bit.
    SongEdit().SetBudget(3 * block + block / 2);
    SongEdit().SetTempo(Song().Tempo() + 1);
    for (int i = 0; i < 6; ++i)
        SongEdit().ProcessSample(instrument, 0, "Reverse", [](TSample& s) { s.Reverse(0, 0); });
    EXPECT_LE(SongEdit().KeptBytes(), 3 * block + block / 2);
    int undone = 0;
    while (SongEdit().CanUndo()) {
        SongEdit().Undo();
        ++undone;
    }
    EXPECT_EQ(undone, 3) << "the oldest steps let go of their blocks and cannot be undone";
    EXPECT_FALSE(SongEdit().CanUndo());
    SongEdit().Redo();
    EXPECT_TRUE(SongEdit().CanUndo());
}

// --- A long random mix, while the song plays ------------------------------------------------

namespace {

class RandomEdits {
public:
    RandomEdits(TSong& song, unsigned seed) : song_(song), random_(seed) {}

    void One() {
        switch (Pick(12)) {
        case 0:
            SongEdit().SetName("n" + std::to_string(Pick(1000)));
            break;
        case 1:
            SongEdit().SetTempo(32 + Pick(200));
            break;
        case 2:
            SongEdit().SetSpeed(1 + Pick(30));
            break;
        case 3:
            SongEdit().SetChannelCount(4 + Pick(29));
            break;
        case 4:
            SongEdit().SetOrder(Pick(song_.SongLength()), Pick(song_.PatternCount()));
            break;
        case 5:
            if (Pick(2))
                SongEdit().InsertPosition(Pick(song_.SongLength()));
            else
                SongEdit().DeletePosition(Pick(song_.SongLength()));
            break;
        case 6:
            if (Pick(2) && song_.PatternCount() < 200)
                SongEdit().InsertPattern(Pick(song_.PatternCount() + 1), Pick(2));
            else
                SongEdit().DeletePatterns({Pick(song_.PatternCount())}, Pick(2));
            break;
        case 7: {
            const int pattern = Pick(song_.PatternCount());
            SongEdit().SetRowCount(pattern, 1 + Pick(256));
            break;
        }
        case 8:
            Sample();
            break;
        case 9:
            Envelope();
            break;
        case 10:
            if (song_.InstrumentCount() > 1)
                SongEdit().RemoveInstruments({Pick(song_.InstrumentCount())});
            break;
        default:
            Cells();
            break;
        }
    }

private:
    int Pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }

    void Cells() {
        const int p = Pick(song_.PatternCount());
        const TPattern& pattern = *song_.Patterns(p);
        TCellChanges changes;
        for (int i = 1 + Pick(8); i > 0; --i) {
            const int t = Pick(pattern.TrackCount()), r = Pick(pattern.RowCount());
            TCell after = pattern.GetCell(t, r);
            after.note = uint8_t(Pick(4) ? (Pick(8) << 4 | Pick(12)) : kNoteNone);
            after.instrument = uint8_t(Pick(song_.InstrumentCount() + 1));
            after.command = uint8_t(Pick(16));
            after.param = uint8_t(Pick(256));
            if (std::none_of(changes.begin(), changes.end(),
                             [&](const TCellChange& c) { return c.track == t && c.row == r; }))
                changes.push_back({t, r, pattern.GetCell(t, r), after});
        }
        SongEdit().ChangeCells(p, changes, "Cells");
    }

    void Sample() {
        const int i = Pick(song_.InstrumentCount());
        if (song_.Instruments(i)->SampleCount() == 0) return;
        const int s = Pick(song_.Instruments(i)->SampleCount());
        if (song_.Instruments(i)->Samples(s)->Length() < 4) return;
        if (Pick(2))
            SongEdit().ProcessSample(i, s, "Reverse", [](TSample& x) { x.Reverse(0, 0); });
        else
            SongEdit().ProcessSample(i, s, "Amplify", [](TSample& x) { x.Amplify(0, 0, 0.8); });
    }

    void Envelope() {
        const int i = Pick(song_.InstrumentCount());
        const bool panning = Pick(2);
        TInstrument* instrument = song_.Instruments(i);
        if (!(panning ? instrument->PanningEnvelope() : instrument->VolumeEnvelope())) return;
        const int value = Pick(64);
        SongEdit().EditEnvelope(i, panning, "Envelope", [value](TEnvelope& e) {
            if (e.PointCount() > 1) e.SetPointValue(e.PointCount() - 1, value);
            e.SetLoopEnabled(!e.LoopEnabled());
        });
    }

    TSong& song_;
    std::mt19937 random_;
};

} // namespace

TEST_F(SongEditTest, PlayWhileEditingFiveHundredEditsUnwindAndRewindExactly) {
    Open("heroes04.xm");
    Song().Play(true);
    ASSERT_TRUE(Song().Playing());
    const std::string original = Dump();
    RandomEdits edits(Song(), 20261208);
    for (int i = 0; i < 500; ++i) edits.One();
    const std::string edited = Dump();
    ASSERT_NE(edited, original);
    const int steps = SongEdit().History().count();
    EXPECT_GT(steps, 400);
    for (int i = 0; i < steps; ++i) SongEdit().Undo();
    EXPECT_EQ(Dump(), original);
    EXPECT_FALSE(SongEdit().Modified());
    for (int i = 0; i < steps; ++i) SongEdit().Redo();
    EXPECT_EQ(Dump(), edited);
    EXPECT_TRUE(Song().Playing());
    Song().Stop();
}

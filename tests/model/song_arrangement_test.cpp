#include "model/errors.h"
#include "model/song_dump.h"
#include "song_fixture.h"

#include <gtest/gtest.h>

namespace {

std::vector<int> OrderList(const TSong& song) {
    std::vector<int> orders;
    for (int p = 0; p < song.SongLength(); ++p) orders.push_back(song.Orders(p));
    return orders;
}

void SetOrderList(TSong& song, const std::vector<int>& orders) {
    while (song.SongLength() > 1) song.DeletePosition(0);
    song.SetOrders(0, orders[0]);
    for (size_t i = 1; i < orders.size(); ++i) {
        song.InsertPosition(-1);
        song.SetOrders(int(i), orders[i]);
    }
}

void ExpectNumbersMatchIndices(const TSong& song) {
    ASSERT_EQ(song.PatternCount(), song.Module()->patternCount);
    for (int i = 0; i < song.PatternCount(); ++i) {
        EXPECT_EQ(song.Patterns(i)->Number(), i);
        EXPECT_EQ(song.Patterns(i)->Record(), song.Module()->patterns[i]);
    }
    for (int i = 0; i < song.InstrumentCount(); ++i) {
        EXPECT_EQ(song.Instruments(i)->Number(), i);
        EXPECT_EQ(song.Instruments(i)->Record(), song.Module()->instruments[i]);
    }
    for (int i = song.InstrumentCount(); i < kMaxInstruments; ++i)
        EXPECT_EQ(song.Module()->instruments[i], nullptr);
}

} // namespace

TEST(OrderList, InsertCopiesThePositionAndAppendingRepeatsTheLast) {
    auto song = LoadCorpusSong("mph.xm");
    SetOrderList(*song, {5, 7, 8});
    song->InsertPosition(1);
    EXPECT_EQ(OrderList(*song), (std::vector<int>{5, 7, 7, 8}));
    song->InsertPosition(-1);
    EXPECT_EQ(OrderList(*song), (std::vector<int>{5, 7, 7, 8, 8}));
    song->DeletePosition(0);
    EXPECT_EQ(OrderList(*song), (std::vector<int>{7, 7, 8, 8}));
}

TEST(OrderList, TheLastPositionIsNeverRemovedAndTheListStopsAt256) {
    auto song = LoadCorpusSong("mph.xm");
    SetOrderList(*song, {3});
    song->DeletePosition(0);
    EXPECT_EQ(OrderList(*song), std::vector<int>{3});
    for (int i = 1; i < kMaxPositions; ++i) song->InsertPosition(-1);
    EXPECT_EQ(song->SongLength(), 256);
    EXPECT_THROW(song->InsertPosition(-1), EAssertionFailed);
    EXPECT_THROW(song->SetOrders(0, song->PatternCount()), EAssertionFailed);
}

TEST(OrderList, DeletingPositionsKeepsTheRestartPositionInside) {
    auto song = LoadCorpusSong("mph.xm");
    SetOrderList(*song, {0, 1, 2});
    song->SetRestartPosition(2);
    song->DeletePosition(2);
    EXPECT_EQ(song->RestartPosition(), 1);
}

TEST(PatternList, InsertAnswersWhetherPositionsNowPlayAnotherPattern) {
    auto song = LoadCorpusSong("mph.xm");
    SetOrderList(*song, {0, 1});
    EXPECT_FALSE(song->InsertPattern(-1));
    const int count = song->PatternCount();
    EXPECT_EQ(song->Patterns(count - 1)->RowCount(), 64);
    EXPECT_TRUE(song->Patterns(count - 1)->IsCellEmpty(0, 0));

    const TCell first = song->Patterns(0)->GetCell(0, 0);
    EXPECT_TRUE(song->InsertPattern(0));
    EXPECT_EQ(song->Patterns(1)->GetCell(0, 0), first);
    song->RenumberPatterns(0, 1);
    EXPECT_EQ(OrderList(*song), (std::vector<int>{1, 2}));
    ExpectNumbersMatchIndices(*song);

    while (song->PatternCount() < kMaxPatterns) song->InsertPattern(-1);
    const std::string dump = DumpSong(*song);
    EXPECT_FALSE(song->InsertPattern(0));
    EXPECT_EQ(DumpSong(*song), dump);
}

TEST(PatternList, DeleteWithRenumberMovesLaterPositionsDown) {
    auto song = LoadCorpusSong("mph.xm");
    SetOrderList(*song, {0, 0, 2});
    const TCell third = song->Patterns(2)->GetCell(0, 0);
    song->DeletePattern(0, true);
    EXPECT_EQ(OrderList(*song), (std::vector<int>{0, 0, 1}));
    EXPECT_EQ(song->Patterns(1)->GetCell(0, 0), third);
    ExpectNumbersMatchIndices(*song);

    SetOrderList(*song, {1, 3});
    song->DeletePattern(1, false);
    EXPECT_EQ(OrderList(*song), (std::vector<int>{1, 3}));
}

TEST(PatternList, UnusedPatternsIgnorePositionsBeyondThePatternCount) {
    auto song = LoadCorpusSong("mph.xm"); // 9 patterns
    SetOrderList(*song, {1, 4, 8});
    song->DeletePattern(8, false); // position 2 now names a pattern that does not exist
    std::vector<int> unused;
    for (TPattern* p : song->GetUnusedPatterns()) unused.push_back(p->Number());
    EXPECT_EQ(unused, (std::vector<int>{0, 2, 3, 5, 6, 7}));

    SetOrderList(*song, {1, 4});
    song->DeletePatterns(song->GetUnusedPatterns());
    EXPECT_EQ(song->PatternCount(), 2);
    EXPECT_EQ(OrderList(*song), (std::vector<int>{0, 1}));
    ExpectNumbersMatchIndices(*song);
}

TEST(InstrumentList, InsertDeleteAndSwapKeepTheTableInStep) {
    auto song = LoadCorpusSong("mph.xm");
    const int count = song->InstrumentCount();
    const int samples = song->SampleCount();
    const std::string second = song->Instruments(1)->Name();
    TInstrument* added = song->InsertInstrument(1);
    EXPECT_EQ(added->Name(), "< new instrument >");
    EXPECT_EQ(added->SampleCount(), 0);
    EXPECT_EQ(song->InstrumentCount(), count + 1);
    EXPECT_EQ(song->Instruments(2)->Name(), second);
    ExpectNumbersMatchIndices(*song);

    song->SwapInstruments(0, 2);
    EXPECT_EQ(song->Instruments(0)->Name(), second);
    ExpectNumbersMatchIndices(*song);

    const int removedSamples = song->Instruments(0)->SampleCount();
    song->DeleteInstrument(0);
    EXPECT_EQ(song->InstrumentCount(), count);
    EXPECT_EQ(song->SampleCount(), samples - removedSamples);
    ExpectNumbersMatchIndices(*song);
}

TEST(InstrumentList, RemovingInstrumentsRenumbersTheCellsThatNameLaterOnes) {
    auto song = LoadCorpusSong("mph.xm");
    while (song->InstrumentCount() < 5) song->InsertInstrument(-1);
    while (song->InstrumentCount() > 5) song->DeleteInstrument(5);
    TPattern* pattern = song->Patterns(0);
    for (int i = 0; i < 5; ++i) pattern->SetInstrument(0, i, uint8_t(i));
    const std::string name4 = song->Instruments(4)->Name();

    song->RemoveInstruments({song->Instruments(1), song->Instruments(3)});
    EXPECT_EQ(song->InstrumentCount(), 3);
    EXPECT_EQ(pattern->Instrument(0, 0), 0);
    EXPECT_EQ(pattern->Instrument(0, 2), 1);
    EXPECT_EQ(pattern->Instrument(0, 4), 2);
    EXPECT_EQ(song->Instruments(2)->Name(), name4);
    ExpectNumbersMatchIndices(*song);
}

TEST(InstrumentList, UnusedInstrumentsAreThoseNoCellNames) {
    auto song = LoadCorpusSong("vodovod.xm"); // 128 instruments, few used
    std::vector<TInstrument*> unused = song->GetUnusedInstruments();
    ASSERT_FALSE(unused.empty());
    for (TInstrument* instrument : unused)
        for (int p = 0; p < song->PatternCount(); ++p)
            for (int t = 0; t < song->ChannelCount(); ++t)
                for (int r = 0; r < song->Patterns(p)->RowCount(); ++r)
                    ASSERT_NE(song->Patterns(p)->Instrument(t, r), instrument->Number());
    const int used = song->InstrumentCount() - int(unused.size());
    song->RemoveInstruments(unused);
    EXPECT_EQ(song->InstrumentCount(), used);
    EXPECT_TRUE(song->GetUnusedInstruments().empty());
}

TEST(Arrangement, AnEditedCorpusModuleSavesAndReloadsAsEdited) {
    auto song = LoadCorpusSong("vodovod.xm"); // 128 instruments, few in use
    const int patterns = song->PatternCount();
    const std::vector<int> orders = OrderList(*song);

    song->InsertPosition(1);
    song->InsertPattern(-1);
    song->SetOrders(1, patterns); // the new, empty pattern plays second
    song->DeletePosition(0);
    song->Patterns(patterns)->SetNote(2, 5, 0x40);
    song->Patterns(patterns)->SetInstrument(2, 5, 0);
    song->DeletePattern(0, true);
    song->RemoveInstruments(song->GetUnusedInstruments());
    ASSERT_LT(song->InstrumentCount(), 128);

    // What the edit must have produced, independently of the dump.
    std::vector<int> expected = orders;
    expected.insert(expected.begin() + 1, patterns);
    expected.erase(expected.begin());
    for (int& o : expected) o = std::max(o - 1, 0); // pattern 0 went; later ones move down
    EXPECT_EQ(OrderList(*song), expected);
    EXPECT_EQ(song->PatternCount(), patterns);

    const std::string edited = DumpSong(*song);
    const std::string file = (TempDir() / "edited.xm").string();
    song->SaveToXM(file);
    TSong reloaded(file);
    EXPECT_EQ(DumpSong(reloaded), edited);
    EXPECT_EQ(reloaded.Patterns(patterns - 1)->Note(2, 5), 0x40);
}

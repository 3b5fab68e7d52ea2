// Whole-pattern rewrites change exactly the cells they are for.
#include "model/notes.h"
#include "song_fixture.h"

#include <gtest/gtest.h>

namespace {

// Every cell of every pattern, in order.
std::vector<TCell> AllCells(const TSong& song) {
    std::vector<TCell> cells;
    for (int p = 0; p < song.PatternCount(); ++p) {
        const TPattern* pattern = song.Patterns(p);
        for (int r = 0; r < pattern->RowCount(); ++r)
            for (int t = 0; t < pattern->TrackCount(); ++t) cells.push_back(pattern->GetCell(t, r));
    }
    return cells;
}

} // namespace

TEST(PatternRewrite, TransposeMovesEveryNoteThatStaysOnTheKeyboardAndNothingElse) {
    auto song = LoadCorpusSong("heroes04.xm");
    const std::vector<TCell> before = AllCells(*song);
    for (int p = 0; p < song->PatternCount(); ++p) song->Patterns(p)->Transpose(13);
    const std::vector<TCell> after = AllCells(*song);
    ASSERT_EQ(after.size(), before.size());
    int moved = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        TCell expected = before[i];
        if (IsValidNote(before[i].note) && IsValidNote(TransposeNote(before[i].note, 13))) {
            expected.note = TransposeNote(before[i].note, 13);
            ++moved;
        }
        EXPECT_EQ(after[i], expected) << i;
    }
    EXPECT_GT(moved, 100);
    for (int p = 0; p < song->PatternCount(); ++p) song->Patterns(p)->Transpose(-13);
    EXPECT_EQ(AllCells(*song), before) << "every note moved stays in range coming back";
}

TEST(PatternRewrite, RenumberInstrumentsMapsOnlyTheNumbersGiven) {
    auto song = LoadCorpusSong("heroes04.xm");
    const std::vector<TCell> before = AllCells(*song);
    const std::vector<uint8_t> numbers{1, 0, 2}; // swap the first two, keep the third
    for (int p = 0; p < song->PatternCount(); ++p) song->Patterns(p)->RenumberInstruments(numbers);
    const std::vector<TCell> after = AllCells(*song);
    int swapped = 0;
    for (size_t i = 0; i < before.size(); ++i) {
        TCell expected = before[i];
        if (before[i].instrument < numbers.size())
            expected.instrument = numbers[before[i].instrument];
        swapped += expected.instrument != before[i].instrument;
        EXPECT_EQ(after[i], expected) << i;
    }
    EXPECT_GT(swapped, 0);
}

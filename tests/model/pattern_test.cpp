#include "model/errors.h"
#include "song_fixture.h"

#include <cstring>
#include <gtest/gtest.h>

namespace {

struct PatternFixture : testing::Test {
    std::unique_ptr<TSong> song = LoadCorpusSong("mph.xm");
    TPattern* pattern = nullptr;
    void SetUp() override {
        pattern = song->Patterns(0);
        for (int t = 0; t < pattern->TrackCount(); ++t)
            for (int r = 0; r < pattern->RowCount(); ++r) pattern->ClearCell(t, r);
    }
    static TCell Note(uint8_t note) {
        TCell c;
        c.note = note;
        c.instrument = 1;
        return c;
    }
};

} // namespace

TEST_F(PatternFixture, CellsAreEmptyOnlyWhenEveryFieldIsEmpty) {
    EXPECT_TRUE(pattern->IsCellEmpty(0, 0));
    pattern->SetNote(0, 0, kNoteKeyOff);
    EXPECT_FALSE(pattern->IsCellEmpty(0, 0));
    pattern->ClearCell(0, 0);
    pattern->SetVolume(0, 0, 64);
    EXPECT_FALSE(pattern->IsCellEmpty(0, 0));
    EXPECT_THROW(pattern->Note(pattern->TrackCount(), 0), EAssertionFailed);
    EXPECT_THROW(pattern->Note(0, pattern->RowCount()), EAssertionFailed);
}

TEST_F(PatternFixture, ExpandDoublesUpToTwoHundredFiftySixRows) {
    pattern->SetRowCount(128);
    pattern->SetCell(2, 127, Note(0x40));
    pattern->SetCell(2, 1, Note(0x41));
    ASSERT_TRUE(pattern->ExpandRows());
    EXPECT_EQ(pattern->RowCount(), 256);
    EXPECT_EQ(pattern->Note(2, 254), 0x40);
    EXPECT_EQ(pattern->Note(2, 2), 0x41);
    EXPECT_TRUE(pattern->IsCellEmpty(2, 127));
    EXPECT_TRUE(pattern->IsCellEmpty(2, 1));
    pattern->SetRowCount(129);
    EXPECT_FALSE(pattern->ExpandRows());
    EXPECT_EQ(pattern->RowCount(), 129);
}

TEST_F(PatternFixture, ShrinkChecksOddRowsAndHalvesTheRest) {
    pattern->SetRowCount(64);
    pattern->SetCell(0, 10, Note(0x30));
    pattern->SetCell(3, 62, Note(0x31));
    EXPECT_FALSE(pattern->ShrinkRows(true));
    pattern->SetCell(1, 3, Note(0x32));
    EXPECT_TRUE(pattern->ShrinkRows(true));
    EXPECT_EQ(pattern->RowCount(), 64); // checking changes nothing
    ASSERT_TRUE(pattern->ShrinkRows(false));
    EXPECT_EQ(pattern->RowCount(), 32);
    EXPECT_EQ(pattern->Note(0, 5), 0x30);
    EXPECT_EQ(pattern->Note(3, 31), 0x31);
    EXPECT_TRUE(pattern->IsCellEmpty(0, 10));
    pattern->SetRowCount(1);
    EXPECT_FALSE(pattern->ShrinkRows(true));
    EXPECT_FALSE(pattern->ShrinkRows(false));
}

TEST_F(PatternFixture, RowsHiddenByASmallerCountComeBackEmpty) {
    pattern->SetRowCount(32);
    pattern->SetCell(0, 20, Note(0x30));
    pattern->SetRowCount(16);
    pattern->SetRowCount(32);
    EXPECT_TRUE(pattern->IsCellEmpty(0, 20));
    EXPECT_THROW(pattern->SetRowCount(257), EAssertionFailed);
}

TEST_F(PatternFixture, InsertAndDeleteRowMoveOneTrackOnly) {
    const int last = pattern->RowCount() - 1;
    for (int r = 0; r <= last; ++r)
        pattern->SetCell(1, r, Note(uint8_t(r % 96 / 12 * 16 + r % 12)));
    pattern->SetCell(2, 5, Note(0x50));
    pattern->InsertRow(1, 5);
    EXPECT_TRUE(pattern->IsCellEmpty(1, 5));
    EXPECT_EQ(pattern->GetCell(1, 6), Note(0x05));
    EXPECT_EQ(pattern->Note(2, 5), 0x50);
    pattern->DeleteRow(1, 5);
    EXPECT_EQ(pattern->GetCell(1, 5), Note(0x05));
    EXPECT_TRUE(pattern->IsCellEmpty(1, last));

    pattern->SetCell(0, last, Note(0x11));
    pattern->InsertRow(0, last);
    EXPECT_TRUE(pattern->IsCellEmpty(0, last));
    pattern->SetCell(0, last, Note(0x11));
    pattern->SetCell(0, last - 1, Note(0x12));
    pattern->DeleteRow(0, last);
    EXPECT_TRUE(pattern->IsCellEmpty(0, last));
    EXPECT_EQ(pattern->Note(0, last - 1), 0x12);
}

TEST_F(PatternFixture, ASingleCellBlockIsSixteenBytes) {
    pattern->SetCell(0, 0, Note(0x40));
    const std::vector<uint8_t> block = pattern->MakeBlock(0, 0, 0, 0);
    ASSERT_EQ(block.size(), 16u);
    int32_t header[2];
    std::memcpy(header, block.data(), 8);
    EXPECT_EQ(header[0], 1);
    EXPECT_EQ(header[1], 1);
    EXPECT_EQ(block[8], 0); // the engine's byte does not travel
    EXPECT_EQ(block[9], 0x40);
}

TEST_F(PatternFixture, PasteClipsAtThePatternEdge) {
    song->SetChannelCount(32);
    pattern = song->Patterns(0);
    for (int t = 0; t < 4; ++t) pattern->SetCell(t, 0, Note(uint8_t(0x40 + t)));
    const std::vector<uint8_t> block = pattern->MakeBlock(0, 3, 0, 1);
    pattern->PasteBlock(block, 30, pattern->RowCount() - 1);
    EXPECT_EQ(pattern->Note(30, pattern->RowCount() - 1), 0x40);
    EXPECT_EQ(pattern->Note(31, pattern->RowCount() - 1), 0x41);
    EXPECT_TRUE(pattern->IsCellEmpty(29, pattern->RowCount() - 1));
}

TEST_F(PatternFixture, MalformedBlocksAreRefusedAndLeaveThePatternAlone) {
    pattern->SetCell(0, 0, Note(0x40));
    std::vector<uint8_t> block = pattern->MakeBlock(0, 1, 0, 3);
    block.resize(block.size() - 10); // shorter than its header says
    EXPECT_THROW(pattern->PasteBlock(block, 0, 1), EPatternError);
    std::vector<uint8_t> hostile(8, 0xFF);
    EXPECT_THROW(pattern->PasteBlock(hostile, 0, 1), EPatternError);
    EXPECT_EQ(pattern->Note(0, 0), 0x40);
    EXPECT_TRUE(pattern->IsCellEmpty(0, 1));
}


#include "edit/cell_block.h"
#include "grid_pattern.h"

#include <gtest/gtest.h>

namespace {

struct CellBlock : testing::Test {
    TGridPattern pattern{4, 8};
    void SetUp() override {
        for (int t = 0; t < 4; ++t)
            for (int r = 0; r < 8; ++r) {
                TCell cell = TGridPattern::Note(uint8_t(t * 16 + r), uint8_t(t));
                cell.volume = uint8_t(r);
                cell.command = uint8_t(1 + t);
                cell.param = uint8_t(r * 16 + t);
                pattern->SetCell(t, r, cell);
            }
    }
};

TEST_F(CellBlock, PasteAtTheCursorIsClippedToThePattern) {
    const TBlock block = CopyBlock(*pattern, {0, 1, 0, 2});
    ASSERT_EQ(block.Tracks(), 2);
    ASSERT_EQ(block.Rows(), 3);
    const TCellChanges changes = PasteChanges(*pattern, block, 3, 6);
    ASSERT_EQ(changes.size(), 2u); // one track and two rows fit
    EXPECT_EQ(changes[0].track, 3);
    EXPECT_EQ(changes[0].row, 6);
    EXPECT_EQ(changes[0].before, pattern->GetCell(3, 6));
    EXPECT_EQ(changes[0].after, pattern->GetCell(0, 0));
    EXPECT_EQ(changes[1].after, pattern->GetCell(0, 1));
    // Pasting a block where it came from changes nothing.
    EXPECT_TRUE(PasteChanges(*pattern, block, 0, 0).empty());
}

TEST_F(CellBlock, APasteWritesOnlyTheFieldsTheBlockCarries) {
    TBlock block(1, 1);
    block.Cell(0, 0).note = 0x22;
    block.Cell(0, 0).volume = 0x33;
    block.SetFields(0, 0, kFieldNote);
    const TCellChanges changes = PasteChanges(*pattern, block, 2, 5);
    ASSERT_EQ(changes.size(), 1u);
    TCell expected = pattern->GetCell(2, 5);
    expected.note = 0x22;
    EXPECT_EQ(changes[0].after, expected);
}

TEST_F(CellBlock, ClearEmptiesEveryCellOfTheRange) {
    pattern->ClearCell(1, 3);
    const TCellChanges changes = ClearChanges(*pattern, {1, 2, 2, 4});
    EXPECT_EQ(changes.size(), 5u); // six cells, one already empty
    pattern.Apply(changes);
    for (int t = 1; t <= 2; ++t)
        for (int r = 2; r <= 4; ++r) EXPECT_TRUE(pattern->IsCellEmpty(t, r));
    EXPECT_FALSE(pattern->IsCellEmpty(0, 3));
    EXPECT_FALSE(pattern->IsCellEmpty(1, 5));
}

TEST_F(CellBlock, ClipboardBytesMatchThePatternsOwnBlocks) {
    const std::vector<uint8_t> model = pattern->MakeBlock(1, 3, 2, 6);
    const std::optional<TBlock> block = BlockFromClipboardBytes(model);
    ASSERT_TRUE(block);
    const TBlock copied = CopyBlock(*pattern, {1, 3, 2, 6});
    for (int t = 0; t < 3; ++t)
        for (int r = 0; r < 5; ++r) EXPECT_EQ(block->Cell(t, r), copied.Cell(t, r));
    EXPECT_EQ(BlockToClipboardBytes(copied), model);
}

TEST_F(CellBlock, ClipboardBytesThatDoNotAddUpAreRefused) {
    std::vector<uint8_t> bytes = pattern->MakeBlock(0, 1, 0, 1);
    EXPECT_TRUE(BlockFromClipboardBytes(bytes));
    bytes.pop_back(); // the final spare byte is not needed
    EXPECT_TRUE(BlockFromClipboardBytes(bytes));
    bytes.pop_back();
    EXPECT_FALSE(BlockFromClipboardBytes(bytes));
    EXPECT_FALSE(BlockFromClipboardBytes({}));
    EXPECT_FALSE(BlockFromClipboardBytes({1, 0, 0, 0}));
    const auto withHeader = [](int32_t tracks, int32_t rows) {
        std::vector<uint8_t> b(4096, 0);
        std::memcpy(b.data(), &tracks, 4);
        std::memcpy(b.data() + 4, &rows, 4);
        return b;
    };
    EXPECT_FALSE(BlockFromClipboardBytes(withHeader(0, 4)));
    EXPECT_FALSE(BlockFromClipboardBytes(withHeader(33, 4)));
    EXPECT_FALSE(BlockFromClipboardBytes(withHeader(2, -1)));
    EXPECT_FALSE(BlockFromClipboardBytes(withHeader(2, 257)));
    EXPECT_TRUE(BlockFromClipboardBytes(withHeader(0x70002, 4))); // only the low 16 bits count
}

} // namespace

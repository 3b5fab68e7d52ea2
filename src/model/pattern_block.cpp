// Pattern blocks: a range of cells laid out as the clipboard carries them.
#include "engine/engine_lock.h"
#include "model/cell_change.h"
#include "model/errors.h"
#include "model/pattern.h"

#include <cstring>

namespace {

constexpr size_t kBlockHeader = 8;

size_t BlockSize(int tracks, int rows) {
    return kBlockHeader + size_t(rows) * size_t(tracks * kCellSize + 1) + 1;
}

} // namespace

std::vector<uint8_t> TPattern::MakeBlock(int firstTrack, int lastTrack, int firstRow,
                                         int lastRow) const {
    CW_ASSERT(lastTrack >= firstTrack && lastRow >= firstRow && firstTrack >= 0 && firstRow >= 0);
    const int tracks = lastTrack - firstTrack + 1;
    const int rows = lastRow - firstRow + 1;
    std::vector<uint8_t> block(BlockSize(tracks, rows), 0);
    const int32_t header[2] = {tracks, rows};
    std::memcpy(block.data(), header, sizeof header);
    TPattern view(block.data());
    for (int r = 0; r < rows; ++r)
        for (int t = 0; t < tracks; ++t) {
            TCell cell = GetCell(firstTrack + t, firstRow + r);
            cell.lib = 0; // the engine's byte does not travel
            view.SetCell(t, r, cell);
        }
    return block;
}

TCellChanges TPattern::PasteChanges(const std::vector<uint8_t>& block, int track, int row) const {
    CW_ASSERT(track >= 0 && track < TrackCount() && row >= 0 && row < RowCount());
    if (block.size() < kBlockHeader) throw EPatternError("Could not perfrom clipboard operation.");
    int32_t header[2];
    std::memcpy(header, block.data(), sizeof header);
    const int tracks = header[0] & 0xFFFF;
    const int rows = header[1];
    // Another program may put anything under our format: check the block before reading it.
    if (tracks < 1 || tracks > kMaxChannels || rows < 1 || rows > kMaxRows ||
        block.size() < BlockSize(tracks, rows) - 1)
        throw EPatternError("Could not perfrom clipboard operation.");
    std::vector<uint8_t> copy(block);
    copy.resize(BlockSize(tracks, rows));
    std::memcpy(copy.data(), &tracks, sizeof tracks);
    const TPattern view(copy.data());
    TCellChanges changes;
    for (int t = track; t < std::min(TrackCount(), track + tracks); ++t)
        for (int r = row; r < std::min(RowCount(), row + rows); ++r) {
            TCell after = view.GetCell(t - track, r - row);
            const TCell before = GetCell(t, r);
            after.lib = before.lib;
            changes.push_back({t, r, before, after});
        }
    return changes;
}

void TPattern::PasteBlock(const std::vector<uint8_t>& block, int track, int row) {
    const TCellChanges changes = PasteChanges(block, track, row);
    EngineLock lock;
    for (const TCellChange& change : changes) SetCell(change.track, change.row, change.after);
}

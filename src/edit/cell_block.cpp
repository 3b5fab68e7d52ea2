#include "edit/cell_block.h"

#include "engine/records.h"
#include "model/errors.h"
#include "model/pattern.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t kHeaderBytes = 8;

size_t ClipboardSize(int tracks, int rows) {
    return kHeaderBytes + size_t(rows) * size_t(RowStride(tracks)) + 1;
}

TCell Merge(TCell cell, const TCell& from, uint8_t fields) {
    if (fields & kFieldNote) cell.note = from.note;
    if (fields & kFieldInstrument) cell.instrument = from.instrument;
    if (fields & kFieldVolume) cell.volume = from.volume;
    if (fields & kFieldEffect) {
        cell.command = from.command;
        cell.param = from.param;
    }
    return cell;
}

} // namespace

TBlock::TBlock(int tracks, int rows)
    : tracks_(std::max(0, tracks)), rows_(std::max(0, rows)),
      cells_(size_t(tracks_) * size_t(rows_)), fields_(cells_.size(), kFieldsAll) {}

size_t TBlock::Index(int track, int row) const {
    CW_ASSERT(track >= 0 && track < tracks_ && row >= 0 && row < rows_);
    return size_t(row) * size_t(tracks_) + size_t(track);
}

void AddCellChange(TCellChanges& changes, int track, int row, const TCell& before,
                   const TCell& after) {
    if (before == after) return;
    changes.push_back({track, row, before, after});
}

TBlock CopyBlock(const TPattern& pattern, const TCellRange& range) {
    if (range.IsEmpty()) return {};
    TBlock block(range.TrackCount(), range.RowCount());
    for (int r = 0; r < block.Rows(); ++r)
        for (int t = 0; t < block.Tracks(); ++t) {
            TCell cell = pattern.GetCell(range.firstTrack + t, range.firstRow + r);
            cell.lib = 0; // the engine's byte does not travel
            block.Cell(t, r) = cell;
        }
    return block;
}

TCellChanges ClearChanges(const TPattern& pattern, const TCellRange& range) {
    TCellChanges changes;
    if (range.IsEmpty()) return changes;
    for (int t = range.firstTrack; t <= range.lastTrack; ++t)
        for (int r = range.firstRow; r <= range.lastRow; ++r) {
            const TCell before = pattern.GetCell(t, r);
            TCell after;
            after.lib = before.lib;
            AddCellChange(changes, t, r, before, after);
        }
    return changes;
}

TCellChanges PasteChanges(const TPattern& pattern, const TBlock& block, int track, int row) {
    TCellChanges changes;
    if (track < 0 || row < 0) return changes;
    const int lastTrack = std::min(pattern.TrackCount(), track + block.Tracks());
    const int lastRow = std::min(pattern.RowCount(), row + block.Rows());
    for (int t = track; t < lastTrack; ++t)
        for (int r = row; r < lastRow; ++r) {
            const TCell before = pattern.GetCell(t, r);
            const TCell after =
                Merge(before, block.Cell(t - track, r - row), block.Fields(t - track, r - row));
            AddCellChange(changes, t, r, before, after);
        }
    return changes;
}

std::vector<uint8_t> BlockToClipboardBytes(const TBlock& block) {
    std::vector<uint8_t> bytes(ClipboardSize(block.Tracks(), block.Rows()), 0);
    const int32_t header[2] = {block.Tracks(), block.Rows()};
    std::memcpy(bytes.data(), header, sizeof header);
    for (int r = 0; r < block.Rows(); ++r)
        for (int t = 0; t < block.Tracks(); ++t) {
            const TCell& cell = block.Cell(t, r);
            uint8_t* at = bytes.data() + kHeaderBytes + size_t(r) * RowStride(block.Tracks()) +
                          size_t(t) * kCellSize;
            at[kCellNote] = cell.note;
            at[kCellInstrument] = cell.instrument;
            at[kCellVolume] = cell.volume;
            at[kCellCommand] = cell.command;
            at[kCellParam] = cell.param;
        }
    return bytes;
}

std::optional<TBlock> BlockFromClipboardBytes(const std::vector<uint8_t>& bytes) {
    if (bytes.size() < kHeaderBytes) return std::nullopt;
    int32_t header[2];
    std::memcpy(header, bytes.data(), sizeof header);
    const int tracks = header[0] & 0xFFFF;
    const int rows = header[1];
    // The final spare byte may be missing: nothing is read from it.
    if (tracks < 1 || tracks > kMaxChannels || rows < 1 || rows > kMaxRows ||
        bytes.size() < ClipboardSize(tracks, rows) - 1)
        return std::nullopt;
    TBlock block(tracks, rows);
    for (int r = 0; r < rows; ++r)
        for (int t = 0; t < tracks; ++t) {
            const uint8_t* at =
                bytes.data() + kHeaderBytes + size_t(r) * RowStride(tracks) + size_t(t) * kCellSize;
            TCell& cell = block.Cell(t, r);
            cell.note = at[kCellNote];
            cell.instrument = at[kCellInstrument];
            cell.volume = at[kCellVolume];
            cell.command = at[kCellCommand];
            cell.param = at[kCellParam];
        }
    return block;
}

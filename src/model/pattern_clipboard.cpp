// The pattern clipboard: a block of cells on the system clipboard under its own format, so
// another running instance can paste it.
#include "engine/engine_lock.h"
#include "model/errors.h"
#include "model/pattern.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <cstring>

namespace {

const char* const kFormat = "Cantorwright Pattern";
constexpr size_t kBlockHeader = 8;

QClipboard* Clipboard() {
    if (!QGuiApplication::instance()) throw EPatternError("Could not register clipboard format.");
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) throw EPatternError("Could not register clipboard format.");
    return clipboard;
}

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

void TPattern::PasteBlock(const std::vector<uint8_t>& block, int track, int row) {
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
    TPattern view(copy.data());
    EngineLock lock;
    for (int t = track; t < std::min(TrackCount(), track + tracks); ++t)
        for (int r = row; r < std::min(RowCount(), row + rows); ++r)
            SetCell(t, r, view.GetCell(t - track, r - row));
}

void TPattern::CopyToClipboard(int firstTrack, int lastTrack, int firstRow, int lastRow) {
    QClipboard* clipboard = Clipboard();
    const std::vector<uint8_t> block = MakeBlock(firstTrack, lastTrack, firstRow, lastRow);
    auto* data = new QMimeData;
    data->setData(kFormat,
                  QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size())));
    clipboard->setMimeData(data);
}

void TPattern::CutToClipboard(int firstTrack, int lastTrack, int firstRow, int lastRow) {
    CopyToClipboard(firstTrack, lastTrack, firstRow, lastRow);
    EngineLock lock;
    for (int t = firstTrack; t <= lastTrack; ++t)
        for (int r = firstRow; r <= lastRow; ++r) ClearCell(t, r);
}

bool TPattern::CanPaste() {
    const QMimeData* data = Clipboard()->mimeData();
    return data && data->hasFormat(kFormat);
}

void TPattern::PasteFromClipboard(int track, int row) {
    CW_ASSERT(track >= 0 && track < TrackCount() && row >= 0 && row < RowCount());
    if (!CanPaste()) throw EPatternError("Could not perfrom clipboard operation.");
    const QByteArray bytes = Clipboard()->mimeData()->data(kFormat);
    PasteBlock(std::vector<uint8_t>(bytes.begin(), bytes.end()), track, row);
}

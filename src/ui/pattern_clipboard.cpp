#include "ui/pattern_clipboard.h"

#include "edit/cell_block.h"
#include "edit/peer_text.h"
#include "model/cell_change.h"
#include "model/errors.h"
#include "project/app_objects.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace PatternClipboard {

const char* const kFormat = "Cantorwright Pattern";

namespace {

QClipboard* Clipboard() {
    QClipboard* clipboard = QGuiApplication::instance() ? QGuiApplication::clipboard() : nullptr;
    if (!clipboard) throw EPatternError("Could not register clipboard format.");
    return clipboard;
}

} // namespace

void Put(const std::vector<uint8_t>& block) {
    auto* data = new QMimeData;
    data->setData(kFormat,
                  QByteArray(reinterpret_cast<const char*>(block.data()), qsizetype(block.size())));
    Clipboard()->setMimeData(data);
}

bool HasBlock() {
    const QMimeData* data = Clipboard()->mimeData();
    return data && data->hasFormat(kFormat);
}

std::vector<uint8_t> Block() {
    if (!HasBlock()) throw EPatternError("Could not perfrom clipboard operation.");
    const QByteArray bytes = Clipboard()->mimeData()->data(kFormat);
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

void Copy(const TPattern& pattern, int firstTrack, int lastTrack, int firstRow, int lastRow) {
    Put(pattern.MakeBlock(firstTrack, lastTrack, firstRow, lastRow));
}

void Cut(const TPattern& pattern, int firstTrack, int lastTrack, int firstRow, int lastRow,
         const void* sender) {
    Copy(pattern, firstTrack, lastTrack, firstRow, lastRow);
    TCellChanges changes;
    for (int t = firstTrack; t <= lastTrack; ++t)
        for (int r = firstRow; r <= lastRow; ++r) {
            const TCell before = pattern.GetCell(t, r);
            TCell after;
            after.lib = before.lib;
            changes.push_back({t, r, before, after});
        }
    SongEdit().ChangeCells(pattern.Number(), std::move(changes), "Cut", sender);
}

void Paste(const TPattern& pattern, int track, int row, const void* sender) {
    SongEdit().ChangeCells(pattern.Number(), pattern.PasteChanges(Block(), track, row), "Paste",
                           sender);
}

void PutBlock(const TBlock& block) {
    const std::vector<uint8_t> bytes = BlockToClipboardBytes(block);
    auto* data = new QMimeData;
    data->setData(kFormat,
                  QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
    data->setText(QString::fromStdString(EncodePeerText(block)));
    Clipboard()->setMimeData(data);
}

std::optional<TBlock> TakeBlock() {
    const QMimeData* data = Clipboard()->mimeData();
    if (!data) return std::nullopt;
    if (data->hasFormat(kFormat)) {
        const QByteArray bytes = data->data(kFormat);
        return BlockFromClipboardBytes(std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }
    if (data->hasText()) return ParsePeerText(data->text().toStdString());
    return std::nullopt;
}

} // namespace PatternClipboard

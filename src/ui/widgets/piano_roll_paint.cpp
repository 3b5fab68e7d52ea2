// Painting of the piano roll: grid, note boxes, then the marks, the box and the song row on
// top. Every change asks for the rectangles it touches only.
#include "model/notes.h"
#include "model/pattern.h"
#include "ui/widgets/piano_roll.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <algorithm>
#include <cstdlib>
#include <string_view>

QRect TPianoRoll::PlaceRect(int row, int lane) const {
    const TRollRect r = geo_.Box(row, lane);
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

QRect TPianoRoll::BoxRect(int track, int row) const {
    if (!pattern_ || row < 0 || row >= pattern_->RowCount() || track < 0 ||
        track >= pattern_->TrackCount())
        return {};
    const std::optional<int> lane = model_.Lane(track, row);
    return lane ? PlaceRect(row, *lane) : QRect();
}

void TPianoRoll::RepaintSelection() {
    for (const TSelNote& n : model_.Selection().Notes()) {
        // A lifted note's cell is empty: its own note byte tells where it was drawn.
        const std::optional<int> lane = IsValidNote(n.homeCell.note)
                                            ? std::optional<int>(NoteIndex(n.homeCell.note))
                                            : model_.Lane(n.homeTrack, n.homeRow);
        if (lane)
            viewport()->update(PlaceRect(n.homeRow, *lane).adjusted(-1, -1, 1, 1));
        else
            viewport()->update(QRect(geo_.X(n.homeRow) - 1, 0, geo_.colWidth + 2, height()));
        if (model_.Selection().Dragging() && IsValidNote(n.movedCell.note))
            viewport()->update(
                PlaceRect(n.movedRow, NoteIndex(n.movedCell.note)).adjusted(-1, -1, 1, 1));
    }
}

// Only the box's outline: a large box drawn across a dense pattern must not repaint its inside.
void TPianoRoll::RepaintBox() {
    const QRect box =
        PlaceRect(boxFrom_.row, boxFrom_.note).united(PlaceRect(boxTo_.row, boxTo_.note));
    QRegion outline;
    outline += QRect(box.left() - 1, box.top() - 1, box.width() + 3, 3);
    outline += QRect(box.left() - 1, box.bottom() - 1, box.width() + 3, 3);
    outline += QRect(box.left() - 1, box.top() - 1, 3, box.height() + 3);
    outline += QRect(box.right() - 1, box.top() - 1, 3, box.height() + 3);
    viewport()->update(outline);
}

void TPianoRoll::RepaintMarker() {
    viewport()->update(QRect(MarkerX() - 1, 0, 3, viewport()->height()));
}

void TPianoRoll::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, background_);
    if (!pattern_) return;
    painter.setClipRect(area);
    PaintGrid(painter, area);
    PaintNotes(painter, area);
    PaintMarks(painter, area);
    const int x = MarkerX();
    if (showSongRow_ && x > geo_.noteColumnWidth)
        painter.fillRect(QRect(x - 1, 0, 2, viewport()->height()), Qt::red);
}

void TPianoRoll::PrepareFont() {
    QFont font = font_;
    if (QFontInfo(font).pixelSize() >= geo_.rowHeight)
        font = QFont("Arial"), font.setPixelSize(std::max(1, geo_.rowHeight - 1));
    if (!glyphsReady_ || font != paintFont_) {
        paintFont_ = font;
        glyphs_.SetFont(font);
        glyphsReady_ = true;
    }
}

void TPianoRoll::PaintGrid(QPainter& painter, const QRect& area) {
    const int rows = pattern_->RowCount();
    PrepareFont();
    painter.setPen(gridColor_);
    const int firstLane = std::max(0, area.top() / geo_.rowHeight + geo_.vertScroll);
    const int lastLane = std::min(kRollLanes - 1, area.bottom() / geo_.rowHeight + geo_.vertScroll);
    const int right = std::min(geo_.X(rows), area.right() + 1);
    for (int n = firstLane; n <= lastLane; ++n) {
        const int y = geo_.Y(n);
        if (area.left() < geo_.noteColumnWidth)
            glyphs_.DrawClipped(painter, 0, y, NoteIndexName(n), gridColor_,
                                QRect(0, y, geo_.noteColumnWidth, geo_.rowHeight));
        if (right > geo_.noteColumnWidth) painter.drawLine(geo_.noteColumnWidth, y, right, y);
    }
    const int bottom = std::min(geo_.Y(96), area.bottom() + 1);
    for (int r = 0; r <= rows; r += horzGridSpacing_) {
        const int x = geo_.X(r);
        if (x >= geo_.noteColumnWidth && x >= area.left() - 1 && x <= area.right() + 1)
            painter.drawLine(x, std::max(0, area.top()), x, bottom);
    }
}

namespace {

const std::string_view kTrackNumbers[32] = {
    "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",  "10", "11", "12", "13", "14", "15",
    "16", "17", "18", "19", "20", "21", "22", "23", "24", "25", "26", "27", "28", "29", "30", "31"};

} // namespace

void TPianoRoll::PaintNumber(QPainter& painter, const QRect& box, int track) {
    const QRect inner = box.adjusted(1, 1, -1, -1);
    // Too small for a digit: the clipped text would be a few stray pixels.
    if (inner.width() < glyphs_.Advance("0") || inner.height() < 4) return;
    const std::string_view text = kTrackNumbers[track & 31];
    const int x = inner.left() + (inner.width() - glyphs_.Advance(text)) / 2;
    glyphs_.DrawClipped(painter, x, inner.bottom() + 1 - glyphs_.Ascent(), text, Qt::white, inner);
}

// Boxes are one place each, so the lowest track at a place covers the others whole: only it is
// drawn, and all fills go out in two calls instead of one per box.
void TPianoRoll::PaintNotes(QPainter& painter, const QRect& area) {
    const int rows = pattern_->RowCount();
    const int firstRow =
        std::max({0, geo_.horzScroll,
                  (area.left() - geo_.noteColumnWidth) / geo_.colWidth + geo_.horzScroll});
    const int lastRow =
        std::min(rows - 1, (area.right() - geo_.noteColumnWidth) / geo_.colWidth + geo_.horzScroll);
    const int firstLane = std::max(0, area.top() / geo_.rowHeight + geo_.vertScroll);
    const int lastLane = std::min(kRollLanes - 1, area.bottom() / geo_.rowHeight + geo_.vertScroll);
    if (firstRow > lastRow || firstLane > lastLane) return;
    const int lanes = lastLane - firstLane + 1;
    cover_.assign(size_t(lastRow - firstRow + 1) * size_t(lanes), 0);
    const int tracks = std::min(pattern_->TrackCount(), 32);
    const TRollCells& cells = model_.Cells();
    for (int t = 0; t < tracks; ++t) {
        if (!model_.IsTrackVisible(t)) continue;
        // The pitch a key off takes: the last shown note before it in its track.
        int pitch = model_.PitchBefore(t, firstRow).value_or(-1);
        for (int r = firstRow; r <= lastRow; ++r) {
            const TCell cell = cells.Get(t, r);
            if (cell.note == kNoteNone || !model_.IsInstrumentVisible(cell.instrument)) continue;
            int lane = pitch;
            if (cell.note != kNoteKeyOff) {
                if (!IsValidNote(cell.note)) continue;
                lane = pitch = NoteIndex(cell.note);
            }
            if (lane < firstLane || lane > lastLane) continue;
            int16_t& slot = cover_[size_t(r - firstRow) * size_t(lanes) + size_t(lane - firstLane)];
            if (slot == 0) slot = int16_t((t + 1) * (cell.note == kNoteKeyOff ? -1 : 1));
        }
    }
    solid_.clear();
    hatched_.clear();
    for (int r = firstRow; r <= lastRow; ++r)
        for (int n = firstLane; n <= lastLane; ++n)
            if (const int16_t slot =
                    cover_[size_t(r - firstRow) * size_t(lanes) + size_t(n - firstLane)])
                (slot > 0 ? solid_ : hatched_).push_back(PlaceRect(r, n));
    DrawBoxes(painter);
    for (int r = firstRow; r <= lastRow; ++r)
        for (int n = firstLane; n <= lastLane; ++n)
            if (const int16_t slot =
                    cover_[size_t(r - firstRow) * size_t(lanes) + size_t(n - firstLane)])
                PaintNumber(painter, PlaceRect(r, n), std::abs(slot) - 1);
    // Notes being dragged are out of their cells until the drag ends, and lie on top.
    if (!model_.Selection().Dragging()) return;
    solid_.clear();
    hatched_.clear();
    for (const TSelNote& n : model_.Selection().Notes()) {
        if (!IsValidNote(n.movedCell.note)) continue;
        const QRect box = PlaceRect(n.movedRow, NoteIndex(n.movedCell.note));
        if (box.left() >= geo_.noteColumnWidth && box.intersects(area)) solid_.push_back(box);
    }
    DrawBoxes(painter);
    for (const TSelNote& n : model_.Selection().Notes()) {
        if (!IsValidNote(n.movedCell.note)) continue;
        const QRect box = PlaceRect(n.movedRow, NoteIndex(n.movedCell.note));
        if (box.left() >= geo_.noteColumnWidth && box.intersects(area))
            PaintNumber(painter, box, n.movedTrack);
    }
}

// Outlines and fills as plain fills: a stroked outline costs ten times a filled rectangle, and a
// pattern shows thousands. A box covers its place and the pixel past it, as a drawn rectangle
// does, so neighbours share their white edges.
void TPianoRoll::DrawBoxes(QPainter& painter) {
    painter.setPen(Qt::NoPen);
    outer_.clear();
    inner_.clear();
    for (const QList<QRect>* boxes : {&solid_, &hatched_})
        for (const QRect& box : *boxes) {
            outer_.push_back(box.adjusted(0, 0, 1, 1));
            inner_.push_back(box.adjusted(1, 1, 0, 0));
        }
    if (outer_.isEmpty()) return;
    painter.setBrush(Qt::white);
    painter.drawRects(outer_);
    const qsizetype solid = solid_.size();
    painter.setBrush(noteColor_);
    painter.drawRects(inner_.constData(), int(solid));
    if (hatched_.isEmpty()) return;
    painter.setBrush(background_);
    painter.drawRects(inner_.constData() + solid, int(hatched_.size()));
    painter.setBrush(QBrush(noteColor_, Qt::DiagCrossPattern));
    painter.drawRects(inner_.constData() + solid, int(hatched_.size()));
}

namespace {

void FillFrame(QPainter& painter, const QRect& outer, int thickness, const QBrush& brush) {
    const int t = std::min({thickness, outer.width() / 2, outer.height() / 2});
    if (t <= 0) return painter.fillRect(outer, brush);
    painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), t), brush);
    painter.fillRect(QRect(outer.left(), outer.bottom() - t + 1, outer.width(), t), brush);
    painter.fillRect(QRect(outer.left(), outer.top() + t, t, outer.height() - 2 * t), brush);
    painter.fillRect(QRect(outer.right() - t + 1, outer.top() + t, t, outer.height() - 2 * t),
                     brush);
}

} // namespace

void TPianoRoll::PaintMarks(QPainter& painter, const QRect& area) {
    const QBrush yellow(Qt::yellow);
    const QBrush dots(Qt::black, Qt::Dense4Pattern);
    const bool dragging = model_.Selection().Dragging();
    for (const TSelNote& n : model_.Selection().Notes()) {
        const std::optional<int> lane = dragging && IsValidNote(n.movedCell.note)
                                            ? std::optional<int>(NoteIndex(n.movedCell.note))
                                            : model_.Lane(n.homeTrack, n.homeRow);
        if (!lane) continue;
        const QRect box = PlaceRect(dragging ? n.movedRow : n.homeRow, *lane);
        if (box.left() < geo_.noteColumnWidth || !box.adjusted(0, 0, 1, 1).intersects(area))
            continue;
        // A yellow band inside a dotted edge reads on any note colour.
        FillFrame(painter, box, 2, yellow);
        FillFrame(painter, box.adjusted(0, 0, 1, 1), 1, dots);
    }
    if (dragMode_ == 3) {
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawRect(
            PlaceRect(boxFrom_.row, boxFrom_.note).united(PlaceRect(boxTo_.row, boxTo_.note)));
    }
}

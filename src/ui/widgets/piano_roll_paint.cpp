// Painting of the piano roll: grid, note boxes, then the marks, the box and the song row on
// top. Every change asks for the rectangles it touches only.
#include "model/notes.h"
#include "model/pattern.h"
#include "ui/widgets/piano_roll.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

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

void TPianoRoll::RepaintBox() {
    const QRect a = PlaceRect(boxFrom_.row, boxFrom_.note);
    const QRect b = PlaceRect(boxTo_.row, boxTo_.note);
    viewport()->update(a.united(b).adjusted(-1, -1, 1, 1));
}

void TPianoRoll::RepaintMarker() {
    const int x = geo_.X(songRow_) + geo_.colWidth / 2;
    viewport()->update(QRect(x - 1, 0, 3, viewport()->height()));
}

void TPianoRoll::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, background_);
    if (!pattern_) return;
    painter.setClipRect(area);
    PaintGrid(painter, area);
    PaintNotes(painter, area);
    PaintMarks(painter);
    const int x = geo_.X(songRow_) + geo_.colWidth / 2;
    if (showSongRow_ && x > geo_.noteColumnWidth)
        painter.fillRect(QRect(x - 1, 0, 2, viewport()->height()), Qt::red);
}

void TPianoRoll::PaintGrid(QPainter& painter, const QRect& area) {
    const int rows = pattern_->RowCount();
    QFont font = font_;
    if (QFontInfo(font).pixelSize() >= geo_.rowHeight)
        font = QFont("Arial"), font.setPixelSize(std::max(1, geo_.rowHeight - 1));
    painter.setFont(font);
    digitWidth_ = QFontMetrics(font).horizontalAdvance('0');
    painter.setPen(gridColor_);
    const int firstLane = std::max(0, area.top() / geo_.rowHeight + geo_.vertScroll);
    const int lastLane = std::min(kRollLanes - 1, area.bottom() / geo_.rowHeight + geo_.vertScroll);
    for (int n = firstLane; n <= lastLane; ++n) {
        const int y = geo_.Y(n);
        if (area.left() < geo_.noteColumnWidth)
            painter.drawText(QRect(0, y, geo_.noteColumnWidth, geo_.rowHeight),
                             Qt::AlignLeft | Qt::AlignTop,
                             QString::fromStdString(NoteIndexName(n)));
        painter.drawLine(geo_.noteColumnWidth, y, geo_.X(rows), y);
    }
    for (int r = 0; r <= rows; r += horzGridSpacing_) {
        const int x = geo_.X(r);
        if (x >= geo_.noteColumnWidth && x >= area.left() - 1 && x <= area.right() + 1)
            painter.drawLine(x, 0, x, geo_.Y(96));
    }
}

void TPianoRoll::PaintNote(QPainter& painter, const QRect& box, int track, bool keyOff) {
    painter.setPen(Qt::white);
    painter.setBrush(keyOff ? QBrush(noteColor_, Qt::DiagCrossPattern) : QBrush(noteColor_));
    painter.drawRect(box);
    const QRect inner = box.adjusted(1, 1, -1, -1);
    // Too narrow for a digit: the clipped text would be a few stray pixels.
    if (inner.width() < digitWidth_ || inner.height() < 4) return;
    painter.save();
    painter.setClipRect(inner, Qt::IntersectClip);
    painter.drawText(inner, Qt::AlignHCenter | Qt::AlignBottom, QString::number(track));
    painter.restore();
}

void TPianoRoll::PaintNotes(QPainter& painter, const QRect& area) {
    const int rows = pattern_->RowCount();
    const int firstRow =
        std::max(0, (area.left() - geo_.noteColumnWidth) / geo_.colWidth + geo_.horzScroll - 1);
    const int lastRow = std::min(rows - 1, (area.right() - geo_.noteColumnWidth) / geo_.colWidth +
                                               geo_.horzScroll + 1);
    const int tracks = std::min(pattern_->TrackCount(), 32);
    for (int t = tracks - 1; t >= 0; --t) {
        if (!model_.IsTrackVisible(t)) continue;
        for (int r = firstRow; r <= lastRow; ++r) {
            const TCell cell = model_.Cells().Get(t, r);
            if (!model_.IsCellShown(t, cell)) continue;
            const std::optional<int> lane = model_.Lane(t, r);
            if (!lane) continue;
            const QRect box = PlaceRect(r, *lane);
            if (box.left() < geo_.noteColumnWidth || !box.intersects(area)) continue;
            PaintNote(painter, box, t, cell.note == kNoteKeyOff);
        }
    }
    // Notes being dragged are out of their cells until the drag ends.
    if (!model_.Selection().Dragging()) return;
    for (const TSelNote& n : model_.Selection().Notes()) {
        if (!IsValidNote(n.movedCell.note)) continue;
        const QRect box = PlaceRect(n.movedRow, NoteIndex(n.movedCell.note));
        if (box.left() >= geo_.noteColumnWidth && box.intersects(area))
            PaintNote(painter, box, n.movedTrack, false);
    }
}

void TPianoRoll::PaintMarks(QPainter& painter) {
    painter.setBrush(Qt::NoBrush);
    QPen dark(Qt::black, 1, Qt::DotLine);
    const bool dragging = model_.Selection().Dragging();
    for (const TSelNote& n : model_.Selection().Notes()) {
        const std::optional<int> lane = dragging && IsValidNote(n.movedCell.note)
                                            ? std::optional<int>(NoteIndex(n.movedCell.note))
                                            : model_.Lane(n.homeTrack, n.homeRow);
        if (!lane) continue;
        const QRect box = PlaceRect(dragging ? n.movedRow : n.homeRow, *lane);
        if (box.left() < geo_.noteColumnWidth) continue;
        painter.setPen(QPen(Qt::yellow, 2));
        painter.drawRect(box.adjusted(1, 1, -1, -1));
        painter.setPen(dark);
        painter.drawRect(box);
    }
    if (dragMode_ == 3) {
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawRect(
            PlaceRect(boxFrom_.row, boxFrom_.note).united(PlaceRect(boxTo_.row, boxTo_.note)));
    }
}

#include "ui/widgets/piano_roll.h"

#include "model/notes.h"
#include "model/pattern.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "project/song_edit.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

TPianoRoll::TPianoRoll(QWidget* parent) : QAbstractScrollArea(parent), font_("Arial") {
    font_.setPixelSize(8);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setFocusPolicy(Qt::ClickFocus);
    viewport()->setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    resize(100, 100);
    markerTimer_.setInterval(16);
    markerTimer_.setTimerType(Qt::PreciseTimer);
    connect(&markerTimer_, &QTimer::timeout, this, &TPianoRoll::AdvanceMarker);
    sinceStart_.start();
}

void TPianoRoll::SetPattern(TPattern* pattern) {
    if (pattern == pattern_) return;
    if (dragMode_ != 0) CancelOperation();
    StopFollowing();
    pattern_ = pattern;
    model_.SetPattern(pattern);
    songRow_ = 0;
    markerShift_ = 0;
    UpdateScrollBars();
    viewport()->update();
    emit ChangeSelection();
}

void TPianoRoll::Refresh() {
    UpdateScrollBars();
    viewport()->update();
}

void TPianoRoll::SetSongRow(int row) {
    if (!pattern_ || row < 0 || row >= pattern_->RowCount() || row == songRow_) return;
    const double now = double(sinceStart_.nsecsElapsed()) / 1e6;
    clock_.Observe(row, now);
    MoveMarker(row, int(clock_.Fraction(now) * geo_.colWidth));
}

void TPianoRoll::MoveMarker(int row, int shift) {
    if (row == songRow_ && shift == markerShift_) return;
    if (showSongRow_) RepaintMarker();
    songRow_ = row;
    markerShift_ = shift;
    if (showSongRow_) RepaintMarker();
}

int TPianoRoll::MarkerX() const {
    return geo_.X(songRow_) + geo_.colWidth / 2 + markerShift_;
}

void TPianoRoll::FollowPlayback(std::function<int()> playingRow, double rowMs) {
    playingRow_ = std::move(playingRow);
    const int row = playingRow_ ? playingRow_() : -1;
    if (!pattern_ || row < 0 || row >= pattern_->RowCount()) return StopFollowing();
    clock_.Start(row, double(sinceStart_.nsecsElapsed()) / 1e6, rowMs);
    MoveMarker(row, 0);
    markerTimer_.start();
}

void TPianoRoll::AdvanceMarker() {
    const int row = pattern_ && playingRow_ ? playingRow_() : -1;
    if (row < 0 || row >= pattern_->RowCount()) return StopFollowing();
    const double now = double(sinceStart_.nsecsElapsed()) / 1e6;
    clock_.Observe(row, now);
    MoveMarker(row, int(clock_.Fraction(now) * geo_.colWidth));
}

// The marker comes to rest on its row's centre, where a stopped song's row is drawn.
void TPianoRoll::StopFollowing() {
    markerTimer_.stop();
    clock_.Stop();
    playingRow_ = nullptr;
    if (pattern_) MoveMarker(songRow_, 0);
}

void TPianoRoll::PatternChanged(int track, int row) {
    if (!pattern_) return;
    if (track < 0 || row < 0 || dragMode_ == 1 || dragMode_ == 2) {
        // A drag in progress started from cells that are no longer there.
        if (model_.Selection().Dragging()) model_.Selection().CancelDrag();
        model_.Cells().Discard();
        dragMode_ = 0;
        model_.Selection().Clear();
        Refresh();
        emit ChangeSelection();
        return;
    }
    // The boxes of that track from the row on may take another key-off pitch.
    viewport()->update(QRect(QPoint(geo_.X(row), 0), viewport()->rect().bottomRight()));
    // A selected note stays selected with what the cell now holds.
    TSelNotes& selection = model_.Selection();
    const int before = selection.Count();
    std::erase_if(selection.Notes(),
                  [&](const TSelNote& n) { return n.homeTrack == track && n.homeRow == row; });
    if (selection.Count() == before) return;
    if (track < pattern_->TrackCount() && row < pattern_->RowCount()) {
        const TCell now = pattern_->GetCell(track, row);
        if (model_.IsCellShown(track, now)) selection.Toggle(track, row, now);
    }
    emit ChangeSelection();
}

void TPianoRoll::SetTrackVisible(int track, bool on) {
    const int before = model_.Selection().Count();
    model_.SetTrackVisible(track, on);
    viewport()->update();
    if (model_.Selection().Count() != before) emit ChangeSelection();
}

void TPianoRoll::SetInstrumentVisible(int instrument, bool on) {
    if (model_.IsInstrumentVisible(instrument) == on) return;
    const int before = model_.Selection().Count();
    model_.SetInstrumentVisible(instrument, on);
    viewport()->update();
    if (model_.Selection().Count() != before) emit ChangeSelection();
}

void TPianoRoll::SetColWidth(int width) {
    geo_.colWidth = std::max(width, 1);
    Refresh();
}

void TPianoRoll::SetRowHeight(int height) {
    geo_.rowHeight = std::max(height, 1);
    Refresh();
}

void TPianoRoll::SetHorzGridSpacing(int rows) {
    horzGridSpacing_ = std::max(rows, 1);
    Refresh();
}

void TPianoRoll::SetColors(QColor background, QColor note, QColor grid) {
    background_ = background;
    noteColor_ = note;
    gridColor_ = grid;
    viewport()->update();
}

void TPianoRoll::SetRollFont(const QFont& font) {
    if (font == font_) return;
    font_ = font;
    viewport()->update();
}

void TPianoRoll::SetShowSongRow(bool on) {
    if (on == showSongRow_) return;
    showSongRow_ = on;
    RepaintMarker();
}

QPoint TPianoRoll::Centre(TRollPoint place) const {
    return {geo_.X(place.row) + geo_.colWidth / 2, geo_.Y(place.note) + geo_.rowHeight / 2};
}

TRollPoint TPianoRoll::PointAt(QPoint p) const {
    return pattern_ ? geo_.PointAt(p.x(), p.y(), pattern_->RowCount()) : TRollPoint{};
}

// --- Scrolling ------------------------------------------------------------------------------

void TPianoRoll::UpdateScrollBars() {
    const int rows = pattern_ ? pattern_->RowCount() : 0;
    const QSize size = viewport()->size();
    geo_.Clamp(rows, size.width(), size.height());
    const int horz = std::max(0, geo_.HorzMax(rows, size.width()));
    const int vert = std::max(0, geo_.VertMax(size.height()));
    const QSignalBlocker hb(horizontalScrollBar()), vb(verticalScrollBar());
    horizontalScrollBar()->setRange(0, horz);
    horizontalScrollBar()->setPageStep(std::max(1, geo_.VisibleRows(size.width())));
    horizontalScrollBar()->setValue(geo_.horzScroll);
    horizontalScrollBar()->setEnabled(horz >= 1);
    verticalScrollBar()->setRange(0, vert);
    verticalScrollBar()->setPageStep(std::max(1, geo_.VisibleLanes(size.height())));
    verticalScrollBar()->setValue(geo_.vertScroll);
    verticalScrollBar()->setEnabled(vert >= 1);
}

void TPianoRoll::scrollContentsBy(int /*dx*/, int /*dy*/) {
    if (!pattern_) return;
    const int dRows = horizontalScrollBar()->value() - geo_.horzScroll;
    const int dLanes = verticalScrollBar()->value() - geo_.vertScroll;
    geo_.horzScroll += dRows;
    geo_.vertScroll += dLanes;
    const QRect all = viewport()->rect();
    // The key lane stays; only the notes area moves sideways.
    if (dRows != 0) {
        const QRect notes(geo_.noteColumnWidth, 0, all.width() - geo_.noteColumnWidth,
                          all.height());
        viewport()->scroll(-dRows * geo_.colWidth, 0, notes);
    }
    if (dLanes != 0) viewport()->scroll(0, -dLanes * geo_.rowHeight);
}

void TPianoRoll::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

void TPianoRoll::wheelEvent(QWheelEvent* event) {
    if (!pattern_) return;
    const int steps = event->angleDelta().y() / 120;
    if (steps == 0) return;
    if (event->modifiers() & Qt::ControlModifier) {
        ZoomAround(int(event->position().x()), std::clamp(geo_.colWidth + steps * 2, 4, 32));
    } else if (event->modifiers() & Qt::ShiftModifier) {
        horizontalScrollBar()->setValue(horizontalScrollBar()->value() - steps * 4);
    } else {
        verticalScrollBar()->setValue(verticalScrollBar()->value() - steps * 3);
    }
    event->accept();
}

// The row under the pointer stays under it.
void TPianoRoll::ZoomAround(int x, int colWidth) {
    if (colWidth == geo_.colWidth) return;
    const int offset = std::max(0, x - geo_.noteColumnWidth);
    const int row = geo_.horzScroll + offset / geo_.colWidth;
    geo_.colWidth = colWidth;
    geo_.horzScroll = row - offset / colWidth;
    Refresh();
    emit ColWidthChanged(colWidth);
}

#include "ui/widgets/event_grid.h"

#include "edit/grid_text.h"
#include "model/pattern.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "ui/windows/main_form.h"

#include <QFontMetrics>
#include <QMenu>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace {

constexpr int kDefaultColumnWidth = 18;
constexpr int kDefaultRowHeight = 14;

} // namespace

TEventGrid::TEventGrid(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName("eventGrid");
    setFocusPolicy(Qt::StrongFocus);
    setProperty(kOwnKeysProperty, true);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(1);
    horizontalScrollBar()->setSingleStep(1);
    CreateMenu();
    SetVisuals(visuals_);
}

void TEventGrid::SetVisuals(const TGridVisuals& visuals) {
    visuals_ = visuals;
    editor_.highlightStep = std::max(1, visuals.highlightStep);
    const QFontMetrics metrics(visuals_.font);
    glyphs_.SetFont(visuals_.font);
    rowHeight_ = std::max(kDefaultRowHeight, metrics.height() + 2);
    // The effect column, one and a half default widths, must hold four digits.
    defaultWidth_ = std::max(kDefaultColumnWidth, (metrics.horizontalAdvance("0000") + 4) * 2 / 3);
    channels_ = -1;
    SetupColumns();
    viewport()->update();
}

void TEventGrid::SetupColumns() {
    const int channels = Channels();
    if (channels == channels_ && !columnX_.empty()) return;
    channels_ = channels;
    const int columns = 1 + kColumnsPerTrack * channels;
    columnX_.assign(size_t(columns) + 1, 0);
    for (int c = 0; c < columns; ++c)
        columnX_[size_t(c) + 1] = columnX_[size_t(c)] + ColumnWidth(c, defaultWidth_);
    editor_.cursor.Clamp(std::max(1, Rows()), std::max(1, channels));
    UpdateScrollBars();
}

int TEventGrid::Rows() const {
    return pattern_ ? pattern_->RowCount() : 0;
}

int TEventGrid::Channels() const {
    return pattern_ ? pattern_->TrackCount() : 0;
}

void TEventGrid::SetPattern(TPattern* pattern) {
    pattern_ = pattern;
    RefreshGrid();
}

void TEventGrid::RefreshGrid() {
    SetupColumns();
    if (pattern_) editor_.cursor.Clamp(Rows(), Channels());
    UpdateScrollBars();
    viewport()->update();
    if (pattern_) ScrollToRow(editor_.cursor.CursorRow());
    emit CursorChanged();
}

void TEventGrid::UpdateScrollBars() {
    const int rows = Rows();
    const int columns = 1 + kColumnsPerTrack * std::max(0, channels_);
    verticalScrollBar()->setRange(0, std::max(0, rows - 1));
    verticalScrollBar()->setPageStep(std::max(1, VisibleRows() - 1));
    horizontalScrollBar()->setRange(0, std::max(0, columns - 2));
    horizontalScrollBar()->setPageStep(kColumnsPerTrack);
    editor_.scroll.firstRow = std::clamp(editor_.scroll.firstRow, 0, std::max(0, rows - 1));
    editor_.scroll.firstColumn =
        std::clamp(editor_.scroll.firstColumn, 1, std::max(1, columns - 1));
    ApplyScroll();
}

void TEventGrid::ApplyScroll() {
    verticalScrollBar()->setValue(editor_.scroll.firstRow);
    horizontalScrollBar()->setValue(editor_.scroll.firstColumn - 1);
}

int TEventGrid::VisibleRows() const {
    return std::max(1, viewport()->height() / rowHeight_);
}

int TEventGrid::ColumnLeft(int gridColumn) const {
    if (gridColumn <= 0 || columnX_.size() < 2) return 0;
    const int fixed = columnX_[1];
    const int first = std::clamp(editor_.scroll.firstColumn, 1, int(columnX_.size()) - 1);
    const int c = std::min(gridColumn, int(columnX_.size()) - 1);
    return fixed + columnX_[size_t(c)] - columnX_[size_t(first)];
}

QRect TEventGrid::CellRect(int gridRow, int gridColumn) const {
    if (columnX_.size() < 2) return {};
    const int c = std::min(gridColumn, int(columnX_.size()) - 2);
    const int width = columnX_[size_t(c) + 1] - columnX_[size_t(c)];
    const int y = gridRow == 0 ? 0 : rowHeight_ * (gridRow - editor_.scroll.firstRow);
    return QRect(ColumnLeft(gridColumn), y, width, rowHeight_);
}

QRect TEventGrid::TrackRowRect(int track, int row) const {
    const QRect first = CellRect(row + 1, GridColumn(track, kColumnNote));
    const QRect last = CellRect(row + 1, GridColumn(track, kColumnEffect));
    return first.united(last);
}

int TEventGrid::GridColumnAt(int x) const {
    if (columnX_.size() < 2) return -1;
    if (x < columnX_[1]) return 0;
    for (int c = std::max(1, editor_.scroll.firstColumn); c + 1 < int(columnX_.size()); ++c)
        if (x < ColumnLeft(c + 1)) return c;
    return -1;
}

int TEventGrid::PatternRowAt(int y) const {
    if (y < rowHeight_) return -1;
    return editor_.scroll.firstRow + y / rowHeight_ - 1;
}

void TEventGrid::scrollContentsBy(int dx, int dy) {
    const int oldFirstColumn = editor_.scroll.firstColumn;
    editor_.scroll.firstRow = verticalScrollBar()->value();
    editor_.scroll.firstColumn = horizontalScrollBar()->value() + 1;
    const QRect area = viewport()->rect();
    const int lastColumn = int(columnX_.size()) - 1;
    // After the columns were laid out anew the old offsets mean nothing: paint it all.
    if (lastColumn < 1 || (dx && dy) || oldFirstColumn > lastColumn ||
        editor_.scroll.firstColumn > lastColumn) {
        viewport()->update();
        return;
    }
    // The header row and the row numbers stay; only the cells move.
    if (dy) {
        const QRect body(0, rowHeight_, area.width(), area.height() - rowHeight_);
        viewport()->scroll(0, dy * rowHeight_, body);
    }
    if (dx) {
        const int fixed = columnX_[1];
        const int shift =
            columnX_[size_t(oldFirstColumn)] - columnX_[size_t(editor_.scroll.firstColumn)];
        const QRect body(fixed, 0, area.width() - fixed, area.height());
        viewport()->scroll(shift, 0, body);
    }
}

void TEventGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
    if (pattern_) {
        ScrollToRow(editor_.cursor.CursorRow());
        ScrollToCursorTrack();
    }
}

// --- Painting ----------------------------------------------------------------------------

void TEventGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect area = event->rect();
    painter.fillRect(area, visuals_.background);
    if (!pattern_ || columnX_.size() < 2) return;
    painter.setFont(visuals_.font);

    const int firstVisible = std::max(0, area.top() / rowHeight_);
    const int lastVisible = area.bottom() / rowHeight_;
    const int rows = Rows();
    for (int line = firstVisible; line <= lastVisible; ++line) {
        const int gridRow = line == 0 ? 0 : editor_.scroll.firstRow + line;
        if (gridRow > rows) break;
        for (int c = 0; c + 1 < int(columnX_.size()); ++c) {
            if (c >= 1 && c < editor_.scroll.firstColumn) continue;
            const QRect rect = CellRect(gridRow, c);
            if (rect.left() > area.right()) break;
            if (rect.right() < area.left()) continue;
            PaintCell(painter, gridRow, c, rect);
        }
    }
    PaintCursor(painter);
    PaintSeparators(painter, area);
}

void TEventGrid::PaintCell(QPainter& painter, int gridRow, int gridColumn, const QRect& rect) {
    const int row = gridRow - 1;
    const bool fixed = gridRow == 0 || gridColumn == 0;
    const bool cursorRow = row == editor_.cursor.CursorRow();
    const bool selected = !fixed && editor_.selection.Contains(row, gridColumn);
    const bool mutedHeader =
        gridRow == 0 && gridColumn >= 1 && TrackMuted(TrackOfGridColumn(gridColumn));
    QColor back = visuals_.background; // also a muted track's header
    if (fixed) {
        if (!mutedHeader) back = visuals_.row;
    } else if (cursorRow) {
        back = selected ? QColor::fromRgb(visuals_.row.rgb() ^ visuals_.selection.rgb())
                        : visuals_.row;
    } else if (selected) {
        back = visuals_.selection;
    }
    if (back != visuals_.background) painter.fillRect(rect, back);

    const bool highlight = row >= 0 && row % editor_.highlightStep == 0;
    std::string text = CellText(*pattern_, gridRow, gridColumn);
    if (mutedHeader && (gridColumn - 1) % kColumnsPerTrack == kColumnInstrument) text = "muted";
    if (!text.empty())
        glyphs_.Draw(painter, rect.left() + 1, rect.top() + 1, text,
                     highlight ? visuals_.highlightText : visuals_.text);
}

void TEventGrid::PaintCursor(QPainter& painter) {
    const TGridCursor& cursor = editor_.cursor;
    const int gridColumn = GridColumn(cursor.CursorTrack(), cursor.Column());
    if (gridColumn < editor_.scroll.firstColumn) return;
    const QRect cell = CellRect(cursor.CursorRow() + 1, gridColumn);
    if (cell.top() < rowHeight_) return;
    const std::string text = CellText(*pattern_, cursor.CursorRow() + 1, gridColumn);
    const TCharSpan span = CursorChars(cursor.CursorPos());
    const std::string_view chars(text);
    const int left = cell.left() + glyphs_.Advance(chars.substr(0, size_t(span.first))) + 1;
    const int right = cell.left() + glyphs_.Advance(chars.substr(0, size_t(span.end))) + 2;
    const QRect inverted(left, cell.top(), right - left, cell.height());
    painter.save();
    painter.setClipRect(cell);
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(inverted, Qt::white);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (hasFocus()) {
        QPen pen(visuals_.highlightText, 1, Qt::DotLine);
        painter.setPen(pen);
        painter.drawRect(inverted.adjusted(0, 0, -1, -1));
    }
    painter.restore();
}

void TEventGrid::PaintSeparators(QPainter& painter, const QRect& area) {
    // Lines at the right edge of the row numbers and of every effect column part the tracks.
    painter.setPen(visuals_.highlightText);
    const int bottom = std::min(area.bottom(), rowHeight_ * (Rows() + 1 - editor_.scroll.firstRow));
    for (int c = 0; c + 1 < int(columnX_.size()); c += kColumnsPerTrack) {
        if (c >= 1 && c < editor_.scroll.firstColumn) continue;
        const QRect rect = CellRect(0, c);
        const int x = rect.right();
        if (x > area.right()) break;
        if (x >= area.left()) painter.drawLine(x, area.top(), x, bottom);
    }
}

// --- Repainting what changed -------------------------------------------------------------

void TEventGrid::RepaintTrackRow(int track, int row) {
    if (!pattern_ || track < 0 || track >= Channels() || row < 0 || row >= Rows()) return;
    viewport()->update(TrackRowRect(track, row));
}

void TEventGrid::RepaintTrack(int track) {
    if (!pattern_ || track < 0 || track >= Channels()) return;
    const QRect first = CellRect(1, GridColumn(track, kColumnNote));
    const QRect last = CellRect(1, GridColumn(track, kColumnEffect));
    viewport()->update(QRect(first.left(), rowHeight_, last.right() - first.left() + 1,
                             viewport()->height() - rowHeight_));
}

void TEventGrid::RepaintHeader() {
    viewport()->update(QRect(0, 0, viewport()->width(), rowHeight_));
}

bool TEventGrid::TrackMuted(int track) const {
    const TSong* song = Project().Song();
    return song && track >= 0 && track < song->ChannelCount() && song->Channels(track)->Muted;
}

void TEventGrid::RepaintRow(int row) {
    if (!pattern_ || row < 0 || row >= Rows()) return;
    const QRect rect = CellRect(row + 1, 0);
    viewport()->update(QRect(0, rect.top(), viewport()->width(), rowHeight_));
}

void TEventGrid::RepaintCursorCell(const TGridCursor& cursor) {
    if (!pattern_) return;
    viewport()->update(
        CellRect(cursor.CursorRow() + 1, GridColumn(cursor.CursorTrack(), cursor.Column())));
}

void TEventGrid::RepaintChanges(const TCellChanges& changes) {
    for (const TCellChange& change : changes) RepaintTrackRow(change.track, change.row);
}

void TEventGrid::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    RepaintCursorCell(editor_.cursor);
    ScrollToCursorTrack();
}

void TEventGrid::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    RepaintCursorCell(editor_.cursor);
}

#include "ui/windows/channel_grid.h"

#include "model/song.h"
#include "project/app_objects.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <cmath>

namespace {
// Inside the one-pixel frame the width formula allows for.
constexpr int kBorder = 1;
// The bars show the last 48 dB; a released channel falls over about half a second.
constexpr float kMeterRange = 48.0f;
constexpr float kMeterFall = 0.06f;
constexpr int kMeterInterval = 33;

int ChannelCount() {
    const TSong* song = Project().Song();
    return song ? song->ChannelCount() : 0;
}
} // namespace

TChannelGrid::TChannelGrid(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumWidth(kCellSize + 2 * kBorder);
    QFont small = font();
    small.setPixelSize(10);
    setFont(small);
    meterTimer_.setInterval(kMeterInterval);
    connect(&meterTimer_, &QTimer::timeout, this, &TChannelGrid::PollMeters);
}

void TChannelGrid::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    meterTimer_.start();
}

void TChannelGrid::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    meterTimer_.stop();
}

QRect TChannelGrid::MeterRect(int channel) const {
    const int column = channel % columns_, row = channel / columns_;
    const QRect cell = CellRect(column, row);
    return {cell.left() + 3, cell.bottom() - 2 - kMeterHeight, 4, kMeterHeight};
}

void TChannelGrid::PollMeters() {
    const TSong* song = Project().Song();
    std::array<float, 32> peaks{};
    const int count = ChannelCount();
    if (song) song->TakeChannelPeaks(peaks.data(), count);
    for (int c = 0; c < int(peaks.size()); ++c) {
        float level = 0;
        if (c < count && peaks[size_t(c)] > 0)
            level =
                std::clamp(1.0f + 20.0f * std::log10(peaks[size_t(c)]) / kMeterRange, 0.0f, 1.0f);
        float& shown = meterLevel_[size_t(c)];
        shown = std::max(level, shown - kMeterFall);
        const int pixels = int(std::lround(shown * kMeterHeight));
        if (pixels == meterPixels_[size_t(c)]) continue;
        meterPixels_[size_t(c)] = pixels;
        if (c < count) update(MeterRect(c));
    }
}

void TChannelGrid::Relayout() {
    columns_ = std::max(1, (width() - 2 * kBorder) / kCellSize);
    // Rounded to nearest with ties to even: 2.5 rows become 2, 3.5 become 4.
    rows_ = int(std::nearbyint(double(ChannelCount()) / columns_ + 0.5));
    setMinimumHeight(rows_ * kCellSize + 2 * kBorder);
    update();
}

int TChannelGrid::ChannelAt(int column, int row) const {
    if (column < 0 || row < 0 || column >= columns_ || row >= rows_) return -1;
    const int channel = column + row * columns_;
    return channel < ChannelCount() ? channel : -1;
}

QRect TChannelGrid::CellRect(int column, int row) const {
    return {kBorder + column * kCellSize, kBorder + row * kCellSize, kCellSize, kCellSize};
}

QPoint TChannelGrid::CellAt(const QPoint& pos) const {
    if (pos.x() < kBorder || pos.y() < kBorder) return {-1, -1};
    return {(pos.x() - kBorder) / kCellSize, (pos.y() - kBorder) / kCellSize};
}

void TChannelGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.fillRect(event->rect(), Qt::black);
    const QRect dirty = event->rect();
    for (int r = 0; r < rows_; ++r)
        for (int c = 0; c < columns_; ++c)
            if (CellRect(c, r).intersects(dirty)) DrawCell(painter, c, r);
}

void TChannelGrid::DrawCell(QPainter& painter, int column, int row) const {
    const QRect cell = CellRect(column, row);
    painter.fillRect(cell, Qt::black);
    const int channel = ChannelAt(column, row);
    if (channel < 0) return;
    const TChannel* state = Project().Song()->Channels(channel);
    painter.setPen(Qt::white);
    painter.drawRect(cell.adjusted(0, 0, -1, -1));
    const QFontMetrics metrics(painter.font());
    const QString number = QString::number(channel);
    const QPoint middle = cell.center();
    painter.drawText(middle.x() - metrics.horizontalAdvance(number) / 2, middle.y(), number);
    if (const int level = meterPixels_[size_t(channel)]; level > 0) {
        const QRect bar = MeterRect(channel);
        painter.fillRect(bar.adjusted(0, kMeterHeight - level, 0, 0), QColor(80, 220, 120));
    }
    if (state->Muted) {
        painter.drawLine(cell.topLeft(), cell.bottomRight());
        painter.drawLine(cell.topRight(), cell.bottomLeft());
    }
    if (state->KeyJazz) {
        const QString jazz = "jazz";
        painter.drawText(middle.x() - metrics.horizontalAdvance(jazz) / 2,
                         cell.bottom() - metrics.descent(), jazz);
    }
}

void TChannelGrid::mousePressEvent(QMouseEvent* event) {
    TSong* song = Project().Song();
    if (!song) return;
    const QPoint cell = CellAt(event->position().toPoint());
    const int channel = ChannelAt(cell.x(), cell.y());
    if (channel >= 0) {
        TChannel* state = song->Channels(channel);
        if (event->button() == Qt::LeftButton) {
            state->SetMuted(!state->Muted);
            lastFlag_ = state->Muted;
            EventManager().Dispatch<EvChannelMuteChange>();
        } else if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
            state->KeyJazz = !state->KeyJazz;
            lastFlag_ = state->KeyJazz;
        }
        update(CellRect(cell.x(), cell.y()));
    }
    lastCell_ = cell;
}

void TChannelGrid::mouseMoveEvent(QMouseEvent* event) {
    TSong* song = Project().Song();
    const Qt::MouseButtons held = event->buttons();
    if (!song || !(held & (Qt::LeftButton | Qt::RightButton))) return;
    const QPoint cell = CellAt(event->position().toPoint());
    const int channel = ChannelAt(cell.x(), cell.y());
    if (cell == lastCell_ || channel < 0) return;
    TChannel* state = song->Channels(channel);
    if (held & Qt::LeftButton) {
        state->SetMuted(lastFlag_);
        EventManager().Dispatch<EvChannelMuteChange>();
    } else {
        state->KeyJazz = lastFlag_;
    }
    update(CellRect(cell.x(), cell.y()));
    lastCell_ = cell;
}

void TChannelGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    emit Resized();
}

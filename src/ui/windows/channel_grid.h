// One 32-pixel cell per channel of the open song on black: the user mutes channels with the
// left button and picks keyjazz channels with the right or middle one; dragging paints the
// state the press produced.
#pragma once

#include <QPoint>
#include <QTimer>
#include <QWidget>
#include <array>

class TSong;

class TChannelGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int kCellSize = 32;

    explicit TChannelGrid(QWidget* parent = nullptr);

    // Recomputes columns and rows from the width and the song's channel count, then redraws.
    void Relayout();
    int ColumnCount() const { return columns_; }
    int RowCount() const { return rows_; }
    // The channel shown at a cell, or -1 for an empty cell.
    int ChannelAt(int column, int row) const;
    QRect CellRect(int column, int row) const;

    // The level bar of a channel, in pixels of its full height (kMeterHeight).
    static constexpr int kMeterHeight = 26;
    int MeterHeight(int channel) const { return meterPixels_[size_t(channel)]; }
    // Reads the player's peaks and repaints the bars that changed; runs 30 times a second
    // while the grid is shown.
    void PollMeters();

signals:
    void Resized();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QPoint CellAt(const QPoint& pos) const;
    void DrawCell(class QPainter& painter, int column, int row) const;
    QRect MeterRect(int channel) const;

    int columns_ = 1;
    int rows_ = 0;
    QPoint lastCell_{-1, -1};
    bool lastFlag_ = false;
    QTimer meterTimer_;
    std::array<float, 32> meterLevel_{}; // 0..1 on the bar's decibel scale, falling smoothly
    std::array<int, 32> meterPixels_{};
};

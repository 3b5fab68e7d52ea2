// The order list's one-row grid; tells whether the user is editing a cell, which playback must
// not interrupt. Its cells share the width out so that none is ever cut at the right edge.
#pragma once

#include <QHeaderView>
#include <QResizeEvent>
#include <QTableWidget>
#include <algorithm>

class TOrderGrid : public QTableWidget {
    Q_OBJECT
public:
    static constexpr int kMinCellWidth = 20;

    using QTableWidget::QTableWidget;
    bool Editing() const { return state() == QAbstractItemView::EditingState; }
    // How many whole cells the grid shows.
    int VisibleCells() const { return std::max(1, viewport()->width() / CellWidth()); }
    int CellWidth() const { return horizontalHeader()->defaultSectionSize(); }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QTableWidget::resizeEvent(event);
        const int width = viewport()->width();
        const int cells = std::max(1, width / kMinCellWidth);
        horizontalHeader()->setDefaultSectionSize(std::max(kMinCellWidth, width / cells));
    }
};

// The order list's one-row grid; tells whether the user is editing a cell, which playback must
// not interrupt.
#pragma once

#include <QTableWidget>

class TOrderGrid : public QTableWidget {
    Q_OBJECT
public:
    using QTableWidget::QTableWidget;
    bool Editing() const { return state() == QAbstractItemView::EditingState; }
};

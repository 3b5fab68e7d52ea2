#include "ui/widgets/check_list.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QSignalBlocker>
#include <QStyledItemDelegate>

namespace {

// Items hold their mark under this role; an item that never got one reads as unchecked.
constexpr int kCheckRole = Qt::UserRole + 1;

// Both box images side by side, unchecked at x 0 and checked at x 11, drawn once.
const QPixmap& CheckBoxes() {
    static const QPixmap boxes = [] {
        QPixmap pixmap(22, 11);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        for (int x : {0, 11}) {
            p.fillRect(x, 0, 11, 11, Qt::white);
            p.setPen(QColor(64, 64, 64));
            p.drawRect(x, 0, 10, 10);
        }
        p.setPen(QPen(Qt::black, 2));
        p.drawPolyline(QPolygon({QPoint(13, 5), QPoint(15, 8), QPoint(19, 2)}));
        return pixmap;
    }();
    return boxes;
}

class TCheckDelegate : public QStyledItemDelegate {
public:
    TCheckDelegate(const TCheckList* list)
        : QStyledItemDelegate(const_cast<TCheckList*>(list)), list_(list) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const QRect r = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& pal = option.palette;
        p->fillRect(r, selected ? pal.highlight() : pal.base());
        const bool on = index.data(kCheckRole).toBool();
        p->drawPixmap(TCheckList::CheckBoxRect(r).topLeft(), CheckBoxes(),
                      QRect(on ? 11 : 0, 0, 11, 11));
        p->setPen(selected ? pal.highlightedText().color() : pal.text().color());
        p->drawText(QRect(r.left() + 15, r.top(), r.width() - 15, r.height()),
                    Qt::AlignLeft | Qt::AlignVCenter, index.data(Qt::DisplayRole).toString());
    }
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        return {60, list_->ItemHeight()};
    }

private:
    const TCheckList* list_;
};

} // namespace

TCheckList::TCheckList(QWidget* parent) : QListWidget(parent) {
    setUniformItemSizes(true);
    setItemDelegate(new TCheckDelegate(this));
}

void TCheckList::SetItemHeight(int height) {
    itemHeight_ = std::max(height, 1);
    doItemsLayout();
}

bool TCheckList::Checked(int index) const {
    const QListWidgetItem* it = item(index);
    return it && it->data(kCheckRole).toBool();
}

void TCheckList::SetChecked(int index, bool on) {
    QListWidgetItem* it = item(index);
    if (!it) return;
    const QVariant mark = it->data(kCheckRole);
    if (mark.isValid() && mark.toBool() == on) return;
    {
        // The model's change signal would repaint the whole list; only this box changed.
        const QSignalBlocker quiet(model());
        it->setData(kCheckRole, on);
    }
    viewport()->update(CheckBoxRect(visualItemRect(it)));
    if (!mark.isValid() && !on) return;
    if (on)
        emit OnCheck(index);
    else
        emit OnUncheck(index);
}

void TCheckList::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint at = event->position().toPoint();
        const QModelIndex index = indexAt(at);
        if (index.isValid() && CheckBoxRect(visualRect(index)).contains(at)) Toggle(index.row());
    }
    QListWidget::mousePressEvent(event);
}

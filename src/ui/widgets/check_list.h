// A list whose items each carry a check mark, drawn by the list itself at a fixed item height.
// Only a press on an item's check box toggles it; elsewhere the list selects as usual.
#pragma once

#include <QListWidget>
#include <QRect>

class TCheckList : public QListWidget {
    Q_OBJECT
public:
    explicit TCheckList(QWidget* parent = nullptr);

    void SetItemHeight(int height);
    int ItemHeight() const { return itemHeight_; }
    bool Checked(int index) const;
    void SetChecked(int index, bool on);
    void Toggle(int index) { SetChecked(index, !Checked(index)); }
    // The check box of an item drawn at itemRect; presses inside it toggle.
    static QRect CheckBoxRect(const QRect& itemRect) {
        return {itemRect.left() + 2, itemRect.top() + 2, 11, 11};
    }

signals:
    void OnCheck(int index);
    void OnUncheck(int index);

protected:
    void mousePressEvent(QMouseEvent* event) override;

private:
    int itemHeight_ = 16;
};

// A captioned group of radio buttons holding one choice, addressed by index like a combo box.
#pragma once

#include <QButtonGroup>
#include <QGroupBox>
#include <QStringList>

class TChoiceGroup : public QGroupBox {
    Q_OBJECT
public:
    TChoiceGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    int CurrentIndex() const { return buttons_.checkedId(); }
    void SetCurrentIndex(int index);
    int Count() const { return int(buttons_.buttons().size()); }
    QString ItemText(int index) const;

signals:
    void CurrentIndexChanged(int index);

private:
    QButtonGroup buttons_;
};

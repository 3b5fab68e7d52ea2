#include "ui/widgets/choice_group.h"

#include <QAbstractButton>
#include <QRadioButton>
#include <QVBoxLayout>

TChoiceGroup::TChoiceGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent) {
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* radio = new QRadioButton(items[i], this);
        buttons_.addButton(radio, i);
        layout->addWidget(radio);
    }
    if (!items.isEmpty()) buttons_.button(0)->setChecked(true);
    connect(&buttons_, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) emit CurrentIndexChanged(id);
    });
}

void TChoiceGroup::SetCurrentIndex(int index) {
    if (QAbstractButton* button = buttons_.button(index)) button->setChecked(true);
}

QString TChoiceGroup::ItemText(int index) const {
    QAbstractButton* button = buttons_.button(index);
    return button ? button->text() : QString();
}

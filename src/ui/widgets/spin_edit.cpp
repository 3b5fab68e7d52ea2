#include "ui/widgets/spin_edit.h"

TSpinEdit::TSpinEdit(QWidget* parent) : QSpinBox(parent) {
    connect(this, &QSpinBox::valueChanged, this, &TSpinEdit::OnValueChanged);
}

TSpinEdit::TSpinEdit(int minimum, int maximum, int value, QWidget* parent) : TSpinEdit(parent) {
    SetRange(minimum, maximum);
    SetValue(value);
}

void TSpinEdit::SetValue(int value) {
    programSet_ = true;
    setValue(value);
    programSet_ = false;
    modified_ = false;
}

void TSpinEdit::SetRange(int minimum, int maximum) {
    // Narrowing the range may clamp the value; that is not the user's doing.
    programSet_ = true;
    setRange(minimum, maximum);
    programSet_ = false;
}

void TSpinEdit::OnValueChanged(int value) {
    emit ValueChanged(value);
    if (programSet_) return;
    modified_ = true;
    emit UserChanged(value);
}

#include "ui/widgets/color_button.h"

#include <QColorDialog>
#include <QPainter>

TColorButton::TColorButton(const QColor& color, QWidget* parent)
    : QPushButton(parent), color_(color) {
    setMinimumSize(48, 22);
    connect(this, &QPushButton::clicked, this, &TColorButton::PickColor);
}

void TColorButton::SetColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    update();
    emit ColorChanged(color_);
}

void TColorButton::paintEvent(QPaintEvent* event) {
    QPushButton::paintEvent(event);
    QPainter painter(this);
    const QRect swatch = rect().adjusted(6, 5, -6, -5);
    painter.fillRect(swatch, color_);
    painter.setPen(palette().color(QPalette::ButtonText));
    painter.drawRect(swatch.adjusted(0, 0, -1, -1));
}

void TColorButton::PickColor() {
    const QColor picked = QColorDialog::getColor(color_, this);
    if (picked.isValid()) SetColor(picked);
}

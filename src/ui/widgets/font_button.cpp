#include "ui/widgets/font_button.h"

#include <QFontDialog>

TFontButton::TFontButton(const QFont& font, QWidget* parent) : QPushButton(parent), font_(font) {
    setText(font_.family());
    connect(this, &QPushButton::clicked, this, &TFontButton::PickFont);
}

void TFontButton::SetFont(const QFont& font) {
    if (font == font_) return;
    font_ = font;
    setText(font_.family());
    emit FontChanged(font_);
}

void TFontButton::PickFont() {
    bool ok = false;
    const QFont picked = QFontDialog::getFont(&ok, font_, this);
    if (ok) SetFont(picked);
}

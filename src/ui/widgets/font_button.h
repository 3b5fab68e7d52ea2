// A button showing a font's family name; clicking it lets the user pick another font.
#pragma once

#include <QFont>
#include <QPushButton>

class TFontButton : public QPushButton {
    Q_OBJECT
public:
    explicit TFontButton(const QFont& font = QFont(), QWidget* parent = nullptr);

    QFont Font() const { return font_; }
    // Emits FontChanged when the font differs.
    void SetFont(const QFont& font);

signals:
    void FontChanged(const QFont& font);

private:
    void PickFont();

    QFont font_;
};

// A button showing a colour swatch; clicking it lets the user pick another colour.
#pragma once

#include <QColor>
#include <QPushButton>

class TColorButton : public QPushButton {
    Q_OBJECT
public:
    explicit TColorButton(const QColor& color = Qt::black, QWidget* parent = nullptr);

    QColor Color() const { return color_; }
    // Emits ColorChanged when the colour differs.
    void SetColor(const QColor& color);

signals:
    void ColorChanged(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void PickColor();

    QColor color_;
};

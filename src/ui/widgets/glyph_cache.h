// Cell text drawn from pre-rendered glyphs: the grid shows a few dozen characters thousands of
// times per frame, and laying each cell's text out anew costs nine tenths of a repaint.
#pragma once

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <array>
#include <string_view>
#include <vector>

class QPainter;

class TGlyphCache {
public:
    void SetFont(const QFont& font);

    // Printable ASCII text with its top-left corner at (x, y); other characters are skipped.
    void Draw(QPainter& painter, int x, int y, std::string_view text, const QColor& color);
    // As Draw, showing only what falls inside clip; cheaper than a clip on the painter when
    // thousands of short texts each have their own box.
    void DrawClipped(QPainter& painter, int x, int y, std::string_view text, const QColor& color,
                     const QRect& clip);
    // The width the text takes, as Draw lays it out.
    int Advance(std::string_view text) const;
    int Height() const { return height_; }
    int Ascent() const { return ascent_; }
    const QFont& Font() const { return font_; }

private:
    static constexpr int kFirst = 32;
    static constexpr int kCount = 95;
    // Glyph boxes reach a pixel past the advance on both sides, for overhanging strokes.
    static constexpr int kPad = 1;

    struct Strip {
        QRgb color;
        qreal ratio;
        QPixmap pixmap;
    };
    const QPixmap& StripFor(const QColor& color, qreal ratio);

    QFont font_;
    int height_ = 0;
    int ascent_ = 0;
    std::array<int, kCount> advance_{};
    std::array<int, kCount> offset_{};
    int stripWidth_ = 0;
    std::vector<Strip> strips_;
};

#include "ui/widgets/glyph_cache.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>

void TGlyphCache::SetFont(const QFont& font) {
    // A pixmap may count points at another resolution than the screen: fix the pixel size.
    font_ = font;
    font_.setPixelSize(QFontInfo(font).pixelSize());
    const QFontMetrics metrics(font_);
    height_ = metrics.height();
    ascent_ = metrics.ascent();
    int x = 0;
    for (int i = 0; i < kCount; ++i) {
        advance_[size_t(i)] = metrics.horizontalAdvance(QChar(kFirst + i));
        offset_[size_t(i)] = x;
        x += advance_[size_t(i)] + 2 * kPad;
    }
    stripWidth_ = x;
    strips_.clear();
}

const QPixmap& TGlyphCache::StripFor(const QColor& color, qreal ratio) {
    for (const Strip& strip : strips_)
        if (strip.color == color.rgba() && strip.ratio == ratio) return strip.pixmap;
    QPixmap pixmap(QSize(stripWidth_, height_) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setFont(font_);
    painter.setPen(color);
    for (int i = 0; i < kCount; ++i)
        painter.drawText(offset_[size_t(i)] + kPad, ascent_, QString(QChar(kFirst + i)));
    painter.end();
    strips_.push_back({color.rgba(), ratio, pixmap});
    return strips_.back().pixmap;
}

void TGlyphCache::Draw(QPainter& painter, int x, int y, std::string_view text,
                       const QColor& color) {
    // The text's own box clips nothing.
    DrawClipped(painter, x, y, text, color, QRect(x - kPad, y, Advance(text) + 2 * kPad, height_));
}

void TGlyphCache::DrawClipped(QPainter& painter, int x, int y, std::string_view text,
                              const QColor& color, const QRect& clip) {
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QPixmap& strip = StripFor(color, ratio);
    for (const char c : text) {
        const int i = int(static_cast<unsigned char>(c)) - kFirst;
        if (i < 0 || i >= kCount) continue;
        const int width = advance_[size_t(i)];
        const QRect glyph(x - kPad, y, width + 2 * kPad, height_);
        const QRect shown = glyph.intersected(clip);
        if (c != ' ' && !shown.isEmpty()) {
            const QPoint from = shown.topLeft() - glyph.topLeft();
            painter.drawPixmap(QRectF(shown), strip,
                               QRectF((offset_[size_t(i)] + from.x()) * ratio, from.y() * ratio,
                                      shown.width() * ratio, shown.height() * ratio));
        }
        x += width;
    }
}

int TGlyphCache::Advance(std::string_view text) const {
    int width = 0;
    for (const char c : text) {
        const int i = int(static_cast<unsigned char>(c)) - kFirst;
        if (i >= 0 && i < kCount) width += advance_[size_t(i)];
    }
    return width;
}

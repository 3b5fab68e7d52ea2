// The sample editor's drawing: guides, the waveform from the peak summary, the loop markers,
// the inverted selection band and the caret.
#include "model/sample.h"
#include "ui/widgets/sample_editor.h"

#include <QPaintEvent>
#include <QPainter>

void TSampleEditor::SetDrawMode(TDrawMode mode) {
    drawMode_ = mode;
    viewport()->update();
}

void TSampleEditor::SetAveraging(bool on) {
    averaging_ = on;
    viewport()->update();
}

void TSampleEditor::SetSampleColor(const QColor& c) {
    sampleColor_ = c;
    viewport()->update();
}

void TSampleEditor::SetMidPointColor(const QColor& c) {
    midPointColor_ = c;
    viewport()->update();
}

void TSampleEditor::SetCenterColor(const QColor& c) {
    centerColor_ = c;
    viewport()->update();
}

void TSampleEditor::SetLoopColor(const QColor& c) {
    loopColor_ = c;
    viewport()->update();
}

void TSampleEditor::SetBackgroundColor(const QColor& c) {
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, c);
    viewport()->setPalette(palette);
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->update();
}

QColor TSampleEditor::BackgroundColor() const {
    return viewport()->palette().color(QPalette::Window);
}

const TPeakSummary& TSampleEditor::SummaryOf(const TSample& sample) {
    // A few long samples at most stay summarised.
    constexpr size_t kKept = 16;
    const TSampleFrames frames = FramesOf(sample);
    const std::pair key(instrument_, sample_);
    auto found = summaries_.find(key);
    if (found != summaries_.end() && found->second.Matches(frames)) return found->second;
    if (found == summaries_.end() && summaries_.size() >= kKept) summaries_.clear();
    return summaries_[key] = TPeakSummary(frames);
}

void TSampleEditor::PaintGuides(QPainter& painter, int bits) const {
    const int w = viewport()->width();
    const int mid = viewport()->height() / 2;
    painter.setPen(centerColor_);
    painter.drawLine(0, mid, w, mid);
    const int h = HalfAmplitudeOffset(viewport()->height(), bits);
    painter.setPen(midPointColor_);
    painter.drawLine(0, mid + h, w, mid + h);
    painter.drawLine(0, mid - h, w, mid - h);
}

void TSampleEditor::PaintWave(QPainter& painter, const TSample& sample, const TSampleView& view) {
    const TSampleFrames frames = FramesOf(sample);
    const std::vector<TWaveColumn> columns =
        WaveColumns(SummaryOf(sample), frames, view, viewport()->width(), averaging_);
    const std::vector<TWaveLine> lines =
        WaveLines(columns, viewport()->height(), frames.bits, drawMode_, averaging_);
    painter.setPen(sampleColor_);
    for (const TWaveLine& l : lines) painter.drawLine(l.x1, l.y1, l.x2, l.y2);
}

void TSampleEditor::PaintLoop(QPainter& painter, const TSample& sample) const {
    if (sample.LoopType() == 0) return;
    const int h = viewport()->height();
    painter.setPen(loopColor_);
    painter.setBrush(loopColor_);
    const int xs = int(std::clamp<int64_t>(markers_.startX, -8, 1 << 20));
    const int xe = int(std::clamp<int64_t>(markers_.endX, -8, 1 << 20));
    painter.drawLine(xs, h, xs, 0);
    const QPoint top[] = {{xs, 0}, {xs - 3, 0}, {xs, 3}, {xs + 3, 0}};
    painter.drawPolygon(top, 4);
    painter.drawLine(xe, 0, xe, h);
    const QPoint bottom[] = {{xe, h - 1}, {xe - 3, h - 1}, {xe, h - 4}, {xe + 3, h - 1}};
    painter.drawPolygon(bottom, 4);
    painter.setBrush(Qt::NoBrush);
}

void TSampleEditor::PaintInverted(QPainter& painter, const QRect& area) const {
    if (area.isEmpty()) return;
    painter.save();
    painter.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
    painter.fillRect(area, Qt::white);
    painter.restore();
}

void TSampleEditor::paintEvent(QPaintEvent* event) {
    const TSample* s = Sample();
    if (!s || !s->Record()->data || s->Length() == 0) return;
    QPainter painter(viewport());
    painter.setClipRegion(event->region());
    const TSampleView view = ViewOf(*s);
    PaintGuides(painter, s->Bits());
    PaintWave(painter, *s, view);
    PaintLoop(painter, *s);
    PaintInverted(painter, BandRect(view));
    if (caret_.Shown() && mouse_.Mode() == mmNone)
        PaintInverted(painter, QRect(int(std::clamp<int64_t>(TSampleGeometry::CaretColumn(view), -1,
                                                             1 << 20)),
                                     0, 1, viewport()->height()));
}

#include "ui/widgets/envelope_box.h"

#include "engine/engine_lock.h"
#include "model/envelope.h"
#include "model/instrument.h"
#include "model/song.h"
#include "project/app_objects.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <algorithm>

namespace {

constexpr int kBoxHalf = 3;
// Wide enough for a point's box and the pen around it.
constexpr int kMargin = kBoxHalf + 1;
constexpr int kGridTicks = 16;
const QColor kGridColor(40, 40, 40);
const QColor kSustainColor(255, 255, 0);
const QColor kLoopColor(0, 160, 255);

TMouseButton ButtonOf(Qt::MouseButton button) {
    if (button == Qt::RightButton) return TMouseButton::Right;
    if (button == Qt::MiddleButton) return TMouseButton::Middle;
    return TMouseButton::Left;
}

} // namespace

TEnvelopeBox::TEnvelopeBox(QWidget* parent)
    : QWidget(parent), hook_([this](TZEvent& event) {
          // Numbers name nothing once the song goes.
          if (dynamic_cast<EvClosingModule*>(&event)) ClearEnvelope();
          const auto* change = dynamic_cast<EvEnvelopeChange*>(&event);
          if (change && change->Instrument == instrument_ && change->Panning == panning_ &&
              !drag_.Dragging() && !committing_)
              update();
      }) {
    resize(100, 100);
}

void TEnvelopeBox::SetEnvelope(int instrument, bool panning) {
    instrument_ = instrument;
    panning_ = panning;
    drag_ = TEnvelopeDrag();
    update();
}

void TEnvelopeBox::ClearEnvelope() {
    SetEnvelope(-1, false);
}

TEnvelope* TEnvelopeBox::Envelope() const {
    TSong* song = Project().Song();
    if (!song || instrument_ < 0 || instrument_ >= song->InstrumentCount()) return nullptr;
    TInstrument* instrument = song->Instruments(instrument_);
    return panning_ ? instrument->PanningEnvelope() : instrument->VolumeEnvelope();
}

void TEnvelopeBox::SetEnvelopeEnabled(bool state) {
    TEnvelope* envelope = Envelope();
    if (!envelope || envelope->Enabled() == state) return;
    SongEdit().EditEnvelope(instrument_, panning_, state ? "Envelope On" : "Envelope Off",
                            [state](TEnvelope& e) { e.SetEnabled(state); });
    update();
}

void TEnvelopeBox::SetEnvColor(const QColor& c) {
    envColor_ = c;
    update();
}

void TEnvelopeBox::SetPtColor(const QColor& c) {
    ptColor_ = c;
    update();
}

void TEnvelopeBox::SetDisabledColor(const QColor& c) {
    disabledColor_ = c;
    update();
}

TEnvelopePoints TEnvelopeBox::Shown() const {
    TEnvelope* envelope = Envelope();
    return envelope ? EnvelopePointsOf(*envelope) : TEnvelopePoints{};
}

QRect TEnvelopeBox::ChangedArea(const TEnvelopePoints& before, const TEnvelopePoints& after) const {
    if (before.sustain != after.sustain || before.loopStart != after.loopStart ||
        before.loopEnd != after.loopEnd)
        return rect();
    const auto& a = before.points;
    const auto& b = after.points;
    const size_t shorter = std::min(a.size(), b.size());
    size_t prefix = 0;
    while (prefix < shorter && a[prefix] == b[prefix]) ++prefix;
    if (prefix == shorter && a.size() == b.size()) return {};
    size_t suffix = 0;
    while (suffix < shorter - prefix && a[a.size() - 1 - suffix] == b[b.size() - 1 - suffix])
        ++suffix;
    // The lines into and out of the changed points change with them.
    int left = width(), right = 0;
    for (const auto* pts : {&a, &b}) {
        const size_t first = prefix > 0 ? prefix - 1 : 0;
        const size_t last = std::min(pts->size() - suffix, pts->size() - 1);
        for (size_t i = first; i <= last && i < pts->size(); ++i) {
            left = std::min(left, TEnvelopeGeometry::TickToX((*pts)[i].tick));
            right = std::max(right, TEnvelopeGeometry::TickToX((*pts)[i].tick));
        }
    }
    if (left > right) return rect();
    return QRect(QPoint(left - kMargin, 0), QPoint(right + kMargin, height()));
}

void TEnvelopeBox::Preview(const TEnvelopePoints& points) {
    TEnvelope* envelope = Envelope();
    if (!envelope) return;
    const TEnvelopePoints before = EnvelopePointsOf(*envelope);
    {
        EngineLock lock;
        ApplyEnvelopePoints(*envelope, points);
    }
    const QRect area = ChangedArea(before, points);
    if (!area.isEmpty()) update(area);
}

void TEnvelopeBox::Commit(const QString& text, const TEnvelopePoints& points) {
    // The control shows the change already.
    const QScopedValueRollback committing(committing_, true);
    SongEdit().EditEnvelope(instrument_, panning_, text,
                            [points](TEnvelope& e) { ApplyEnvelopePoints(e, points); });
}

void TEnvelopeBox::mousePressEvent(QMouseEvent* event) {
    QWidget::mousePressEvent(event);
    TEnvelope* envelope = Envelope();
    const QPointF pos = event->position();
    const TEnvelopePoints before = envelope ? EnvelopePointsOf(*envelope) : TEnvelopePoints{};
    const TEnvelopePress press = drag_.Press(Geometry(), before, envelope && isEnabled(),
                                             ButtonOf(event->button()), pos.x(), pos.y());
    if (press.beep) QApplication::beep();
    if (press.refusal) emit Refused(QString::fromStdString(*press.refusal));
    if (press.change) {
        if (drag_.Dragging()) {
            Preview(*press.change);
        } else {
            update(ChangedArea(before, *press.change));
            Commit("Delete Point", *press.change);
        }
    }
    if (press.notify) emit OnChange();
}

void TEnvelopeBox::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    if (!drag_.Dragging()) return;
    const QPoint pos = event->position().toPoint();
    if (auto points = drag_.Move(Geometry(), pos.x(), pos.y())) {
        Preview(*points);
        emit OnChange();
    }
}

void TEnvelopeBox::mouseReleaseEvent(QMouseEvent* event) {
    QWidget::mouseReleaseEvent(event);
    const std::optional<TEnvelopePoints> released = drag_.Release();
    TEnvelope* envelope = Envelope();
    if (!released || !envelope) return;
    const TEnvelopePoints& original = drag_.Original();
    {
        EngineLock lock;
        ApplyEnvelopePoints(*envelope, original);
    }
    if (*released == original) return;
    const bool inserted = released->points.size() > original.points.size();
    Commit(inserted ? "Insert Point" : "Move Point", *released);
}

void TEnvelopeBox::PaintGrid(QPainter& painter, const QRect& area) const {
    painter.setPen(kGridColor);
    const int first = std::max(0, area.left() / kGridTicks) * kGridTicks;
    for (int x = first; x <= area.right(); x += kGridTicks) painter.drawLine(x, 0, x, height());
    const TEnvelopeGeometry g = Geometry();
    for (int value = 16; value < 64; value += 16)
        painter.drawLine(area.left(), g.ValueToY(value), area.right(), g.ValueToY(value));
}

// Dotted lines through the sustain point and the loop's ends, while they are switched on.
void TEnvelopeBox::PaintMarks(QPainter& painter, const TEnvelopePoints& env) const {
    const TEnvelope* envelope = Envelope();
    const int count = int(env.points.size());
    auto mark = [&](int index, const QColor& color) {
        if (index < 0 || index >= count) return;
        painter.setPen(QPen(color, 1, Qt::DotLine));
        const int x = TEnvelopeGeometry::TickToX(env.points[size_t(index)].tick);
        painter.drawLine(x, 0, x, height());
    };
    if (envelope->SustainEnabled()) mark(env.sustain, kSustainColor);
    if (envelope->LoopEnabled()) {
        mark(env.loopStart, kLoopColor);
        mark(env.loopEnd, kLoopColor);
    }
}

void TEnvelopeBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRegion(event->region());
    PaintGrid(painter, event->rect());
    TEnvelope* envelope = Envelope();
    if (!envelope) return;
    const TEnvelopePoints env = EnvelopePointsOf(*envelope);
    if (env.points.empty()) return;
    PaintMarks(painter, env);
    const TEnvelopeGeometry g = Geometry();
    const QPen box(isEnabled() ? ptColor_ : disabledColor_);
    const QPen line(envelope->Enabled() ? envColor_ : disabledColor_);
    painter.setBrush(Qt::NoBrush);
    QPoint previous;
    for (size_t i = 0; i < env.points.size(); ++i) {
        const QPoint p(TEnvelopeGeometry::TickToX(env.points[i].tick),
                       g.ValueToY(env.points[i].value));
        if (i > 0) {
            painter.setPen(line);
            painter.drawLine(previous, p);
        }
        painter.setPen(box);
        // drawRect's outline covers one pixel more than the rectangle: 6 by 6 in all.
        painter.drawRect(p.x() - kBoxHalf, p.y() - kBoxHalf, 2 * kBoxHalf - 1, 2 * kBoxHalf - 1);
        previous = p;
    }
}

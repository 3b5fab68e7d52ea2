#include "ui/widgets/keyboard_box.h"

#include "model/instrument.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "ui/widgets/scroll_actions.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <algorithm>

TKeyboardBox::TKeyboardBox(QWidget* parent)
    : QAbstractScrollArea(parent), hook_([this](TZEvent& event) {
          if (dynamic_cast<EvClosingModule*>(&event)) SetInstrument(-1);
          const auto* change = dynamic_cast<EvInstrumentChange*>(&event);
          if (change && change->Instrument == instrument_ && !committing_) viewport()->update();
      }) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Every key is painted every time: nothing to erase first.
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            &TKeyboardBox::OnScrollAction);
    resize(100, 100);
}

TKeyboardGeometry TKeyboardBox::Geometry() const {
    return TKeyboardGeometry(keyWidth_, viewport()->width(), viewport()->height(), firstKey_);
}

TInstrument* TKeyboardBox::InstrumentObject() const {
    TSong* song = Project().Song();
    if (!song || instrument_ < 0 || instrument_ >= song->InstrumentCount()) return nullptr;
    return song->Instruments(instrument_);
}

void TKeyboardBox::SetInstrument(int instrument) {
    instrument_ = instrument;
    assign_.Release();
    pending_.clear();
    viewport()->update();
}

void TKeyboardBox::SetKeyWidth(int width) {
    keyWidth_ = std::max(1, width);
    UpdateScrollBar();
}

void TKeyboardBox::SetKeyFont(const QFont& font) {
    viewport()->setFont(font);
    viewport()->update();
}

void TKeyboardBox::InvalidateNote(int note) {
    const TColumnSpan span = Geometry().InvalidateNote(note);
    viewport()->update(span.left, 0, span.right - span.left, viewport()->height());
}

void TKeyboardBox::UpdateScrollBar() {
    TKeyboardGeometry g = Geometry();
    const TScrollBarState state = g.UpdateScrollBar();
    firstKey_ = g.FirstKey();
    QScrollBar* bar = horizontalScrollBar();
    const QSignalBlocker block(bar);
    bar->setRange(0, state.maximum);
    bar->setPageStep(1);
    bar->setSingleStep(1);
    bar->setValue(state.position);
    bar->setEnabled(state.enabled);
    viewport()->update();
}

void TKeyboardBox::OnScrollAction(int action) {
    const auto scroll = ScrollActionOf(action);
    if (!scroll) return;
    QScrollBar* bar = horizontalScrollBar();
    TKeyboardGeometry g = Geometry();
    const int dx = g.Scroll(*scroll, bar->sliderPosition());
    firstKey_ = g.FirstKey();
    bar->setSliderPosition(firstKey_);
    if (dx != 0) viewport()->scroll(dx, 0);
}

void TKeyboardBox::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBar();
}

void TKeyboardBox::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    const TKeyboardGeometry g = Geometry();
    const TInstrument* instrument = InstrumentObject();
    const QFontMetrics metrics(viewport()->font());
    const std::vector<TKeyRect> keys = g.Keys();
    int rightEnd = 0;
    for (const TKeyRect& key : keys) {
        painter.setBrush(key.black ? Qt::black : Qt::white);
        painter.setPen(key.black ? Qt::white : Qt::black);
        // drawRect's outline covers one pixel more than the rectangle.
        painter.drawRect(key.left, key.top, key.right - key.left - 1, key.bottom - key.top - 1);
        const bool pending =
            std::find(pending_.begin(), pending_.end(), key.note) != pending_.end();
        const QString label = pending ? QString::number(assignSample_)
                                      : QString::fromStdString(KeyLabel(instrument, key.note));
        painter.drawText(key.LabelX(metrics.horizontalAdvance(label)), key.labelY, label);
        rightEnd = std::max(rightEnd, key.right);
    }
    if (rightEnd < viewport()->width())
        painter.fillRect(rightEnd, 0, viewport()->width() - rightEnd, viewport()->height(),
                         palette().window());
}

void TKeyboardBox::Passed(const std::vector<int>& notes) {
    for (int note : notes) {
        currentNote_ = note;
        pending_.push_back(note);
        InvalidateNote(note);
        emit OnAssign();
    }
}

void TKeyboardBox::mousePressEvent(QMouseEvent* event) {
    QAbstractScrollArea::mousePressEvent(event);
    if (event->button() != Qt::RightButton) return;
    const QPoint pos = event->position().toPoint();
    const bool enabled = InstrumentObject() && assignSample_ >= 0;
    Passed(assign_.Press(Geometry(), TMouseButton::Right, pos.x(), pos.y(), enabled));
}

void TKeyboardBox::mouseMoveEvent(QMouseEvent* event) {
    QAbstractScrollArea::mouseMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    Passed(assign_.Move(Geometry(), pos.x(), pos.y(), event->buttons() & Qt::RightButton));
}

void TKeyboardBox::mouseReleaseEvent(QMouseEvent* event) {
    QAbstractScrollArea::mouseReleaseEvent(event);
    if (event->button() != Qt::RightButton || !assign_.Active()) return;
    const std::vector<int> notes = assign_.Release();
    pending_.clear();
    if (notes.empty() || !InstrumentObject()) return;
    // The keys show the new sample already.
    const QScopedValueRollback committing(committing_, true);
    SongEdit().AssignKeys(instrument_, notes, assignSample_);
}

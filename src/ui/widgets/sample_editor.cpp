#include "ui/widgets/sample_editor.h"

#include "engine/engine_lock.h"
#include "model/instrument.h"
#include "model/sample.h"
#include "model/song.h"
#include "project/app_objects.h"
#include "ui/widgets/scroll_actions.h"

#include <QApplication>
#include <QDrag>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QWheelEvent>

namespace {

TMouseButton ButtonOf(Qt::MouseButton button) {
    if (button == Qt::RightButton) return TMouseButton::Right;
    if (button == Qt::MiddleButton) return TMouseButton::Middle;
    return TMouseButton::Left;
}

int ClampColumn(int64_t column) {
    return int(std::clamp<int64_t>(column, -kLoopStripHalfWidth - 1, 1 << 20));
}

} // namespace

TSampleEditor::TSampleEditor(QWidget* parent)
    : QAbstractScrollArea(parent), hook_([this](TZEvent& event) {
          if (const auto* change = dynamic_cast<EvSampleChange*>(&event))
              SampleChanged(change->Instrument, change->Sample);
          // Numbers may now name other samples, or none.
          if (dynamic_cast<EvInstListChange*>(&event)) summaries_.clear();
          if (dynamic_cast<EvClosingModule*>(&event)) {
              summaries_.clear();
              ClearSample();
          }
      }) {
    setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::ClickFocus);
    viewport()->setAutoFillBackground(true);
    SetBackgroundColor(Qt::black);
    viewport()->setMouseTracking(true);
    connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this,
            &TSampleEditor::OnScrollAction);
    // Children by name, so that a test can tick them without waiting.
    caretTimer_.setParent(this);
    caretTimer_.setObjectName("caretTimer");
    hintTimer_.setParent(this);
    hintTimer_.setObjectName("hintTimer");
    caretTimer_.setInterval(kCaretMs);
    connect(&caretTimer_, &QTimer::timeout, this, &TSampleEditor::CaretTick);
    caretTimer_.start();
    hintTimer_.setInterval(kHintMs);
    hintTimer_.setSingleShot(true);
    hint_ = new QLabel(viewport());
    hint_->setObjectName("hint");
    hint_->setAutoFillBackground(true);
    hint_->setBackgroundRole(QPalette::ToolTipBase);
    hint_->setForegroundRole(QPalette::ToolTipText);
    hint_->setFrameStyle(QFrame::Box | QFrame::Plain);
    hint_->setMargin(2);
    hint_->hide();
    connect(&hintTimer_, &QTimer::timeout, hint_, &QLabel::hide);
    resize(100, 100);
}

TSample* TSampleEditor::Sample() const {
    TSong* song = Project().Song();
    if (!song || instrument_ < 0 || instrument_ >= song->InstrumentCount()) return nullptr;
    TInstrument* instrument = song->Instruments(instrument_);
    if (sample_ < 0 || sample_ >= instrument->SampleCount()) return nullptr;
    return instrument->Samples(sample_);
}

TSampleView TSampleEditor::View() const {
    const TSample* s = Sample();
    return s ? ViewOf(*s) : TSampleView{0, 0, 0, 0};
}

TSampleGeometry TSampleEditor::Geometry() const {
    const TSample* s = Sample();
    return TSampleGeometry(s ? s->Length() : 0, viewport()->width());
}

void TSampleEditor::Store(const TSampleView& view) {
    if (TSample* s = Sample()) StoreView(*s, view);
}

void TSampleEditor::SetSample(int instrument, int sample) {
    instrument_ = instrument;
    sample_ = sample;
    mouse_.Cancel();
    dragArmed_ = false;
    if (TSample* s = Sample()) {
        TSampleView view = ViewOf(*s);
        Geometry().ClampView(view);
        StoreView(*s, view);
        markers_ = LoopMarkerColumns(view, {s->LoopStart(), s->LoopEnd()});
    }
    UpdateScrollBar();
    emit OnZoomChange();
}

bool TSampleEditor::SyncScrollBar() {
    TSample* s = Sample();
    TSampleView view = View();
    const int oldStart = view.viewStart;
    const TScrollBarState state = s ? Geometry().UpdateScrollBar(view) : TScrollBarState{};
    Store(view);
    QScrollBar* bar = horizontalScrollBar();
    const QSignalBlocker block(bar);
    bar->setRange(0, state.maximum);
    bar->setPageStep(1);
    bar->setValue(state.position);
    bar->setEnabled(state.enabled);
    return view.viewStart != oldStart;
}

void TSampleEditor::UpdateScrollBar() {
    SyncScrollBar();
    if (const TSample* s = Sample())
        markers_ = LoopMarkerColumns(View(), {s->LoopStart(), s->LoopEnd()});
    viewport()->update();
}

void TSampleEditor::OnScrollAction(int action) {
    const auto scroll = ScrollActionOf(action);
    if (!scroll || !Sample()) return;
    QScrollBar* bar = horizontalScrollBar();
    TSampleView view = View();
    const int64_t dx = Geometry().Scroll(view, *scroll, bar->sliderPosition());
    Store(view);
    bar->setSliderPosition(view.viewStart);
    const TSample* s = Sample();
    markers_ = LoopMarkerColumns(view, {s->LoopStart(), s->LoopEnd()});
    if (dx == 0) return;
    // A jump wider than the control repaints everything anyway.
    if (std::llabs(dx) >= viewport()->width())
        viewport()->update();
    else
        viewport()->scroll(int(dx), 0);
}

void TSampleEditor::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    if (TSample* s = Sample()) {
        TSampleView view = ViewOf(*s);
        Geometry().ClampView(view);
        StoreView(*s, view);
    }
    UpdateScrollBar();
    emit OnZoomChange();
}

bool TSampleEditor::IsFitZoom() const {
    return Sample() && Geometry().IsFitZoom(View());
}

void TSampleEditor::ApplyZoom(const TSampleView& view, const TZoomAnswer& answer) {
    if (answer.hint) ShowHint(QString::fromStdString(*answer.hint));
    if (!answer.zoomChanged) return;
    Store(view);
    UpdateScrollBar();
    emit OnZoomChange();
}

void TSampleEditor::ZoomToSelection() {
    if (!Sample()) return;
    TSampleView view = View();
    const TZoomAnswer answer = Geometry().ZoomToSelection(view);
    ApplyZoom(view, answer);
}

void TSampleEditor::ZoomToFit() {
    if (!Sample()) return;
    TSampleView view = View();
    const TZoomAnswer answer = Geometry().ZoomToFit(view);
    ApplyZoom(view, answer);
}

void TSampleEditor::SelectAll() {
    if (!Sample()) return;
    const TSampleView before = View();
    TSampleView view = before;
    Geometry().SelectAll(view);
    Store(view);
    UpdateBandChange(before, view);
    emit OnSelChange();
}

void TSampleEditor::SampleDataChanged() {
    TSample* s = Sample();
    if (!s) return;
    TSampleView view = ViewOf(*s);
    Geometry().SampleDataChanged(view);
    StoreView(*s, view);
    // A write in place keeps the block: build the summary again whatever it matches.
    summaries_.erase({instrument_, sample_});
    UpdateScrollBar();
}

// An undo, a process or another window changed the sample shown; not while a gesture runs,
// since the gesture's own writes are what changed it.
void TSampleEditor::SampleChanged(int instrument, int sample) {
    if (instrument != instrument_ || sample != sample_ || mouse_.Mode() != mmNone || committing_)
        return;
    TSample* s = Sample();
    if (!s) return;
    TSampleView view = ViewOf(*s);
    Geometry().SampleDataChanged(view);
    StoreView(*s, view);
    UpdateScrollBar();
}

void TSampleEditor::RefreshLoopMarkers() {
    const TSample* s = Sample();
    if (!s) return;
    UpdateStrip(markers_.startX);
    UpdateStrip(markers_.endX);
    markers_ = LoopMarkerColumns(View(), {s->LoopStart(), s->LoopEnd()});
    UpdateStrip(markers_.startX);
    UpdateStrip(markers_.endX);
}

void TSampleEditor::ShowHint(const QString& text) {
    hint_->setText(text);
    hint_->adjustSize();
    hint_->move(4, 4);
    hint_->show();
    hint_->raise();
    hintTimer_.start();
}

QString TSampleEditor::Hint() const {
    return hint_->isVisible() ? hint_->text() : QString();
}

void TSampleEditor::UpdateColumn(int64_t column) {
    viewport()->update(ClampColumn(column), 0, 1, viewport()->height());
}

void TSampleEditor::UpdateStrip(int64_t column) {
    viewport()->update(ClampColumn(column) - kLoopStripHalfWidth, 0, 2 * kLoopStripHalfWidth + 1,
                       viewport()->height());
}

void TSampleEditor::CaretTick() {
    const bool gesture = mouse_.Mode() != mmNone;
    if (caret_.Tick(Sample() != nullptr, gesture, hasFocus()))
        UpdateColumn(TSampleGeometry::CaretColumn(View()));
}

QRect TSampleEditor::BandRect(const TSampleView& view) const {
    const auto band = Geometry().SelectionBand(view);
    if (!band || band->right <= band->left) return {};
    const int64_t left = std::max<int64_t>(band->left, 0);
    if (band->right <= left) return {};
    return QRect(int(left), 0, int(band->right - left), viewport()->height());
}

// Only the columns that enter or leave the band change.
void TSampleEditor::UpdateBandChange(const TSampleView& before, const TSampleView& after) {
    const QRegion changed = QRegion(BandRect(before)).xored(QRegion(BandRect(after)));
    if (!changed.isEmpty()) viewport()->update(changed);
    if (before.selStart != after.selStart) {
        UpdateColumn(TSampleGeometry::CaretColumn(before));
        UpdateColumn(TSampleGeometry::CaretColumn(after));
    }
}

void TSampleEditor::PreviewLoop(const TLoopPoints& loop) {
    TSample* s = Sample();
    if (!s) return;
    {
        // The mixer never sees one end moved without the other.
        EngineLock lock;
        if (s->LoopStart() != loop.start) s->SetLoopStart(loop.start);
        if (s->LoopEnd() != loop.end) s->SetLoopEnd(loop.end);
    }
    emit onLoopChange();
    RefreshLoopMarkers();
}

void TSampleEditor::CommitLoop(const TLoopPoints& loop) {
    TSample* s = Sample();
    if (!s) return;
    // The step records the change from the loop before the press.
    const TLoopPoints original = mouse_.Original();
    {
        EngineLock lock;
        s->SetLoopStart(original.start);
        s->SetLoopEnd(original.end);
    }
    if (loop != original) {
        // The control shows the released loop already.
        const QScopedValueRollback committing(committing_, true);
        SongEdit().EditSample(instrument_, sample_, "Move Loop", [loop](TSample& sample) {
            sample.SetLoopStart(loop.start);
            sample.SetLoopEnd(loop.end);
        });
    }
    RefreshLoopMarkers();
    emit onLoopChange();
}

void TSampleEditor::Answer(const TSampleView& before, const TSampleMouseAnswer& answer) {
    TSampleView view = View();
    if (answer.hideCaret && caret_.Hide()) UpdateColumn(TSampleGeometry::CaretColumn(before));
    if (answer.selChanged) {
        UpdateBandChange(before, view);
        emit OnSelChange();
    }
    if (answer.loop) {
        if (answer.loopReleased)
            CommitLoop(*answer.loop);
        else
            PreviewLoop(*answer.loop);
    }
    if (answer.updateScrollBar && SyncScrollBar()) viewport()->update();
}

void TSampleEditor::mousePressEvent(QMouseEvent* event) {
    QAbstractScrollArea::mousePressEvent(event);
    TSample* s = Sample();
    if (!s) return;
    setFocus(Qt::MouseFocusReason);
    const TSampleView before = ViewOf(*s);
    TSampleView view = before;
    const bool shift = event->modifiers() & Qt::ShiftModifier;
    const TSampleMouseAnswer answer = mouse_.Press(view, FactsOf(*s), ButtonOf(event->button()),
                                                   event->position().toPoint().x(), false, shift);
    StoreView(*s, view);
    dragArmed_ = answer.armDrag;
    dragFrom_ = event->position().toPoint();
    Answer(before, answer);
}

void TSampleEditor::mouseDoubleClickEvent(QMouseEvent* event) {
    TSample* s = Sample();
    if (!s || event->button() != Qt::LeftButton) return;
    const TSampleView before = ViewOf(*s);
    TSampleView view = before;
    const TSampleMouseAnswer answer =
        mouse_.Press(view, FactsOf(*s), TMouseButton::Left, 0, true, false);
    StoreView(*s, view);
    Answer(before, answer);
}

void TSampleEditor::mouseMoveEvent(QMouseEvent* event) {
    QAbstractScrollArea::mouseMoveEvent(event);
    TSample* s = Sample();
    if (!s) return;
    const QPoint pos = event->position().toPoint();
    if (dragArmed_ && (pos - dragFrom_).manhattanLength() >= QApplication::startDragDistance()) {
        StartSelectionDrag();
        return;
    }
    if (mouse_.Mode() == mmNone || mouse_.Mode() == mmDragSelection) {
        const bool resize = ResizeCursorAt(ViewOf(*s), FactsOf(*s), pos.x());
        viewport()->setCursor(resize ? Qt::SizeHorCursor : Qt::ArrowCursor);
        return;
    }
    const TSampleView before = ViewOf(*s);
    TSampleView view = before;
    const TSampleMouseAnswer answer = mouse_.Move(view, pos.x());
    StoreView(*s, view);
    Answer(before, answer);
}

void TSampleEditor::mouseReleaseEvent(QMouseEvent* event) {
    QAbstractScrollArea::mouseReleaseEvent(event);
    TSample* s = Sample();
    dragArmed_ = false;
    if (!s || event->button() != Qt::LeftButton || mouse_.Mode() == mmNone) return;
    const TSampleView before = ViewOf(*s);
    TSampleView view = before;
    const TSampleMouseAnswer answer = mouse_.Release(view, event->position().toPoint().x());
    StoreView(*s, view);
    Answer(before, answer);
}

// The selected range leaves the control as the sample's numbers and frames.
QMimeData* TSampleEditor::SelectionMime() const {
    const TSampleView view = View();
    auto* mime = new QMimeData;
    mime->setData(kRangeMime, QStringLiteral("%1 %2 %3 %4")
                                  .arg(instrument_)
                                  .arg(sample_)
                                  .arg(std::min(view.selStart, view.selEnd))
                                  .arg(std::max(view.selStart, view.selEnd))
                                  .toUtf8());
    return mime;
}

void TSampleEditor::StartSelectionDrag() {
    dragArmed_ = false;
    mouse_.Cancel();
    auto* drag = new QDrag(this);
    drag->setMimeData(SelectionMime());
    drag->exec(Qt::CopyAction);
}

void TSampleEditor::wheelEvent(QWheelEvent* event) {
    if (!(event->modifiers() & Qt::ControlModifier) || !Sample()) {
        QAbstractScrollArea::wheelEvent(event);
        return;
    }
    const int steps = event->angleDelta().y();
    if (steps == 0) return;
    TSampleView view = View();
    const TZoomAnswer answer = Geometry().ZoomAround(view, int(event->position().x()), steps > 0);
    ApplyZoom(view, answer);
    event->accept();
}

// The sample editor control: one sample's waveform from its peak summary, the selection, the
// loop markers, zoom and scrolling. The view lives in the sample (edit/sample_view.h), the
// gestures in edit/sample_mouse.h; a loop drag previews in the sample and commits one undo step
// on the release.
#pragma once

#include "edit/peak_summary.h"
#include "edit/sample_mouse.h"
#include "edit/waveform.h"
#include "ui/widgets/bus_hook.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QPoint>
#include <QTimer>
#include <map>
#include <utility>

class QLabel;
class QMimeData;
class TSample;

class TSampleEditor : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kCaretMs = 500;
    static constexpr int kHintMs = 2000;
    // A selection dragged out of the control: "instrument sample first last".
    static constexpr const char* kRangeMime = "application/x-cantorwright-sample-range";

    explicit TSampleEditor(QWidget* parent = nullptr);

    // A sample of the open song by its numbers; -1 none.
    void SetSample(int instrument, int sample);
    void ClearSample() { SetSample(-1, -1); }
    TSample* Sample() const;
    int InstrumentNumber() const { return instrument_; }
    int SampleNumber() const { return sample_; }

    // The shown sample's view; all zeros without one.
    TSampleView View() const;
    bool HasSelection() const { return View().HasSelection(); }
    // What a drag of the selection out of the control carries (the caller owns it).
    QMimeData* SelectionMime() const;
    TMouseMode MouseMode() const { return mouse_.Mode(); }
    bool CaretShown() const { return caret_.Shown(); }
    TLoopMarkers LoopMarkers() const { return markers_; }

    void ZoomToSelection();
    void ZoomToFit();
    bool IsFitZoom() const;
    void SelectAll();
    // After the frames, their format or the length changed elsewhere.
    void SampleDataChanged();
    // After the loop changed elsewhere.
    void RefreshLoopMarkers();
    void UpdateScrollBar();

    TDrawMode DrawMode() const { return drawMode_; }
    void SetDrawMode(TDrawMode mode);
    bool Averaging() const { return averaging_; }
    void SetAveraging(bool on);
    QColor SampleColor() const { return sampleColor_; }
    QColor MidPointColor() const { return midPointColor_; }
    QColor CenterColor() const { return centerColor_; }
    QColor LoopColor() const { return loopColor_; }
    QColor BackgroundColor() const;
    void SetSampleColor(const QColor& c);
    void SetMidPointColor(const QColor& c);
    void SetCenterColor(const QColor& c);
    void SetLoopColor(const QColor& c);
    void SetBackgroundColor(const QColor& c);

    // The feedback text shown briefly, empty when none shows.
    QString Hint() const;

signals:
    void OnSelChange();
    void OnZoomChange();
    void onLoopChange();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int, int) override {}

private:
    TSampleGeometry Geometry() const;
    void Store(const TSampleView& view);
    // Puts the view on the scroll bar; answers whether the view start moved.
    bool SyncScrollBar();
    void OnScrollAction(int action);
    void ApplyZoom(const TSampleView& view, const TZoomAnswer& answer);
    void ShowHint(const QString& text);
    void CaretTick();
    void UpdateColumn(int64_t column);
    void UpdateStrip(int64_t column);
    void UpdateBandChange(const TSampleView& before, const TSampleView& after);
    void Answer(const TSampleView& before, const TSampleMouseAnswer& answer);
    void PreviewLoop(const TLoopPoints& loop);
    void CommitLoop(const TLoopPoints& loop);
    void StartSelectionDrag();
    void SampleChanged(int instrument, int sample);
    QRect BandRect(const TSampleView& view) const;
    const TPeakSummary& SummaryOf(const TSample& sample);

    void PaintGuides(class QPainter& painter, int bits) const;
    void PaintWave(class QPainter& painter, const TSample& sample, const TSampleView& view);
    void PaintLoop(class QPainter& painter, const TSample& sample) const;
    void PaintInverted(class QPainter& painter, const QRect& area) const;

    int instrument_ = -1;
    int sample_ = -1;
    TDrawMode drawMode_ = dmRelative;
    bool averaging_ = false;
    QColor sampleColor_{0, 255, 0};
    QColor midPointColor_{255, 0, 0};
    QColor centerColor_{255, 255, 255};
    QColor loopColor_{0, 0, 0};
    TSampleMouse mouse_;
    TSampleCaret caret_;
    TLoopMarkers markers_;
    // One summary per sample shown, so that switching back to a long sample costs nothing;
    // each is checked against the sample's data block before use.
    std::map<std::pair<int, int>, TPeakSummary> summaries_;
    QTimer caretTimer_;
    QTimer hintTimer_;
    QLabel* hint_ = nullptr;
    QPoint dragFrom_;
    bool dragArmed_ = false;
    bool committing_ = false;
    TBusHook hook_;
};

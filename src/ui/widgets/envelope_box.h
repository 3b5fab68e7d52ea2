// The envelope control: draws one instrument envelope and maps the mouse to the envelope logic
// of edit/envelope_box.h. A drag previews in the envelope itself and commits one undo step on
// the release; a deletion is one step at once.
#pragma once

#include "edit/envelope_box.h"
#include "ui/widgets/bus_hook.h"

#include <QColor>
#include <QWidget>

class TEnvelope;

class TEnvelopeBox : public QWidget {
    Q_OBJECT
public:
    explicit TEnvelopeBox(QWidget* parent = nullptr);

    // Shows the volume or panning envelope of an instrument of the open song.
    void SetEnvelope(int instrument, bool panning);
    void ClearEnvelope();
    int Instrument() const { return instrument_; }
    bool Panning() const { return panning_; }
    // The envelope shown, or none.
    TEnvelope* Envelope() const;
    // Switches the envelope on or off as one step.
    void SetEnvelopeEnabled(bool state);

    QColor envColor() const { return envColor_; }
    QColor ptColor() const { return ptColor_; }
    QColor disabledColor() const { return disabledColor_; }
    void SetEnvColor(const QColor& c);
    void SetPtColor(const QColor& c);
    void SetDisabledColor(const QColor& c);

    const TEnvelopeDrag& Drag() const { return drag_; }
    TEnvelopeGeometry Geometry() const { return TEnvelopeGeometry(width(), height()); }

signals:
    void OnChange();
    // The envelope refused an insertion; the model's own words.
    void Refused(const QString& message);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    TEnvelopePoints Shown() const;
    // Writes the points into the envelope and repaints what differs from before.
    void Preview(const TEnvelopePoints& points);
    void Commit(const QString& text, const TEnvelopePoints& points);
    // The columns whose drawing differs between the two envelopes.
    QRect ChangedArea(const TEnvelopePoints& before, const TEnvelopePoints& after) const;
    void PaintGrid(class QPainter& painter, const QRect& area) const;
    void PaintMarks(class QPainter& painter, const TEnvelopePoints& env) const;

    int instrument_ = -1;
    bool panning_ = false;
    QColor envColor_{255, 255, 255};
    QColor ptColor_{0, 255, 0};
    QColor disabledColor_{128, 128, 128};
    TEnvelopeDrag drag_;
    bool committing_ = false;
    TBusHook hook_;
};

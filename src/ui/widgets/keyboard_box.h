// The keyboard map control: 96 keys labelled with the sample each note plays, scrolled by
// whole keys. A right-button press or drag over the keys assigns the chosen sample to every key
// passed over, as one undo step when the button is released.
#pragma once

#include "edit/keyboard_box.h"
#include "ui/widgets/bus_hook.h"

#include <QAbstractScrollArea>
#include <QFont>
#include <vector>

class TInstrument;

class TKeyboardBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TKeyboardBox(QWidget* parent = nullptr);

    // The instrument of the open song whose map is shown; -1 none.
    void SetInstrument(int instrument);
    int Instrument() const { return instrument_; }
    // The sample a right-button gesture assigns; -1 refuses the gesture.
    void SetAssignSample(int sample) { assignSample_ = sample; }

    int KeyWidth() const { return keyWidth_; }
    void SetKeyWidth(int width);
    int FirstKey() const { return firstKey_; }
    int CurrentNote() const { return currentNote_; }
    void SetKeyFont(const QFont& font);

    TKeyboardGeometry Geometry() const;
    // Repaints the key of a note and its black neighbours.
    void InvalidateNote(int note);
    void UpdateScrollBar();

signals:
    // A key was passed over by the right button; CurrentNote tells which.
    void OnAssign();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int, int) override {}

private:
    TInstrument* InstrumentObject() const;
    void Passed(const std::vector<int>& notes);
    void OnScrollAction(int action);

    int instrument_ = -1;
    int assignSample_ = -1;
    int keyWidth_ = 15;
    int firstKey_ = 0;
    int currentNote_ = 0;
    TKeyAssignDrag assign_;
    std::vector<int> pending_; // notes of the running gesture, shown with the new sample
    bool committing_ = false;
    TBusHook hook_;
};

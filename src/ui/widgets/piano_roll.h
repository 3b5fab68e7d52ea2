// The piano roll: one pattern drawn as note boxes, rows across and pitch downwards. Editing
// rules live in TRollModel; the roll maps the mouse onto it, hands its pending cell writes to
// the edit layer as one step and repaints only the boxes concerned.
#pragma once

#include "edit/piano_roll_model.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>

class TPattern;

class TPianoRoll : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TPianoRoll(QWidget* parent = nullptr);

    void SetPattern(TPattern* pattern);
    TPattern* Pattern() const { return pattern_; }
    TRollModel& Model() { return model_; }
    const TRollGeometry& Geometry() const { return geo_; }
    void SetSongRow(int row);
    int SongRow() const { return songRow_; }
    // Another view changed the shown pattern; track or row -1 for all of them.
    void PatternChanged(int track, int row);
    void Refresh();

    void SetTrackVisible(int track, bool on);
    void SetInstrumentVisible(int instrument, bool on);
    void SetColWidth(int width);
    void SetRowHeight(int height);
    void SetHorzGridSpacing(int rows);
    void SetColors(QColor background, QColor note, QColor grid);
    void SetRollFont(const QFont& font);
    void SetShowSongRow(bool on);
    int DragMode() const { return dragMode_; }

    void SelectAll();
    void DeleteSelected();
    void MoveSelectedTrack(bool down);
    void SetSelectedValue(int field, int value);
    void CancelOperation();
    // Auditions a note on the song; no instrument (-1) only releases the last one.
    void PreviewNote(int instrument, int note);
    // Viewport pixel centre of a place, for tests and scripted use.
    QPoint Centre(TRollPoint place) const;

signals:
    void ChangePattern();
    void ChangeSelection();
    // Ctrl+wheel zoomed; the window's X field follows.
    void ColWidthChanged(int width);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void UpdateScrollBars();
    void Commit(const QString& text);
    QRect BoxRect(int track, int row) const;
    QRect PlaceRect(int row, int lane) const;
    void RepaintSelection();
    void RepaintBox();
    void RepaintMarker();
    void PaintGrid(QPainter& painter, const QRect& area);
    void PaintNotes(QPainter& painter, const QRect& area);
    void PaintNote(QPainter& painter, const QRect& box, int track, bool keyOff);
    void PaintMarks(QPainter& painter);
    void DragTo(TRollPoint place);
    void ShowPointer(TRollPoint place, Qt::KeyboardModifiers modifiers);
    void ZoomAround(int x, int colWidth);
    TRollPoint PointAt(QPoint p) const;

    TPattern* pattern_ = nullptr;
    TRollModel model_;
    TRollGeometry geo_;
    int horzGridSpacing_ = 8;
    QColor background_ = Qt::white;
    QColor gridColor_ = QColor(0x80, 0x80, 0x80);
    QColor noteColor_ = QColor(0xFF, 0x00, 0xFF);
    QFont font_;
    bool showSongRow_ = true;
    int songRow_ = 0;
    int dragMode_ = 0; // 0 idle, 1 moving, 2 copying, 3 boxing
    TRollPoint boxFrom_, boxTo_;
    int previewChannel_ = -1;
    int digitWidth_ = 1; // of the font last painted with
};

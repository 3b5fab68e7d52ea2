// The piano roll: one pattern drawn as note boxes, rows across and pitch downwards. Editing
// rules live in TRollModel; the roll maps the mouse onto it, hands its pending cell writes to
// the edit layer as one step and repaints only the boxes concerned.
#pragma once

#include "edit/marker_clock.h"
#include "edit/piano_roll_model.h"
#include "ui/widgets/glyph_cache.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QElapsedTimer>
#include <QFont>
#include <QList>
#include <QRect>
#include <QTimer>
#include <functional>
#include <vector>

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
    // While the song plays the marker glides through each row, asking playingRow once a frame
    // for the player's row in the shown pattern (-1 when it plays elsewhere or has stopped,
    // which ends the glide). rowMs is a first guess of a row's length.
    void FollowPlayback(std::function<int()> playingRow, double rowMs);
    bool FollowingPlayback() const { return markerTimer_.isActive(); }
    // One frame of the glide; the timer's, and tests'.
    void AdvanceMarker();
    int MarkerX() const;
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
    void PrepareFont();
    void DrawBoxes(QPainter& painter);
    void PaintNumber(QPainter& painter, const QRect& box, int track);
    void PaintMarks(QPainter& painter, const QRect& area);
    void DragTo(TRollPoint place);
    void ShowPointer(TRollPoint place, Qt::KeyboardModifiers modifiers);
    void ZoomAround(int x, int colWidth);
    TRollPoint PointAt(QPoint p) const;
    void StopFollowing();
    void MoveMarker(int row, int shift);

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
    int markerShift_ = 0; // pixels past the row's centre while gliding
    TMarkerClock clock_;
    QTimer markerTimer_;
    QElapsedTimer sinceStart_;
    std::function<int()> playingRow_;
    int dragMode_ = 0; // 0 idle, 1 moving, 2 copying, 3 boxing
    TRollPoint boxFrom_, boxTo_;
    int previewChannel_ = -1;
    // Paint scratch, kept to spare an allocation per paint: the track on top at each place of
    // the painted area (negative for a key off, 0 none), and the boxes by fill.
    TGlyphCache glyphs_;
    QFont paintFont_;
    bool glyphsReady_ = false;
    std::vector<int16_t> cover_;
    QList<QRect> solid_, hatched_, outer_, inner_;
};

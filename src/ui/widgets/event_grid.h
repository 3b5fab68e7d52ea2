// The event grid: a pattern drawn as rows by tracks of four columns, with the edit cursor and
// the block selection. Keys and mouse go to TGridEditor; the changes it answers go to the edit
// layer; the grid paints only the cells that changed.
#pragma once

#include "edit/grid_editor.h"
#include "ui/widgets/glyph_cache.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <vector>

class QMenu;
class TPattern;

struct TGridVisuals {
    QColor background = QColor(64, 64, 64);
    QColor row = QColor(0, 0, 128);
    QColor selection = QColor(0, 128, 0);
    QColor highlightText = Qt::white;
    QColor text = QColor(192, 192, 192);
    QFont font = QFont("Small Fonts");
    int highlightStep = 1;
    int scrollMode = 0;
};

class TEventGrid : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TEventGrid(QWidget* parent = nullptr);

    // The shown pattern, or none; the whole grid is laid out again and repainted.
    void SetPattern(TPattern* pattern);
    TPattern* Pattern() const { return pattern_; }
    TGridEditor& Editor() { return editor_; }
    const TGridEditor& Editor() const { return editor_; }

    void SetVisuals(const TGridVisuals& visuals);
    const TGridVisuals& Visuals() const { return visuals_; }
    // With "Song Row" following on, while the song plays the view turns page by page and a
    // mouse press does nothing more than focus.
    void SetFollowSongRow(bool follow) { followSongRow_ = follow; }

    // The pattern's size or content changed as a whole.
    void RefreshGrid();
    void SetCursorRow(int row);
    void SetCursor(const TGridCursor& cursor);
    // Repaints what another view changed.
    void RepaintTrackRow(int track, int row);
    void RepaintTrack(int track);
    // The track header shows which channels are muted.
    void RepaintHeader();

    // Context menu commands.
    void CopySelection();
    void CutSelection();
    void PasteAtCursor();
    void TransposeSelection(int semitones);
    void InterpolateSelection();
    // A note from a MIDI keyboard entered at the cursor as a key would enter it, as one undo
    // step; false when nothing was written (edit mode off, or no pattern). `volume` -1 keeps
    // the volume column. The row and track it went to are returned for a later key-off.
    bool EnterPlayedNote(uint8_t note, int volume, int& track, int& row);
    // A key-off for a released MIDI key, unless the cell holds a note.
    void EnterKeyOff(int track, int row);
    int CursorRow() const;

    // Geometry, in viewport pixels.
    int RowHeight() const { return rowHeight_; }
    int DefaultWidth() const { return defaultWidth_; }
    // The rectangle of a grid cell (grid row 0 is the header), scrolled as shown.
    QRect CellRect(int gridRow, int gridColumn) const;
    QRect TrackRowRect(int track, int row) const;
    // Rows visible, the header row included.
    int VisibleRows() const;

    QMenu* ContextMenu() const { return eventListPopup_; }

signals:
    // The cursor moved or its cell changed: the info labels describe it again.
    void CursorChanged();
    // The backquote key changed the entry step.
    void StepChanged(int step);
    // A double click on an instrument column chose this instrument for entry.
    void InstrumentPicked(int instrument);
    void PlayPauseRequested();
    void EditModeToggled();
    void VisualPropertiesRequested();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool focusNextPrevChild(bool next) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void CreateMenu();
    void SetupColumns();
    void UpdateScrollBars();
    int Rows() const;
    int Channels() const;
    // Grid column x offsets before scrolling; columnX_[c] is the left edge of column c.
    int ColumnLeft(int gridColumn) const;
    int GridColumnAt(int x) const;
    int PatternRowAt(int y) const;

    void PaintCell(QPainter& painter, int gridRow, int gridColumn, const QRect& rect);
    void PaintCursor(QPainter& painter);
    void PaintSeparators(QPainter& painter, const QRect& area);

    // Key handling, in event_grid_input.cpp.
    bool NavigationKey(QKeyEvent* event);
    bool EntryKey(QKeyEvent* event);
    void Apply(TCellChanges changes, const QString& text);
    void RepaintChanges(const TCellChanges& changes);
    void AfterCursorMove(const TGridCursor& before, bool rowMoved);
    void ScrollToCursorTrack();
    void ScrollToRow(int row);
    void ApplyScroll();
    void RepaintCursorCell(const TGridCursor& cursor);
    void RepaintRow(int row);
    bool FollowingPlayback() const;
    bool TrackMuted(int track) const;
    // A click on a track's header mutes it, a right click solos it; false off the header.
    bool HeaderPress(QMouseEvent* event);

    TPattern* pattern_ = nullptr;
    TGridEditor editor_;
    TGridVisuals visuals_;
    bool followSongRow_ = false;
    int rowHeight_ = 14;
    int defaultWidth_ = 18;
    int channels_ = 0;
    std::vector<int> columnX_; // left edge of every grid column, then the right edge
    bool mouseSelecting_ = false;
    bool shiftSelecting_ = false;
    int previewChannel_ = -1;
    QMenu* eventListPopup_ = nullptr;
    TGlyphCache glyphs_;
};

// The piano roll without its widget: what is shown where, which notes pass the filters, and
// the note edits of the roll, answered as cell changes for the edit layer.
#pragma once

#include "edit/piano_roll_cells.h"
#include "edit/piano_roll_selection.h"

#include <array>
#include <optional>

constexpr int kRollLanes = 97;

struct TRollHit {
    int track = 0;
    int row = 0;
    TCell cell;
};

struct TRollRect {
    int left = 0, top = 0, right = 0, bottom = 0; // right and bottom exclusive
    bool IsEmpty() const { return right <= left || bottom <= top; }
};

struct TRollGeometry {
    int colWidth = 10;
    int rowHeight = 12;
    int noteColumnWidth = 20;
    int horzScroll = 0;
    int vertScroll = 50;

    int X(int row) const { return (row - horzScroll) * colWidth + noteColumnWidth; }
    int Y(int lane) const { return (lane - vertScroll) * rowHeight; }
    int VisibleRows(int width) const { return (width - noteColumnWidth) / colWidth; }
    int VisibleLanes(int height) const { return height / rowHeight; }
    // The scroll ranges' upper ends; below 1 the bar is off.
    int HorzMax(int rows, int width) const { return rows - VisibleRows(width); }
    int VertMax(int height) const { return kRollLanes - 1 - VisibleLanes(height); }
    void Clamp(int rows, int width, int height);
    TRollPoint PointAt(int x, int y, int rows) const;
    TRollRect Box(int row, int lane) const;
};

class TRollModel {
public:
    TRollModel() : selection_(*this) { trackVisible_.fill(true), instVisible_.fill(true); }

    void SetPattern(const TPattern* pattern);
    const TPattern* Pattern() const { return cells_.Pattern(); }
    TRollCells& Cells() { return cells_; }
    const TRollCells& Cells() const { return cells_; }
    TSelNotes& Selection() { return selection_; }
    const TSelNotes& Selection() const { return selection_; }

    bool IsTrackVisible(int track) const;
    void SetTrackVisible(int track, bool on);
    bool IsInstrumentVisible(int instrument) const;
    void SetInstrumentVisible(int instrument, bool on);
    bool IsCellShown(int track, const TCell& cell) const;

    // The lane of the event at (track, row), a key off taking the pitch of the nearest earlier
    // shown note of its track; nothing for an empty cell or a key off without such a note.
    std::optional<int> Lane(int track, int row) const;
    // The lane of the last shown real note of the track above the row, the pitch a key off
    // there takes.
    std::optional<int> PitchBefore(int track, int row) const;
    std::optional<TRollHit> HitTest(TRollPoint place) const;
    int FindFreeTrack(int row, int start, bool backwards) const;

    // Edits; each leaves its writes pending in Cells() for one step of the history.
    bool PlaceNote(TRollPoint place); // false when nothing is written
    void SelectAll();
    void SelectBox(TRollPoint a, TRollPoint b, bool keep);
    bool DeleteSelected();
    bool MoveSelectedTrack(bool down);
    int GetSelectedValue(int field) const;
    bool SetSelectedValue(int field, int value);

    int preferredTrack = 0;
    int currentInstrument = -1;
    uint8_t defaultVolume = kVolumeNone;
    uint8_t defaultCommand = 0;
    uint8_t defaultParam = 0;

private:
    TRollCells cells_;
    TSelNotes selection_;
    std::array<bool, 32> trackVisible_{};
    std::array<bool, 256> instVisible_{};
};

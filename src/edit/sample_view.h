// The sample editor's view apart from any widget: frame to column mapping at any zoom, the
// scroll range, the zoom commands and the loop rule. Positions are 64-bit so that no zoom of
// the longest samples can overflow; the stored view fields stay 32-bit as the sample
// keeps them.
#pragma once

#include "edit/scroll_bar.h"

#include <cstdint>
#include <optional>
#include <string>

class TSample;

// The four view fields a sample keeps: first visible column, selection in frames, frames per
// column.
struct TSampleView {
    int viewStart = 0;
    int selStart = 0;
    int selEnd = 0;
    int viewZoom = 1;
    bool operator==(const TSampleView&) const = default;
    bool HasSelection() const { return selStart != selEnd; }
};

TSampleView ViewOf(const TSample& sample);
void StoreView(TSample& sample, const TSampleView& view);

struct TLoopPoints {
    int start = 0;
    int end = 0;
    bool operator==(const TLoopPoints&) const = default;
};

// What the view logic needs to know of the sample.
struct TSampleFacts {
    int64_t length = 0; // frames
    bool looped = false;
    TLoopPoints loop;
};
TSampleFacts FactsOf(const TSample& sample);

// Keeps the loop inside the data with start < end, after a marker was moved by the mouse.
TLoopPoints ApplyLoopRule(int64_t start, int64_t end, int64_t length);
// "Set Loop to Selection": the selection in order, through the loop rule; none without one.
std::optional<TLoopPoints> LoopFromSelection(const TSampleView& view, int64_t length);

// The frames a preview plays, [first, end): the selection, or from the caret to the end.
struct TFrameRange {
    int64_t first = 0;
    int64_t end = 0;
    bool operator==(const TFrameRange&) const = default;
};
TFrameRange PreviewRange(const TSampleView& view, int64_t length);

// Feedback texts of the zoom commands.
inline constexpr const char* kZoomSelectFirst = "First select an area you wan't to zoom in to.";
inline constexpr const char* kZoomEnough = "You've zoomed enough.";
inline constexpr const char* kZoomWholeThing = "You can already see the whole thing, can't you?";

struct TZoomAnswer {
    bool zoomChanged = false;        // fire OnZoomChange, update the scroll bar
    std::optional<std::string> hint; // feedback text to show briefly
};

// The view of one sample in a control `width` columns wide.
class TSampleGeometry {
public:
    TSampleGeometry(int64_t length, int width) : length_(length), width_(width) {}

    int64_t Length() const { return length_; }
    int Width() const { return width_; }

    static int64_t FrameAt(const TSampleView& view, int64_t x) {
        return (int64_t(view.viewStart) + x) * view.viewZoom;
    }
    static int64_t ColumnOf(const TSampleView& view, int64_t frame) {
        return frame / view.viewZoom - view.viewStart;
    }
    int64_t TotalColumns(const TSampleView& view) const { return length_ / view.viewZoom; }
    int64_t ScrollMax(const TSampleView& view) const;

    void ClampView(TSampleView& view) const;
    // Clamps the view too; a disabled bar puts the view at the start.
    TScrollBarState UpdateScrollBar(TSampleView& view) const;
    // Answers how far the existing picture moves right (old minus new start, in columns).
    int64_t Scroll(TSampleView& view, TScrollAction action, int thumb = 0) const;

    bool IsFitZoom(const TSampleView& view) const;
    TZoomAnswer ZoomToSelection(TSampleView& view) const;
    TZoomAnswer ZoomToFit(TSampleView& view) const;
    // Ctrl+wheel: halves or doubles the frames per column, keeping the frame under x in place.
    TZoomAnswer ZoomAround(TSampleView& view, int x, bool in) const;

    void SelectAll(TSampleView& view) const;
    // After the frames were changed elsewhere: the selection stays within the data.
    void SampleDataChanged(TSampleView& view) const;

    // The inverted band of the selection, right end limited to the width; none when it starts
    // beyond the control.
    struct TBand {
        int64_t left = 0;
        int64_t right = 0;
    };
    std::optional<TBand> SelectionBand(const TSampleView& view) const;
    // The caret's column.
    static int64_t CaretColumn(const TSampleView& view) { return ColumnOf(view, view.selStart); }

private:
    int64_t length_;
    int width_;
};

// The loop markers' columns, and the strips to repaint around a marker when it moves.
struct TLoopMarkers {
    int64_t startX = 0;
    int64_t endX = 0;
};
TLoopMarkers LoopMarkerColumns(const TSampleView& view, const TLoopPoints& loop);
constexpr int kLoopStripHalfWidth = 4;

// The blinking caret at the selection start: a timer tick flips it while no gesture runs and
// the control has the focus; once the focus leaves, a shown caret goes at the next tick.
class TSampleCaret {
public:
    // Answers whether the caret column needs repainting.
    bool Tick(bool hasSample, bool gestureRunning, bool focused);
    // A left-button gesture starts: answers whether a shown caret must be removed.
    bool Hide();
    bool Shown() const { return shown_; }

private:
    bool shown_ = false;
};

// Round with ties to even, as the zoom figures need (Round(2.5) is 2).
int64_t RoundEven(double v);

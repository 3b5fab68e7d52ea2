// The sample editor's mouse gestures apart from any widget: selecting, moving a selection edge,
// dragging a loop marker, and pressing inside the selection to drag it out. The selection is
// view state and is changed in the given view; a loop change is answered, and the widget
// previews it and commits the released loop as one step.
#pragma once

#include "edit/mouse_button.h"
#include "edit/sample_view.h"

#include <optional>

enum TMouseMode : int {
    mmNone = 0,
    mmSelect = 1,
    mmSelStart = 2,
    mmSelEnd = 3,
    mmLoopStart = 4,
    mmLoopEnd = 5,
    mmDragSelection = 6,
};

struct TSampleMouseAnswer {
    bool selChanged = false;         // fire OnSelChange
    std::optional<TLoopPoints> loop; // the loop as it should now be; fire onLoopChange
    bool loopReleased = false;       // a loop drag ended: commit Original() .. loop
    bool armDrag = false;            // start a drag-and-drop once the mouse moves a little
    bool hideCaret = false;          // a left-button gesture starts
    bool updateScrollBar = false;
};

class TSampleMouse {
public:
    // Presses within this many pixels of a column grab what sits there.
    static constexpr int kNear = 5;

    TSampleMouseAnswer Press(TSampleView& view, const TSampleFacts& facts, TMouseButton button,
                             int x, bool doubleClick, bool shift);
    TSampleMouseAnswer Move(TSampleView& view, int x);
    TSampleMouseAnswer Release(TSampleView& view, int x);

    // A drag-and-drop of the selection took over the mouse: no release follows.
    void Cancel() { mode_ = mmNone; }

    TMouseMode Mode() const { return mode_; }
    // The loop before the press that started a loop drag.
    const TLoopPoints& Original() const { return original_; }

private:
    // Moves the gesture's end of the selection to frame p by the rules of the current mode.
    void MoveSelection(TSampleView& view, int64_t p, bool released) const;
    TSampleMouseAnswer MoveLoop(int64_t p);

    TMouseMode mode_ = mmNone;
    TSampleFacts facts_;
    TLoopPoints original_;
};

// Whether the pointer shows the horizontal-resize cursor at x: near a loop marker or a
// selection edge.
bool ResizeCursorAt(const TSampleView& view, const TSampleFacts& facts, int x);

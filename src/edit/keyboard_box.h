// The keyboard map control's logic apart from any widget: the geometry of its 96 keys, the hit
// test, scrolling by whole keys and the right-button gesture that assigns a sample to the keys
// passed over. The map itself is written by the edit layer from the gesture's answer.
#pragma once

#include "edit/mouse_button.h"
#include "edit/scroll_bar.h"

#include <string>
#include <vector>

class TInstrument;

constexpr int kKeyboardNotes = 96;
constexpr int kWhiteKeys = 56;

// A key as it is painted: its outline (right and bottom edges exclusive), and the span its
// label is centred in.
struct TKeyRect {
    int note = 0;
    bool black = false;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int labelLeft = 0;
    int labelSpan = 0;
    int labelY = 0;
    int LabelX(int textWidth) const { return labelLeft + (labelSpan - textWidth) / 2; }
};

struct TColumnSpan {
    int left = 0;
    int right = 0;
};

class TKeyboardGeometry {
public:
    TKeyboardGeometry(int keyWidth, int width, int height, int firstKey = 0)
        : keyWidth_(keyWidth < 1 ? 1 : keyWidth), width_(width), height_(height),
          firstKey_(firstKey) {}

    int KeyWidth() const { return keyWidth_; }
    int BlackWidth() const { return keyWidth_ / 3; } // half a black key's width
    int FirstKey() const { return firstKey_; }
    int VisibleWhiteKeys() const { return width_ / keyWidth_; }
    int ScrollMax() const { return kWhiteKeys - VisibleWhiteKeys(); }

    void ClampView();
    // Clamps too; a disabled bar puts the view at the first key.
    TScrollBarState UpdateScrollBar();
    // Answers how far the picture moves right, in pixels.
    int Scroll(TScrollAction action, int thumb = 0);

    // The note at a client point: 96 and above right of the last key, -1 left of the first.
    int NoteAt(int x, int y) const;
    // White keys first, then the black ones over them: the painting order.
    std::vector<TKeyRect> Keys() const;
    // The columns to repaint after a note's sample changed: the key and its black neighbours.
    TColumnSpan InvalidateNote(int note) const;

private:
    int keyWidth_;
    int width_;
    int height_;
    int firstKey_;
};

// The label of a key: the sample the instrument plays for it, or "x" without an instrument.
std::string KeyLabel(const TInstrument* instrument, int note);

// Right-button presses and drags over the keys. Each call answers the notes newly passed over,
// in order; Release answers every note of the gesture once, for one assignment step.
class TKeyAssignDrag {
public:
    // enabled: there is an instrument and an owner that takes the assignments.
    std::vector<int> Press(const TKeyboardGeometry& g, TMouseButton button, int x, int y,
                           bool enabled);
    std::vector<int> Move(const TKeyboardGeometry& g, int x, int y, bool rightHeld);
    std::vector<int> Release();
    bool Active() const { return active_; }

private:
    std::vector<int> Pass(const TKeyboardGeometry& g, int x, int y);

    bool active_ = false;
    int lastX_ = 0;
    int lastY_ = 0;
    int lastNote_ = -1;
    std::vector<int> notes_;
};

#include "edit/keyboard_box.h"

#include "model/instrument.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

constexpr int kOctaves = 8;
constexpr int kBlackAfter[] = {0, 1, 3, 4, 5}; // C#, D#, F#, G#, A# follow these white keys

int WhiteNote(int octave, int k) {
    return 12 * octave + 2 * k - (k >= 3 ? 1 : 0);
}

} // namespace

void TKeyboardGeometry::ClampView() {
    const int max = ScrollMax();
    firstKey_ = max <= 0 ? 0 : std::clamp(firstKey_, 0, max);
}

TScrollBarState TKeyboardGeometry::UpdateScrollBar() {
    ClampView();
    if (ScrollMax() <= 0) return {};
    return {true, ScrollMax(), firstKey_};
}

int TKeyboardGeometry::Scroll(TScrollAction action, int thumb) {
    const int old = firstKey_;
    switch (action) {
    case TScrollAction::LineLeft:
        firstKey_ -= 1;
        break;
    case TScrollAction::LineRight:
        firstKey_ += 1;
        break;
    case TScrollAction::PageLeft:
        firstKey_ -= 7;
        break;
    case TScrollAction::PageRight:
        firstKey_ += 7;
        break;
    case TScrollAction::Thumb:
        firstKey_ = thumb;
        break;
    case TScrollAction::Top:
        firstKey_ = 0;
        break;
    case TScrollAction::Bottom:
        firstKey_ = kWhiteKeys;
        break;
    }
    ClampView();
    return (old - firstKey_) * keyWidth_;
}

int TKeyboardGeometry::NoteAt(int x, int y) const {
    const int a = firstKey_ * keyWidth_ + x;
    if (a < 0) return -1;
    const int octave = a / (7 * keyWidth_);
    const int r = a % (7 * keyWidth_);
    const int k = r / keyWidth_;
    const int e = r % keyWidth_;
    const int note = WhiteNote(octave, k);
    if (y >= height_ / 2) return note;
    const int bw = BlackWidth();
    if (e < bw && k != 0 && k != 3) return note - 1;
    if (e > keyWidth_ - bw && k != 2 && k != 6) return note + 1;
    return note;
}

std::vector<TKeyRect> TKeyboardGeometry::Keys() const {
    std::vector<TKeyRect> keys;
    const int kw = keyWidth_, bw = BlackWidth();
    for (int o = 0; o < kOctaves; ++o)
        for (int k = 0; k < 7; ++k) {
            const int left = (7 * o + k - firstKey_) * kw;
            // One pixel to the left and above, so that neighbours share their outline.
            keys.push_back({WhiteNote(o, k), false, left - 1, -1, left + kw, height_, left, kw,
                            (height_ / 3) * 2});
        }
    for (int o = 0; o < kOctaves; ++o)
        for (int k : kBlackAfter) {
            const int x = (7 * o + k + 1 - firstKey_) * kw;
            keys.push_back({WhiteNote(o, k) + 1, true, x - bw, 0, x + bw, height_ / 2, x - bw,
                            2 * bw, height_ / 5});
        }
    return keys;
}

TColumnSpan TKeyboardGeometry::InvalidateNote(int note) const {
    const int semitone = note % 12;
    const int j = 7 * (note / 12) + (semitone + 1) / 2 + (semitone > 4 ? 1 : 0);
    return {(j - 1 - firstKey_) * keyWidth_, (j + 1 - firstKey_) * keyWidth_};
}

std::string KeyLabel(const TInstrument* instrument, int note) {
    return instrument ? std::to_string(instrument->NoteSample(note)) : "x";
}

std::vector<int> TKeyAssignDrag::Pass(const TKeyboardGeometry& g, int x, int y) {
    std::vector<int> passed;
    // Every pixel of the way, so that a quick drag still reaches the keys in between.
    const int steps = std::max({std::abs(x - lastX_), std::abs(y - lastY_), 1});
    for (int i = 1; i <= steps; ++i) {
        const int px = lastX_ + (x - lastX_) * i / steps;
        const int py = lastY_ + (y - lastY_) * i / steps;
        const int note = g.NoteAt(px, py);
        if (note == lastNote_) continue;
        lastNote_ = note;
        if (note < 0 || note >= kKeyboardNotes) continue;
        passed.push_back(note);
        if (std::find(notes_.begin(), notes_.end(), note) == notes_.end()) notes_.push_back(note);
    }
    lastX_ = x;
    lastY_ = y;
    return passed;
}

std::vector<int> TKeyAssignDrag::Press(const TKeyboardGeometry& g, TMouseButton button, int x,
                                       int y, bool enabled) {
    if (button != TMouseButton::Right || !enabled) return {};
    active_ = true;
    notes_.clear();
    lastNote_ = -1;
    lastX_ = x;
    lastY_ = y;
    const int note = g.NoteAt(x, y);
    lastNote_ = note;
    if (note < 0 || note >= kKeyboardNotes) return {};
    notes_.push_back(note);
    return {note};
}

std::vector<int> TKeyAssignDrag::Move(const TKeyboardGeometry& g, int x, int y, bool rightHeld) {
    if (!active_ || !rightHeld) return {};
    return Pass(g, x, y);
}

std::vector<int> TKeyAssignDrag::Release() {
    active_ = false;
    return std::exchange(notes_, {});
}

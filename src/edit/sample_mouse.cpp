#include "edit/sample_mouse.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

bool Near(int x, int64_t column) {
    return std::llabs(x - column) <= TSampleMouse::kNear;
}

int ClampFrame(int64_t p, int64_t length) {
    return int(std::clamp<int64_t>(p, 0, std::max<int64_t>(0, length)));
}

} // namespace

TSampleMouseAnswer TSampleMouse::Press(TSampleView& view, const TSampleFacts& facts,
                                       TMouseButton button, int x, bool doubleClick, bool shift) {
    TSampleMouseAnswer answer;
    mode_ = mmNone;
    facts_ = facts;
    original_ = facts.loop;
    answer.updateScrollBar = true;
    if (doubleClick) {
        TSampleGeometry(facts.length, 0).SelectAll(view);
        answer.selChanged = true;
        return answer;
    }
    if (button != TMouseButton::Left) return answer;
    answer.hideCaret = true;
    const int64_t p = TSampleGeometry::FrameAt(view, x);
    const int64_t startCol = TSampleGeometry::ColumnOf(view, view.selStart);
    const int64_t endCol = TSampleGeometry::ColumnOf(view, view.selEnd);
    const bool has = view.HasSelection();
    if (shift) {
        // Extend from the end farther from the press; without a selection, from the caret.
        int anchor = view.selStart;
        if (has && std::llabs(p - view.selStart) < std::llabs(p - view.selEnd))
            anchor = view.selEnd;
        mode_ = mmSelect;
        view.selStart = anchor;
        view.selEnd = ClampFrame(p, facts.length);
        answer.selChanged = true;
        return answer;
    }
    if (has && Near(x, startCol)) {
        mode_ = mmSelStart;
    } else if (has && Near(x, endCol)) {
        mode_ = mmSelEnd;
    } else if (has && x > std::min(startCol, endCol) && x < std::max(startCol, endCol)) {
        mode_ = mmDragSelection;
        answer.armDrag = true;
        return answer;
    } else if (facts.looped && Near(x, TSampleGeometry::ColumnOf(view, facts.loop.start))) {
        mode_ = mmLoopStart;
    } else if (facts.looped && Near(x, TSampleGeometry::ColumnOf(view, facts.loop.end))) {
        mode_ = mmLoopEnd;
    } else {
        mode_ = mmSelect;
    }
    if (mode_ == mmLoopStart || mode_ == mmLoopEnd) {
        TSampleMouseAnswer loop = MoveLoop(p);
        loop.hideCaret = loop.updateScrollBar = true;
        return loop;
    }
    if (mode_ == mmSelect) view.selStart = view.selEnd = ClampFrame(p, facts.length);
    if (mode_ == mmSelStart) view.selStart = ClampFrame(p, facts.length);
    if (mode_ == mmSelEnd) view.selEnd = ClampFrame(p, facts.length);
    view.selStart = ClampFrame(view.selStart, facts.length);
    view.selEnd = ClampFrame(view.selEnd, facts.length);
    if (mode_ != mmSelect && view.selStart > view.selEnd) view.selStart = view.selEnd;
    answer.selChanged = true;
    return answer;
}

void TSampleMouse::MoveSelection(TSampleView& view, int64_t p, bool released) const {
    const int frame = ClampFrame(p, facts_.length);
    if (mode_ == mmSelStart) {
        view.selStart = frame;
        view.selEnd = ClampFrame(view.selEnd, facts_.length);
        view.selStart = std::min(view.selStart, view.selEnd);
    } else {
        view.selEnd = frame;
        view.selStart = ClampFrame(view.selStart, facts_.length);
        if (mode_ == mmSelEnd) view.selEnd = std::max(view.selEnd, view.selStart);
        // A new selection may run backwards while dragged; it is ordered on release.
        if (mode_ == mmSelect && released && view.selEnd < view.selStart)
            std::swap(view.selStart, view.selEnd);
    }
}

TSampleMouseAnswer TSampleMouse::MoveLoop(int64_t p) {
    TSampleMouseAnswer answer;
    TLoopPoints& loop = facts_.loop;
    loop = mode_ == mmLoopStart ? ApplyLoopRule(p, loop.end, facts_.length)
                                : ApplyLoopRule(loop.start, p, facts_.length);
    answer.loop = loop;
    return answer;
}

TSampleMouseAnswer TSampleMouse::Move(TSampleView& view, int x) {
    const int64_t p = TSampleGeometry::FrameAt(view, x);
    switch (mode_) {
    case mmSelect:
    case mmSelStart:
    case mmSelEnd: {
        MoveSelection(view, p, false);
        TSampleMouseAnswer answer;
        answer.selChanged = true;
        return answer;
    }
    case mmLoopStart:
    case mmLoopEnd:
        return MoveLoop(p);
    default:
        return {};
    }
}

TSampleMouseAnswer TSampleMouse::Release(TSampleView& view, int x) {
    const int64_t p = TSampleGeometry::FrameAt(view, x);
    TSampleMouseAnswer answer;
    switch (mode_) {
    case mmSelect:
    case mmSelStart:
    case mmSelEnd:
        MoveSelection(view, p, true);
        answer.selChanged = true;
        break;
    case mmLoopStart:
    case mmLoopEnd:
        answer = MoveLoop(p);
        answer.loopReleased = true;
        break;
    case mmDragSelection:
        view.selEnd = view.selStart;
        answer.selChanged = true;
        break;
    default:
        break;
    }
    mode_ = mmNone;
    return answer;
}

bool ResizeCursorAt(const TSampleView& view, const TSampleFacts& facts, int x) {
    if (facts.looped && (Near(x, TSampleGeometry::ColumnOf(view, facts.loop.start)) ||
                         Near(x, TSampleGeometry::ColumnOf(view, facts.loop.end))))
        return true;
    return view.HasSelection() && (Near(x, TSampleGeometry::ColumnOf(view, view.selStart)) ||
                                   Near(x, TSampleGeometry::ColumnOf(view, view.selEnd)));
}

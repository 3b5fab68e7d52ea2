#include "edit/sample_view.h"

#include "model/sample.h"

#include <algorithm>
#include <cmath>
#include <utility>

int64_t RoundEven(double v) {
    return int64_t(std::nearbyint(v));
}

TSampleView ViewOf(const TSample& sample) {
    return {sample.ViewStart, sample.SelStart, sample.SelEnd, std::max(1, sample.ViewZoom)};
}

void StoreView(TSample& sample, const TSampleView& view) {
    sample.ViewStart = view.viewStart;
    sample.SelStart = view.selStart;
    sample.SelEnd = view.selEnd;
    sample.ViewZoom = view.viewZoom;
}

TSampleFacts FactsOf(const TSample& sample) {
    return {sample.Length(), sample.LoopType() != 0, {sample.LoopStart(), sample.LoopEnd()}};
}

TLoopPoints ApplyLoopRule(int64_t start, int64_t end, int64_t length) {
    if (end > length) end = std::max<int64_t>(0, length);
    if (start < 0) start = 0;
    if (start >= end) end = std::min(length - 1, start + 1);
    if (start >= end) start = std::max<int64_t>(0, end - 1);
    return {int(start), int(end)};
}

std::optional<TLoopPoints> LoopFromSelection(const TSampleView& view, int64_t length) {
    if (!view.HasSelection() || length <= 0) return std::nullopt;
    return ApplyLoopRule(std::min(view.selStart, view.selEnd), std::max(view.selStart, view.selEnd),
                         length);
}

TFrameRange PreviewRange(const TSampleView& view, int64_t length) {
    const auto clamp = [length](int64_t f) { return std::clamp<int64_t>(f, 0, length); };
    if (!view.HasSelection()) return {clamp(view.selStart), length};
    return {clamp(std::min(view.selStart, view.selEnd)),
            clamp(std::max(view.selStart, view.selEnd))};
}

int64_t TSampleGeometry::ScrollMax(const TSampleView& view) const {
    return TotalColumns(view) - width_ - 1;
}

void TSampleGeometry::ClampView(TSampleView& view) const {
    const int64_t max = ScrollMax(view);
    view.viewStart = max <= 0 ? 0 : int(std::clamp<int64_t>(view.viewStart, 0, max));
}

TScrollBarState TSampleGeometry::UpdateScrollBar(TSampleView& view) const {
    ClampView(view);
    const int64_t max = ScrollMax(view);
    if (max <= 0) return {};
    return {true, int(max), view.viewStart};
}

int64_t TSampleGeometry::Scroll(TSampleView& view, TScrollAction action, int thumb) const {
    const int64_t old = view.viewStart;
    int64_t to = old;
    switch (action) {
    case TScrollAction::LineLeft:
        to = old - width_ / 2;
        break;
    case TScrollAction::LineRight:
        to = old + width_ / 2;
        break;
    case TScrollAction::PageLeft:
        to = old - width_;
        break;
    case TScrollAction::PageRight:
        to = old + width_;
        break;
    case TScrollAction::Thumb:
        to = thumb;
        break;
    case TScrollAction::Top:
        to = 0;
        break;
    case TScrollAction::Bottom:
        to = TotalColumns(view) - width_;
        break;
    }
    view.viewStart = int(std::clamp<int64_t>(to, 0, std::max<int64_t>(0, ScrollMax(view))));
    return old - view.viewStart;
}

bool TSampleGeometry::IsFitZoom(const TSampleView& view) const {
    return width_ > 0 && RoundEven(double(length_) / width_ + 0.5) == view.viewZoom;
}

TZoomAnswer TSampleGeometry::ZoomToSelection(TSampleView& view) const {
    if (!view.HasSelection()) return {false, kZoomSelectFirst};
    const int old = view.viewZoom;
    const int64_t span = std::abs(int64_t(view.selEnd) - view.selStart);
    view.viewZoom = int(std::max<int64_t>(1, RoundEven(double(span) / std::max(1, width_) + 0.5)));
    if (view.viewZoom == old) return {false, kZoomEnough};
    view.viewStart = std::min(view.selStart, view.selEnd) / view.viewZoom;
    UpdateScrollBar(view);
    return {true, std::nullopt};
}

TZoomAnswer TSampleGeometry::ZoomToFit(TSampleView& view) const {
    const int old = view.viewZoom;
    view.viewZoom =
        int(std::max<int64_t>(1, RoundEven(double(length_) / std::max(1, width_) + 0.5)));
    if (view.viewZoom == old && view.viewStart == 0) return {false, kZoomWholeThing};
    view.viewStart = 0;
    UpdateScrollBar(view);
    return {true, std::nullopt};
}

TZoomAnswer TSampleGeometry::ZoomAround(TSampleView& view, int x, bool in) const {
    const int64_t fit =
        std::max<int64_t>(1, RoundEven(double(length_) / std::max(1, width_) + 0.5));
    const int64_t zoom =
        in ? std::max(1, view.viewZoom / 2) : std::min<int64_t>(fit, int64_t(view.viewZoom) * 2);
    if (zoom == view.viewZoom) return {false, in ? kZoomEnough : kZoomWholeThing};
    const int64_t frame = FrameAt(view, x);
    view.viewZoom = int(zoom);
    view.viewStart = int(std::max<int64_t>(0, frame / zoom - x));
    UpdateScrollBar(view);
    return {true, std::nullopt};
}

void TSampleGeometry::SelectAll(TSampleView& view) const {
    view.selStart = 0;
    view.selEnd = int(std::max<int64_t>(0, length_ - 1));
}

void TSampleGeometry::SampleDataChanged(TSampleView& view) const {
    const int last = int(std::max<int64_t>(0, length_ - 1));
    view.selStart = std::min(view.selStart, last);
    view.selEnd = std::min(view.selEnd, last);
    ClampView(view);
}

std::optional<TSampleGeometry::TBand>
TSampleGeometry::SelectionBand(const TSampleView& view) const {
    const int64_t a = ColumnOf(view, view.selStart);
    const int64_t b = ColumnOf(view, view.selEnd);
    const int64_t left = std::min(a, b);
    if (left > width_) return std::nullopt;
    return TBand{left, std::min<int64_t>(std::max(a, b), width_)};
}

TLoopMarkers LoopMarkerColumns(const TSampleView& view, const TLoopPoints& loop) {
    return {TSampleGeometry::ColumnOf(view, loop.start), TSampleGeometry::ColumnOf(view, loop.end)};
}

bool TSampleCaret::Tick(bool hasSample, bool gestureRunning, bool focused) {
    if (!hasSample || gestureRunning || !(shown_ || focused)) return false;
    shown_ = !shown_;
    return true;
}

bool TSampleCaret::Hide() {
    return std::exchange(shown_, false);
}

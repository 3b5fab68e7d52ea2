#include "edit/envelope_box.h"

#include "engine/records.h"
#include "model/envelope.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kGrabDistance = 5.0;

// Indices stay within the points so that a file written afterwards holds valid ones.
void ClampIndices(TEnvelopePoints& env) {
    const int last = std::max(0, int(env.points.size()) - 1);
    for (int* index : {&env.sustain, &env.loopStart, &env.loopEnd})
        *index = std::clamp(*index, 0, last);
}

} // namespace

TEnvelopePoints EnvelopePointsOf(const TEnvelope& envelope) {
    TEnvelopePoints env;
    for (int i = 0; i < envelope.PointCount(); ++i)
        env.points.push_back({envelope.PointTick(i), envelope.PointValue(i)});
    env.sustain = envelope.SustainPoint();
    env.loopStart = envelope.LoopStart();
    env.loopEnd = envelope.LoopEnd();
    return env;
}

void ApplyEnvelopePoints(TEnvelope& envelope, const TEnvelopePoints& env) {
    const int count = std::min(int(env.points.size()), kMaxEnvelopePoints);
    // Growing the count first lets SetPointTick accept the new points.
    envelope.SetPointCount(count);
    for (int i = 0; i < count; ++i) {
        envelope.SetPointTick(i, env.points[size_t(i)].tick);
        envelope.SetPointValue(i, env.points[size_t(i)].value);
    }
    envelope.SetSustainPoint(env.sustain);
    envelope.SetLoopStart(env.loopStart);
    envelope.SetLoopEnd(env.loopEnd);
}

std::optional<std::string> InsertEnvelopePoint(TEnvelopePoints& env, int index, int tick,
                                               int value) {
    auto& pts = env.points;
    const int count = int(pts.size());
    if (count >= kMaxEnvelopePoints) return "Envelopes have a maximum of 12 points.";
    if ((index > 0 && pts[size_t(index - 1)].tick == tick) ||
        (index < count && pts[size_t(index)].tick == tick))
        return "A point cannot be inserted at this tick.";
    if (index == 0) tick = 0;
    pts.insert(pts.begin() + index, {tick, value});
    for (int* i : {&env.sustain, &env.loopStart, &env.loopEnd})
        if (*i >= index && count > 0) ++*i;
    ClampIndices(env);
    return std::nullopt;
}

void DeleteEnvelopePoint(TEnvelopePoints& env, int index) {
    env.points.erase(env.points.begin() + index);
    for (int* i : {&env.sustain, &env.loopStart, &env.loopEnd})
        if (*i > index) --*i;
    ClampIndices(env);
}

bool CanDeleteEnvelopePoint(const TEnvelopePoints& env, int index) {
    return env.points.size() > 2 && index > 0 && index < int(env.points.size());
}

int TEnvelopeGeometry::ValueToY(int value) const {
    return height_ - (value * height_) / 64;
}

int TEnvelopeGeometry::YToValue(int y) const {
    if (height_ <= 0) return 0;
    return ((height_ - y) * 64) / height_;
}

int TEnvelopeGeometry::HoverValue(int y) const {
    if (height_ <= 0) return 0;
    return int(std::nearbyint(64.0 - double(y) * 64.0 / height_));
}

int TEnvelopeGeometry::PointAt(const TEnvelopePoints& env, double x, double y) const {
    int best = -1;
    double bestDistance = 0;
    for (int i = 0; i < int(env.points.size()); ++i) {
        const TEnvelopePoint& p = env.points[size_t(i)];
        const double d = std::hypot(x - TickToX(p.tick), y - ValueToY(p.value));
        if (best < 0 || d < bestDistance) {
            best = i;
            bestDistance = d;
        }
    }
    return best >= 0 && bestDistance <= kGrabDistance ? best : -1;
}

int TEnvelopeGeometry::PointBefore(const TEnvelopePoints& env, int x) {
    int before = -1;
    for (int i = 0; i < int(env.points.size()); ++i)
        if (TickToX(env.points[size_t(i)].tick) <= x) before = i;
    return before;
}

TDragLimits TEnvelopeGeometry::DragLimits(const TEnvelopePoints& env, int index) const {
    if (index == 0) return {0, 0};
    const auto& pts = env.points;
    const int minX = TickToX(pts[size_t(index - 1)].tick) + 1;
    const int maxX =
        index + 1 < int(pts.size()) ? TickToX(pts[size_t(index + 1)].tick) - 1 : width_;
    return {minX, maxX};
}

void TEnvelopeDrag::BeginPointDrag(const TEnvelopeGeometry& geometry, int index) {
    dragging_ = true;
    dragIndex_ = index;
    limits_ = geometry.DragLimits(current_, index);
}

TEnvelopePress TEnvelopeDrag::Press(const TEnvelopeGeometry& geometry, const TEnvelopePoints& env,
                                    bool enabled, TMouseButton button, double x, double y) {
    TEnvelopePress answer;
    dragging_ = false;
    if (!enabled) {
        answer.beep = true;
        return answer;
    }
    original_ = current_ = env;
    const int hit = geometry.PointAt(env, x, y);
    if (hit >= 0) {
        if (button == TMouseButton::Left) BeginPointDrag(geometry, hit);
        if (button == TMouseButton::Right && CanDeleteEnvelopePoint(env, hit)) {
            DeleteEnvelopePoint(current_, hit);
            answer.change = current_;
        }
        answer.notify = true;
        return answer;
    }
    if (button != TMouseButton::Left) return answer;
    // Mouse positions are whole pixels to the model: truncate as the pixel grid does.
    const int px = int(std::floor(x));
    const int py = int(std::floor(y));
    const int before = TEnvelopeGeometry::PointBefore(env, px);
    answer.refusal = InsertEnvelopePoint(current_, before + 1, TEnvelopeGeometry::XToTick(px),
                                         geometry.YToValue(py));
    if (answer.refusal) {
        answer.beep = true;
    } else {
        BeginPointDrag(geometry, before + 1);
        answer.change = current_;
    }
    answer.notify = true;
    return answer;
}

std::optional<TEnvelopePoints> TEnvelopeDrag::Move(const TEnvelopeGeometry& geometry, int x,
                                                   int y) {
    if (!dragging_) return std::nullopt;
    x = std::min(x, limits_.maxX);
    x = std::max(x, limits_.minX);
    y = std::clamp(y, 0, geometry.Height());
    TEnvelopePoint& p = current_.points[size_t(dragIndex_)];
    p.tick = TEnvelopeGeometry::XToTick(x);
    p.value = geometry.YToValue(y);
    return current_;
}

std::optional<TEnvelopePoints> TEnvelopeDrag::Release() {
    if (!dragging_) return std::nullopt;
    dragging_ = false;
    return current_;
}

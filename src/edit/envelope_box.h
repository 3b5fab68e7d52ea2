// The editing logic of the envelope control apart from any widget: the tick/value to pixel
// mapping, the hit test, the drag limits and the insert and delete rules. Nothing here writes
// the model; a gesture answers the envelope as it should become, and the widget applies that
// through the edit layer (one undo step per gesture).
#pragma once

#include "edit/mouse_button.h"

#include <optional>
#include <string>
#include <vector>

class TEnvelope;

struct TEnvelopePoint {
    int tick = 0;
    int value = 0;
    bool operator==(const TEnvelopePoint&) const = default;
};

// A plain copy of an envelope's points with its sustain point and loop (the kept indices, which
// also hold while the sustain or the loop is switched off).
struct TEnvelopePoints {
    std::vector<TEnvelopePoint> points;
    int sustain = 0;
    int loopStart = 0;
    int loopEnd = 0;
    bool operator==(const TEnvelopePoints&) const = default;
};

// Reads the live points (none while the envelope is switched off).
TEnvelopePoints EnvelopePointsOf(const TEnvelope& envelope);
// Writes the points, sustain and loop; meant for the edit layer's change function.
void ApplyEnvelopePoints(TEnvelope& envelope, const TEnvelopePoints& points);

// Inserts a point at index with the model's rules; on refusal answers the model's message and
// leaves the points as they were. Sustain and loop keep pointing at the same points.
std::optional<std::string> InsertEnvelopePoint(TEnvelopePoints& env, int index, int tick,
                                               int value);
// Deletes point index; an index that pointed at it moves to the point that follows, or to the
// new last point.
void DeleteEnvelopePoint(TEnvelopePoints& env, int index);
// Right-button deletion is refused for point 0 and while only two points remain.
bool CanDeleteEnvelopePoint(const TEnvelopePoints& env, int index);

struct TDragLimits {
    int minX = 0;
    int maxX = 0;
};

// One pixel per tick; value 64 at the top edge, 0 at the bottom. Integer arithmetic truncates.
class TEnvelopeGeometry {
public:
    TEnvelopeGeometry(int width, int height) : width_(width), height_(height) {}

    int Width() const { return width_; }
    int Height() const { return height_; }

    static int TickToX(int tick) { return tick; }
    static int XToTick(int x) { return x; }
    int ValueToY(int value) const;
    int YToValue(int y) const;
    // The value the status line shows while hovering: rounded, where a press truncates.
    int HoverValue(int y) const;

    // The nearest point within 5 pixels (ties to the lower index), or -1.
    int PointAt(const TEnvelopePoints& env, double x, double y) const;
    // The last point whose tick is at most x, or -1.
    static int PointBefore(const TEnvelopePoints& env, int x);
    // Point 0 moves only vertically; any other point stays between its neighbours, the last
    // one up to the control's width.
    TDragLimits DragLimits(const TEnvelopePoints& env, int index) const;

private:
    int width_;
    int height_;
};

// What a press asks of the widget.
struct TEnvelopePress {
    bool beep = false;   // refused: no envelope, control disabled, or insertion refused
    bool notify = false; // fire OnChange
    std::optional<TEnvelopePoints> change; // the envelope after the press, when it changed
    std::optional<std::string> refusal;    // the model's message for a refused insertion
};

// A press, the moves of a drag and its release. The widget previews each answered envelope and
// commits the change from Original() to the released state as one step.
class TEnvelopeDrag {
public:
    // enabled: there is an envelope and the control is enabled; otherwise the press beeps.
    TEnvelopePress Press(const TEnvelopeGeometry& geometry, const TEnvelopePoints& env,
                         bool enabled, TMouseButton button, double x, double y);
    // While dragging: the envelope with the dragged point at the clamped position.
    std::optional<TEnvelopePoints> Move(const TEnvelopeGeometry& geometry, int x, int y);
    // Ends a drag and answers its final envelope; nothing when no drag was going on.
    std::optional<TEnvelopePoints> Release();

    bool Dragging() const { return dragging_; }
    int DragIndex() const { return dragIndex_; }
    TDragLimits Limits() const { return limits_; }
    // The envelope as it was before the press that started the drag.
    const TEnvelopePoints& Original() const { return original_; }

private:
    void BeginPointDrag(const TEnvelopeGeometry& geometry, int index);

    bool dragging_ = false;
    int dragIndex_ = 0;
    TDragLimits limits_;
    TEnvelopePoints original_;
    TEnvelopePoints current_;
};

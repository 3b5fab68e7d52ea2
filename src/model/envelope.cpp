#include "model/envelope.h"

#include "engine/engine_lock.h"
#include "engine/field_access.h"
#include "model/errors.h"

// The kept settings live in the record itself, so a loader can fill them from a file and every
// wrapper over the same record agrees.
TEnvelope::TEnvelope(EnvelopeRecord* record) : record_(record) {
    CW_ASSERT(record);
    EngineLock lock;
    if (record->pointCount != 0) record->savedPointCount = record->pointCount;
    if (record->sustainPoint != kEnvelopeNone) record->savedSustain = record->sustainPoint;
    if (record->loopStart != kEnvelopeNone) record->savedLoopStart = record->loopStart;
    if (record->loopEnd != kEnvelopeNone) record->savedLoopEnd = record->loopEnd;
    if (record->savedPointCount > kMaxEnvelopePoints) record->savedPointCount = kMaxEnvelopePoints;
}

void TEnvelope::SetPointCount(int n) {
    CW_ASSERT(n >= 0 && n <= kMaxEnvelopePoints);
    FieldStore(record_->pointCount, n);
    FieldStore(record_->savedPointCount, n);
}

int TEnvelope::PointTick(int i) const {
    CW_ASSERT(i >= 0 && i < kMaxEnvelopePoints);
    return record_->points[i].tick;
}

void TEnvelope::SetPointTick(int i, int tick) {
    CW_ASSERT(i >= 0 && i < PointCount());
    FieldStore(record_->points[i].tick, tick);
}

int TEnvelope::PointValue(int i) const {
    CW_ASSERT(i >= 0 && i < kMaxEnvelopePoints);
    return record_->points[i].value;
}

void TEnvelope::SetPointValue(int i, int value) {
    CW_ASSERT(i >= 0 && i < kMaxEnvelopePoints);
    FieldStore(record_->points[i].value, value);
}

void TEnvelope::SetLoopStart(int v) {
    FieldStore(record_->savedLoopStart, v);
    if (record_->loopStart != kEnvelopeNone) FieldStore(record_->loopStart, v);
}

void TEnvelope::SetLoopEnd(int v) {
    FieldStore(record_->savedLoopEnd, v);
    if (record_->loopEnd != kEnvelopeNone) FieldStore(record_->loopEnd, v);
}

void TEnvelope::SetSustainPoint(int v) {
    FieldStore(record_->savedSustain, v);
    if (record_->sustainPoint != kEnvelopeNone) FieldStore(record_->sustainPoint, v);
}

void TEnvelope::SetEnabled(bool on) {
    if (on == Enabled()) return;
    if (on) {
        FieldStore(record_->pointCount, record_->savedPointCount);
    } else {
        FieldStore(record_->savedPointCount, record_->pointCount);
        FieldStore(record_->pointCount, 0);
    }
}

void TEnvelope::SetLoopEnabled(bool on) {
    EngineLock lock;
    FieldStore(record_->loopStart, on ? record_->savedLoopStart : kEnvelopeNone);
    FieldStore(record_->loopEnd, on ? record_->savedLoopEnd : kEnvelopeNone);
}

void TEnvelope::SetSustainEnabled(bool on) {
    FieldStore(record_->sustainPoint, on ? record_->savedSustain : kEnvelopeNone);
}

void TEnvelope::InsertPoint(int index, int tick, int value) {
    const int count = PointCount();
    CW_ASSERT(index >= 0 && index <= count);
    if (count >= kMaxEnvelopePoints) throw EEnvelopeError("Envelopes have a maximum of 12 points.");
    if ((index > 0 && record_->points[index - 1].tick == tick) ||
        (index < count && record_->points[index].tick == tick))
        throw EEnvelopeError("A point cannot be inserted at this tick.");
    if (index == 0) tick = 0;
    EngineLock lock;
    for (int i = count; i > index; --i) record_->points[i] = record_->points[i - 1];
    record_->points[index] = {uint16_t(tick), int16_t(value)};
    record_->pointCount = uint8_t(count + 1);
    record_->savedPointCount = record_->pointCount;
}

void TEnvelope::DeletePoint(int index) {
    const int count = PointCount();
    CW_ASSERT(index >= 0 && index < count);
    EngineLock lock;
    for (int i = index; i < count - 1; ++i) record_->points[i] = record_->points[i + 1];
    record_->pointCount = uint8_t(count - 1);
    record_->savedPointCount = record_->pointCount;
}

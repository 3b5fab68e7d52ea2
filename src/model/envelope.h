// An instrument's volume or panning envelope. Switching the envelope, its loop or its sustain
// off keeps the user's settings, which come back when it is switched on again.
#pragma once

#include "engine/records.h"

#include <cstdint>

class TEnvelope {
public:
    explicit TEnvelope(EnvelopeRecord* record);

    EnvelopeRecord* Record() const { return record_; }

    int PointCount() const { return record_->pointCount; }
    void SetPointCount(int n);
    int PointTick(int i) const;
    void SetPointTick(int i, int tick);
    int PointValue(int i) const;
    void SetPointValue(int i, int value);

    int LoopStart() const { return record_->savedLoopStart; }
    int LoopEnd() const { return record_->savedLoopEnd; }
    int SustainPoint() const { return record_->savedSustain; }
    void SetLoopStart(int v);
    void SetLoopEnd(int v);
    void SetSustainPoint(int v);

    bool Enabled() const { return record_->pointCount != 0; }
    void SetEnabled(bool on);
    bool LoopEnabled() const { return record_->loopStart != kEnvelopeNone; }
    void SetLoopEnabled(bool on);
    bool SustainEnabled() const { return record_->sustainPoint != kEnvelopeNone; }
    void SetSustainEnabled(bool on);

    void InsertPoint(int index, int tick, int value);
    void DeletePoint(int index);

    // The point count to store in a file: the live count, or the kept one while switched off.
    int SavedPointCount() const { return record_->savedPointCount; }

private:
    EnvelopeRecord* record_;
};

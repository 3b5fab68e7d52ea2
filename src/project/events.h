// The events through which windows tell each other what changed in the open module.
// Listeners tell them apart by class, so a listener testing for EvPatternInsDel receives both
// the insert and the delete.
#pragma once

#include "model/pattern.h"

#include <optional>

class TZEvent {
public:
    virtual ~TZEvent() = default;
};

class EvLoadModule : public TZEvent {};
class EvClosingModule : public TZEvent {};
class EvClosedModule : public TZEvent {};

class EvPatternChange : public TZEvent {
public:
    // Track or Row -1 means all tracks or all rows.
    EvPatternChange(TPattern* pattern, int row, int track)
        : Pattern(pattern), Track(track), Row(row) {}
    TPattern* const Pattern;
    const int Track;
    const int Row;
    // What the cell held before the change, when exactly one cell changed.
    std::optional<TCell> Cell;
    // The view that made the change, so it can ignore its own change.
    const void* Sender = nullptr;
};

class EvPatternPropChange : public TZEvent {
public:
    EvPatternPropChange(TPattern* pattern, const void* form) : Pattern(pattern), Form(form) {}
    TPattern* const Pattern;
    const void* const Form;
};

class EvPatternInsDel : public TZEvent {
public:
    explicit EvPatternInsDel(int index) : Index(index) {}
    const int Index;
};
class EvInsertPattern : public EvPatternInsDel {
public:
    using EvPatternInsDel::EvPatternInsDel;
};
class EvDeletePattern : public EvPatternInsDel {
public:
    using EvPatternInsDel::EvPatternInsDel;
};

class EvPositionInsDel : public TZEvent {
public:
    explicit EvPositionInsDel(int index) : Index(index) {}
    const int Index;
};
class EvInsertPosition : public EvPositionInsDel {
public:
    using EvPositionInsDel::EvPositionInsDel;
};
class EvDeletePosition : public EvPositionInsDel {
public:
    using EvPositionInsDel::EvPositionInsDel;
};

class EvPositionRenumber : public TZEvent {};
class EvInstListChange : public TZEvent {};

class EvCurrInstChange : public TZEvent {
public:
    explicit EvCurrInstChange(int index) : Index(index) {}
    const int Index; // -1 none
};

class EvCurrSampChange : public TZEvent {
public:
    explicit EvCurrSampChange(int index) : Index(index) {}
    const int Index; // -1 none
};

class EvSongPosChange : public TZEvent {};
// The configuration dialog's settings were applied.
class EvEnvPropsChange : public TZEvent {};
class EvTrackCountChange : public TZEvent {};
// A channel was muted or unmuted (not an edit of the song: playback state only).
class EvChannelMuteChange : public TZEvent {};

// Song name, speed, tempo or restart position changed.
class EvSongPropChange : public TZEvent {};

// A sample's data or properties changed.
class EvSampleChange : public TZEvent {
public:
    EvSampleChange(int instrument, int sample) : Instrument(instrument), Sample(sample) {}
    const int Instrument;
    const int Sample;
};

// An instrument's volume or panning envelope changed.
class EvEnvelopeChange : public TZEvent {
public:
    EvEnvelopeChange(int instrument, bool panning) : Instrument(instrument), Panning(panning) {}
    const int Instrument;
    const bool Panning;
};

// An instrument's own fields changed (its keyboard map).
class EvInstrumentChange : public TZEvent {
public:
    explicit EvInstrumentChange(int instrument) : Instrument(instrument) {}
    const int Instrument;
};

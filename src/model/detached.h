// A pattern or an instrument taken out of the song whole, so that an undo puts the very same
// record back. Dropping one frees its record with the engine's routines.
#pragma once

#include "engine/records.h"

#include <memory>
#include <utility>

class TInstrument;

class TDetachedPattern {
public:
    explicit TDetachedPattern(PatternRecord* record) : record_(record) {}
    ~TDetachedPattern();
    TDetachedPattern(const TDetachedPattern&) = delete;
    TDetachedPattern& operator=(const TDetachedPattern&) = delete;

    PatternRecord* Release() { return std::exchange(record_, nullptr); }
    // Bytes kept while detached, for the undo history's budget.
    size_t Bytes() const;

private:
    PatternRecord* record_;
};

class TDetachedInstrument {
public:
    TDetachedInstrument(std::unique_ptr<TInstrument> wrapper, InstrumentRecord* record);
    ~TDetachedInstrument();
    TDetachedInstrument(const TDetachedInstrument&) = delete;
    TDetachedInstrument& operator=(const TDetachedInstrument&) = delete;

    std::unique_ptr<TInstrument> ReleaseWrapper() { return std::move(wrapper_); }
    InstrumentRecord* ReleaseRecord() { return std::exchange(record_, nullptr); }
    size_t Bytes() const;

private:
    std::unique_ptr<TInstrument> wrapper_;
    InstrumentRecord* record_;
};

// Order list, pattern list and instrument list operations. Wrapper numbers always equal their
// list indices, and the engine's tables move in step under its lock; removals stop a running
// playback and resume it afterwards.
#include "engine/engine_lock.h"
#include "engine/field_access.h"
#include "engine/sndlib.h"
#include "model/errors.h"
#include "model/playback_pause.h"
#include "model/song.h"

#include <algorithm>

void TSong::InsertPosition(int position) {
    const int length = SongLength();
    CW_ASSERT(position >= -1 && position <= length && length <= kMaxPositions - 1);
    if (position == -1) position = length;
    EngineLock lock;
    const int stored = module_->songLength;
    for (int p = stored; p > position; --p) FieldStore(module_->orders[p], module_->orders[p - 1]);
    // A position appended at the end plays the pattern of the one before it.
    if (position == stored && position > 0)
        FieldStore(module_->orders[position], module_->orders[position - 1]);
    FieldStore(module_->songLength, stored + 1);
}

void TSong::DeletePosition(int position) {
    CW_ASSERT(position >= 0 && position < SongLength() && SongLength() != 0);
    if (SongLength() == 1) return;
    TPlaybackPause pause(*this);
    EngineLock lock;
    const int stored = module_->songLength;
    for (int p = position; p < stored - 1; ++p)
        FieldStore(module_->orders[p], module_->orders[p + 1]);
    FieldStore(module_->orders[stored - 1], 0);
    FieldStore(module_->songLength, stored - 1);
    // Keep the restart position inside the shorter song.
    if (module_->restartPosition >= stored - 1) FieldStore(module_->restartPosition, stored - 2);
}

bool TSong::InsertPattern(int index) {
    CW_ASSERT(index >= -1 && index <= PatternCount());
    if (PatternCount() == kMaxPatterns) return false;
    if (index == -1) index = PatternCount();
    bool shifts = false;
    for (int p = 0; p < SongLength() && index < PatternCount(); ++p) shifts |= Orders(p) >= index;

    PatternRecord* block = PLYRnewEmptyPattern(64);
    if (!block) throw EPatternError("Failed to allocate memory.");
    if (!PLYRinsertPattern(module_, index, block)) {
        PLYRmemFree(block);
        CheckAudio(false);
    }
    for (int i = index; i < int(patterns_.size()); ++i) patterns_[size_t(i)]->SetNumber(i + 1);
    patterns_.insert(patterns_.begin() + index, std::make_unique<TPattern>(this, index));
    return shifts;
}

void TSong::RenumberPatterns(int from, int delta) {
    CW_ASSERT(from >= -1 && from <= PatternCount() + 1);
    if (from == -1 || from == PatternCount()) return;
    // An entry left pointing past the last pattern (a deletion without renumbering) stays as it
    // is: moving it would still name no pattern.
    for (int p = 0; p < SongLength(); ++p) {
        const int moved = Orders(p) + delta;
        if (Orders(p) >= from && moved >= 0 && moved < PatternCount()) SetOrders(p, moved);
    }
}

void TSong::DeletePattern(int index, bool renumber) {
    CW_ASSERT(index >= 0 && index < PatternCount() && PatternCount() > 1);
    TPlaybackPause pause(*this);
    if (renumber) {
        EngineLock lock;
        for (int p = 0; p < module_->songLength; ++p)
            if (Orders(p) >= index && Orders(p) > 0) FieldStore(module_->orders[p], Orders(p) - 1);
    }
    // Let go of outside the lock.
    std::unique_ptr<TDetachedPattern> gone = DetachPattern(index);
}

void TSong::DeletePatterns(const std::vector<TPattern*>& patterns) {
    std::vector<int> numbers;
    for (TPattern* pattern : patterns) numbers.push_back(pattern->Number());
    TPlaybackPause pause(*this);
    for (auto it = numbers.rbegin(); it != numbers.rend(); ++it) DeletePattern(*it, true);
}

std::vector<TPattern*> TSong::GetUnusedPatterns() const {
    std::vector<bool> used(size_t(PatternCount()), false);
    for (int p = 0; p < SongLength(); ++p)
        if (Orders(p) < PatternCount()) used[size_t(Orders(p))] = true;
    std::vector<TPattern*> unused;
    for (int i = 0; i < PatternCount(); ++i)
        if (!used[size_t(i)]) unused.push_back(patterns_[size_t(i)].get());
    return unused;
}

TInstrument* TSong::InsertInstrument(int index) {
    if (index == -1) index = InstrumentCount();
    CW_ASSERT(index >= 0 && index <= InstrumentCount() && InstrumentCount() < kMaxInstruments);
    CheckAudio(PLYRinsertInstrument(module_, index));
    for (int i = index; i < int(instruments_.size()); ++i)
        instruments_[size_t(i)]->SetNumber(i + 1);
    auto instrument = std::make_unique<TInstrument>(this, index);
    instrument->SetName("< new instrument >");
    TInstrument* result = instrument.get();
    instruments_.insert(instruments_.begin() + index, std::move(instrument));
    return result;
}

void TSong::DeleteInstrument(int index) {
    CW_ASSERT(index >= 0 && index < InstrumentCount());
    TPlaybackPause pause(*this);
    DetachInstrument(index); // dropped at once, which frees it
}

void TSong::SwapInstruments(int a, int b) {
    CW_ASSERT(a >= 0 && a < InstrumentCount() && b >= 0 && b < InstrumentCount());
    EngineLock lock;
    std::swap(module_->instruments[a], module_->instruments[b]);
    std::swap(instruments_[size_t(a)], instruments_[size_t(b)]);
    instruments_[size_t(a)]->SetNumber(a);
    instruments_[size_t(b)]->SetNumber(b);
}

std::vector<TInstrument*> TSong::GetUnusedInstruments() const {
    std::vector<bool> used(size_t(InstrumentCount()), false);
    for (const auto& pattern : patterns_)
        for (int t = 0; t < pattern->TrackCount(); ++t)
            for (int r = 0; r < pattern->RowCount(); ++r) {
                const int i = pattern->Instrument(t, r);
                if (i != kInstrumentNone && i < InstrumentCount()) used[size_t(i)] = true;
            }
    std::vector<TInstrument*> unused;
    for (int i = 0; i < InstrumentCount(); ++i)
        if (!used[size_t(i)]) unused.push_back(instruments_[size_t(i)].get());
    return unused;
}

void TSong::RemoveInstruments(const std::vector<TInstrument*>& instruments) {
    std::vector<int> numbers;
    for (TInstrument* instrument : instruments) numbers.push_back(instrument->Number());
    TPlaybackPause pause(*this);
    // Each instrument moves down by the number of removed ones below it.
    std::vector<uint8_t> renumbered(static_cast<size_t>(InstrumentCount()));
    for (int j = 0; j < InstrumentCount(); ++j)
        renumbered[size_t(j)] = uint8_t(
            j - std::count_if(numbers.begin(), numbers.end(), [j](int n) { return n < j; }));
    for (const auto& pattern : patterns_) pattern->RenumberInstruments(renumbered);
    for (auto it = numbers.rbegin(); it != numbers.rend(); ++it) DeleteInstrument(*it);
}

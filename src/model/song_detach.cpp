// Patterns and instruments taken out of the song and put back, for the undo history. The
// engine's tables move in step with the wrapper lists under the engine lock.
#include "engine/engine_lock.h"
#include "engine/field_access.h"
#include "engine/sndlib.h"
#include "model/errors.h"
#include "model/song.h"

TDetachedPattern::~TDetachedPattern() {
    if (record_) PLYRmemFree(record_);
}

size_t TDetachedPattern::Bytes() const {
    return record_ ? (record_->word0 & ~kUnpackedTag) : 0;
}

TDetachedInstrument::TDetachedInstrument(std::unique_ptr<TInstrument> wrapper,
                                         InstrumentRecord* record)
    : wrapper_(std::move(wrapper)), record_(record) {}

TDetachedInstrument::~TDetachedInstrument() {
    wrapper_.reset();
    if (record_) SNDfreeInstrument(record_);
}

size_t TDetachedInstrument::Bytes() const {
    size_t bytes = sizeof(InstrumentRecord);
    if (!record_) return bytes;
    for (const SampleRecord* sample : record_->samples)
        if (sample) bytes += sizeof(SampleRecord) + size_t(sample->length);
    return bytes;
}

std::unique_ptr<TDetachedPattern> TSong::DetachPattern(int index) {
    CW_ASSERT(index >= 0 && index < PatternCount() && PatternCount() > 1);
    patterns_.erase(patterns_.begin() + index); // packs it, before the lock
    PatternRecord* record = PLYRtakePattern(module_, index);
    CheckAudio(record != nullptr);
    for (int i = index; i < int(patterns_.size()); ++i) patterns_[size_t(i)]->SetNumber(i);
    return std::make_unique<TDetachedPattern>(record);
}

void TSong::AttachPattern(int index, std::unique_ptr<TDetachedPattern> pattern) {
    CW_ASSERT(pattern && index >= 0 && index <= PatternCount() && PatternCount() < kMaxPatterns);
    PatternRecord* record = pattern->Release();
    if (!PLYRinsertPattern(module_, index, record)) {
        pattern = std::make_unique<TDetachedPattern>(record); // freed with it
        CheckAudio(false);
    }
    for (int i = index; i < int(patterns_.size()); ++i) patterns_[size_t(i)]->SetNumber(i + 1);
    patterns_.insert(patterns_.begin() + index, std::make_unique<TPattern>(this, index));
}

std::unique_ptr<TDetachedInstrument> TSong::DetachInstrument(int index) {
    CW_ASSERT(index >= 0 && index < InstrumentCount());
    instruments_[size_t(index)]->AllNotesOff();
    EngineLock lock;
    FieldStore(module_->sampleCount,
               module_->sampleCount - instruments_[size_t(index)]->SampleCount());
    InstrumentRecord* record = PLYRtakeInstrument(module_, index);
    CheckAudio(record != nullptr);
    std::unique_ptr<TInstrument> wrapper = std::move(instruments_[size_t(index)]);
    instruments_.erase(instruments_.begin() + index);
    for (int i = index; i < int(instruments_.size()); ++i) instruments_[size_t(i)]->SetNumber(i);
    wrapper->SetNumber(-1);
    return std::make_unique<TDetachedInstrument>(std::move(wrapper), record);
}

void TSong::AttachInstrument(int index, std::unique_ptr<TDetachedInstrument> instrument) {
    CW_ASSERT(instrument && index >= 0 && index <= InstrumentCount() &&
              InstrumentCount() < kMaxInstruments);
    EngineLock lock;
    InstrumentRecord* record = instrument->ReleaseRecord();
    CheckAudio(PLYRinsertInstrument(module_, index, record));
    for (int i = index; i < int(instruments_.size()); ++i)
        instruments_[size_t(i)]->SetNumber(i + 1);
    std::unique_ptr<TInstrument> wrapper = instrument->ReleaseWrapper();
    wrapper->SetNumber(index);
    FieldStore(module_->sampleCount, module_->sampleCount + wrapper->SampleCount());
    instruments_.insert(instruments_.begin() + index, std::move(wrapper));
}

TSong::OrderTable TSong::OrderList() const {
    OrderTable orders{};
    for (int p = 0; p < kMaxPositions; ++p) orders[size_t(p)] = FieldLoad(module_->orders[p]);
    return orders;
}

void TSong::SetOrderList(const OrderTable& orders) {
    const int current = playing_ ? CurrentPosition() : -1;
    bool currentChanged = false;
    {
        EngineLock lock;
        for (int p = 0; p < kMaxPositions; ++p) {
            if (module_->orders[p] == orders[size_t(p)]) continue;
            currentChanged |= p == current;
            FieldStore(module_->orders[p], orders[size_t(p)]);
        }
    }
    if (currentChanged) OrderChangedAt(current);
}

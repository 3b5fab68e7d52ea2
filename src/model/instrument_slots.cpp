// Sample-slot operations of an instrument. The player reads the slots and the sample count
// together, so every shift happens under the engine lock.
#include "engine/engine_lock.h"
#include "model/errors.h"
#include "model/instrument.h"
#include "model/song.h"

void TInstrument::SlotsMoved(int first) {
    for (int s = first; s < SampleCount(); ++s) {
        samples_[size_t(s)]->SetNumber(s);
        song_->ResetSample(number_, s);
    }
}

TSample* TInstrument::InsertSample(int index) {
    const int count = SampleCount();
    if (index == -1) index = count;
    CW_ASSERT(index >= 0 && index <= count);
    CW_ASSERT(count < kMaxSamples);
    EngineLock lock;
    for (int s = count; s > index; --s) record_->samples[s] = record_->samples[s - 1];
    record_->samples[index] = nullptr;
    try {
        song_->NewSample(number_, index);
    } catch (...) {
        for (int s = index; s < count; ++s) record_->samples[s] = record_->samples[s + 1];
        record_->samples[count] = nullptr;
        throw;
    }
    samples_.insert(samples_.begin() + index,
                    std::make_unique<TSample>(this, index, record_->samples[index]));
    record_->sampleCount = count + 1;
    SlotsMoved(index + 1);
    return samples_[size_t(index)].get();
}

void TInstrument::DeleteSample(int index) {
    const int count = SampleCount();
    CW_ASSERT(count <= kMaxSamples);
    CW_ASSERT(index >= 0 && index < count);
    EngineLock lock;
    song_->RemoveSample(number_, index);
    samples_.erase(samples_.begin() + index);
    record_->sampleCount = count - 1;
    for (int s = index; s < count - 1; ++s) record_->samples[s] = record_->samples[s + 1];
    record_->samples[count - 1] = nullptr;
    SlotsMoved(index);
}

void TInstrument::MoveSample(int index, TInstrument* target) {
    CW_ASSERT(target);
    CW_ASSERT(index >= 0 && index < SampleCount());
    CW_ASSERT(target->SampleCount() < kMaxSamples);
    EngineLock lock;
    SampleRecord* moved = record_->samples[index];
    const int count = SampleCount();
    samples_.erase(samples_.begin() + index);
    record_->sampleCount = count - 1;
    for (int s = index; s < count - 1; ++s) record_->samples[s] = record_->samples[s + 1];
    record_->samples[count - 1] = nullptr;
    SlotsMoved(index);

    const int slot = target->SampleCount();
    target->record_->samples[slot] = moved;
    target->record_->sampleCount = slot + 1;
    target->samples_.push_back(std::make_unique<TSample>(target, slot, moved));
    song_->ResetSample(target->number_, slot);
}

void TInstrument::SwapSamples(int a, int b) {
    CW_ASSERT(a >= 0 && a < SampleCount());
    CW_ASSERT(b >= 0 && b < SampleCount());
    if (a == b) return;
    EngineLock lock;
    std::swap(record_->samples[a], record_->samples[b]);
    std::swap(samples_[size_t(a)], samples_[size_t(b)]);
    samples_[size_t(a)]->SetNumber(a);
    samples_[size_t(b)]->SetNumber(b);
    song_->ResetSample(number_, a);
    song_->ResetSample(number_, b);
}

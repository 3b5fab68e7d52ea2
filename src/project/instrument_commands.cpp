#include "project/instrument_commands.h"

#include "engine/engine_lock.h"
#include "engine/field_access.h"
#include "engine/sndlib.h"
#include "model/errors.h"
#include "model/instrument.h"
#include "project/app_objects.h"

#include <algorithm>
#include <cstring>

namespace {

TInstrumentPropertiesCommand::TProperties InstrumentPropertiesOf(const TInstrument& instrument) {
    TInstrumentPropertiesCommand::TProperties p;
    std::memcpy(p.name.data(), instrument.Record()->name, kNameSize);
    p.fadeOut = instrument.FadeOut();
    p.vibratoType = instrument.VibratoType();
    p.vibratoSweep = instrument.VibratoSweep();
    p.vibratoDepth = instrument.VibratoDepth();
    p.vibratoRate = instrument.VibratoRate();
    return p;
}

} // namespace

// --- Instrument properties ---------------------------------------------------------------

TInstrumentPropertiesCommand::TInstrumentPropertiesCommand(const QString& text, int instrument,
                                                           std::function<void(TInstrument&)> change)
    : TEditCommand(text), instrument_(instrument), change_(std::move(change)) {}

void TInstrumentPropertiesCommand::Write(const TProperties& p) const {
    TInstrument& instrument = *Song().Instruments(instrument_);
    EngineLock lock;
    std::memcpy(instrument.Record()->name, p.name.data(), kNameSize);
    instrument.SetFadeOut(p.fadeOut);
    instrument.SetVibratoType(p.vibratoType);
    instrument.SetVibratoSweep(p.vibratoSweep);
    instrument.SetVibratoDepth(p.vibratoDepth);
    instrument.SetVibratoRate(p.vibratoRate);
}

void TInstrumentPropertiesCommand::Apply() {
    if (changed_) {
        Write(after_);
        return;
    }
    TInstrument& instrument = *Song().Instruments(instrument_);
    before_ = InstrumentPropertiesOf(instrument);
    {
        EngineLock lock;
        change_(instrument);
    }
    after_ = InstrumentPropertiesOf(instrument);
    changed_ = true;
}

void TInstrumentPropertiesCommand::Revert() {
    Write(before_);
}

void TInstrumentPropertiesCommand::AnnounceApplied() {
    EventManager().Dispatch<EvInstrumentChange>(instrument_);
    EventManager().Dispatch<EvInstListChange>();
}

// --- New instrument ----------------------------------------------------------------------

TAddInstrumentCommand::TAddInstrumentCommand(const QString& text, int index,
                                             std::function<void(TInstrument&)> fill)
    : TEditCommand(text), index_(index), fill_(std::move(fill)) {}

size_t TAddInstrumentCommand::Bytes() const {
    return detached_ ? detached_->Bytes() : 0;
}

void TAddInstrumentCommand::Apply() {
    TSong& song = Song();
    if (filled_) {
        song.AttachInstrument(index_, std::move(detached_));
        return;
    }
    if (index_ < 0 || index_ > song.InstrumentCount()) index_ = song.InstrumentCount();
    TInstrument* instrument = song.InsertInstrument(index_);
    try {
        if (fill_) fill_(*instrument);
    } catch (...) {
        // A file that failed to load leaves no empty instrument behind.
        song.DeleteInstrument(index_);
        throw;
    }
    filled_ = true;
}

void TAddInstrumentCommand::Revert() {
    detached_ = Song().DetachInstrument(index_);
}

void TAddInstrumentCommand::AnnounceApplied() {
    EventManager().Dispatch<EvInstListChange>();
}

// --- Sample slots ------------------------------------------------------------------------

TKeptSample::TKeptSample(TKeptSample&& other) noexcept
    : properties(other.properties), data(std::exchange(other.data, TSampleData{})) {}

TKeptSample& TKeptSample::operator=(TKeptSample&& other) noexcept {
    if (this != &other) {
        if (data.block) PLYRmemFree(data.block);
        properties = other.properties;
        data = std::exchange(other.data, TSampleData{});
    }
    return *this;
}

TKeptSample::~TKeptSample() {
    if (data.block) PLYRmemFree(data.block);
}

void TKeptSample::Take(TInstrument& instrument, int index) {
    TSample& sample = *instrument.Samples(index);
    properties = TSamplePropertiesCommand::Of(*sample.Record());
    data = TSampleData{};
    sample.ExchangeData(data);
    instrument.DeleteSample(index);
}

void TKeptSample::Put(TInstrument& instrument, int index) {
    TSample& sample = *instrument.InsertSample(index);
    sample.ExchangeData(data);
    // The fresh slot had no block of its own.
    if (data.block) PLYRmemFree(data.block);
    data = TSampleData{};
    {
        // The loop points were kept with the data and come back equal.
        EngineLock lock;
        TSamplePropertiesCommand::Store(*sample.Record(), properties);
    }
    sample.Changed();
}

TSampleSlotsCommand::TSampleSlotsCommand(const QString& text, int instrument,
                                         std::function<void(TSample&)> fill)
    : TEditCommand(text), add_(true), instrument_(instrument), fill_(std::move(fill)) {}

TSampleSlotsCommand::TSampleSlotsCommand(int instrument, std::vector<int> samples)
    : TEditCommand("Delete Samples"), add_(false), instrument_(instrument),
      samples_(std::move(samples)) {
    std::sort(samples_.begin(), samples_.end());
    samples_.erase(std::unique(samples_.begin(), samples_.end()), samples_.end());
}

size_t TSampleSlotsCommand::Bytes() const {
    size_t bytes = 0;
    for (const TKeptSample& kept : kept_) bytes += size_t(kept.data.bytes);
    return bytes;
}

void TSampleSlotsCommand::Remove() {
    TInstrument& instrument = *Song().Instruments(instrument_);
    kept_.clear();
    kept_.resize(samples_.size());
    for (size_t i = samples_.size(); i-- > 0;) kept_[i].Take(instrument, samples_[i]);
}

void TSampleSlotsCommand::Restore() {
    TInstrument& instrument = *Song().Instruments(instrument_);
    for (size_t i = 0; i < samples_.size(); ++i) kept_[i].Put(instrument, samples_[i]);
    kept_.clear();
}

void TSampleSlotsCommand::Apply() {
    if (!add_) {
        Remove();
        return;
    }
    if (filled_) {
        Restore();
        return;
    }
    TInstrument& instrument = *Song().Instruments(instrument_);
    TSample* sample = instrument.InsertSample(-1);
    const int index = instrument.SampleCount() - 1;
    try {
        if (fill_) fill_(*sample);
    } catch (...) {
        instrument.DeleteSample(index);
        throw;
    }
    samples_ = {index};
    filled_ = true;
}

void TSampleSlotsCommand::Revert() {
    if (add_)
        Remove();
    else
        Restore();
}

void TSampleSlotsCommand::AnnounceApplied() {
    EventManager().Dispatch<EvInstrumentChange>(instrument_);
}

// --- Swaps and moves ---------------------------------------------------------------------

TSwapSlotsCommand::TSwapSlotsCommand(int instrument, int a, int b)
    : TEditCommand(instrument < 0 ? "Swap Instruments" : "Swap Samples"), instrument_(instrument),
      a_(a), b_(b) {}

void TSwapSlotsCommand::Apply() {
    if (instrument_ < 0)
        Song().SwapInstruments(a_, b_);
    else
        Song().Instruments(instrument_)->SwapSamples(a_, b_);
}

void TSwapSlotsCommand::AnnounceApplied() {
    if (instrument_ < 0) {
        EventManager().Dispatch<EvInstrumentChange>(a_);
        EventManager().Dispatch<EvInstrumentChange>(b_);
        EventManager().Dispatch<EvInstListChange>();
    } else {
        EventManager().Dispatch<EvInstrumentChange>(instrument_);
    }
}

TMoveSampleCommand::TMoveSampleCommand(int from, int sample, int to)
    : TEditCommand("Move Sample"), from_(from), sample_(sample), to_(to) {}

void TMoveSampleCommand::Apply() {
    TInstrument& target = *Song().Instruments(to_);
    Song().Instruments(from_)->MoveSample(sample_, &target);
    slot_ = target.SampleCount() - 1;
}

void TMoveSampleCommand::Revert() {
    TInstrument& source = *Song().Instruments(from_);
    Song().Instruments(to_)->MoveSample(slot_, &source);
    // It came back at the end; walk it down to where it was.
    for (int s = source.SampleCount() - 1; s > sample_; --s) source.SwapSamples(s, s - 1);
}

void TMoveSampleCommand::AnnounceApplied() {
    EventManager().Dispatch<EvInstrumentChange>(from_);
    EventManager().Dispatch<EvInstrumentChange>(to_);
}

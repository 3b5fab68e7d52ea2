// The sample data operations. Each works on a copy of the data outside the engine lock and
// swaps the result in under it, so the mixer never waits for a long sample.
#include "engine/engine_lock.h"
#include "engine/field_access.h"
#include "engine/sndlib.h"
#include "model/errors.h"
#include "model/instrument.h"
#include "model/sample.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

namespace {

struct BlockFree {
    void operator()(uint8_t* block) const { PLYRmemFree(block); }
};
using Block = std::unique_ptr<uint8_t, BlockFree>;

Block Allocate(size_t bytes) {
    Block block(static_cast<uint8_t*>(PLYRmemAlloc(bytes)));
    if (!block) throw ESampleError("Failed to allocate memory.");
    return block;
}

// Frame access on a block with the sample's value rules: 8-bit stored as value + 128 and limited
// to -128..127, 16-bit limited to -32767..32767.
class Frames {
public:
    Frames(uint8_t* data, bool is16) : data_(data), is16_(is16) {}

    int Get(int i) const {
        if (!is16_) return int(data_[i]) - 128;
        int16_t v;
        std::memcpy(&v, data_ + size_t(i) * 2, 2);
        return v;
    }
    void Set(int i, long double value) {
        if (std::isnan(value)) value = 0;
        const int v = int(std::clamp<long double>(value, -40000, 40000));
        if (is16_) {
            const int16_t s = int16_t(std::clamp(v, -32767, 32767));
            std::memcpy(data_ + size_t(i) * 2, &s, 2);
        } else {
            data_[i] = uint8_t(std::clamp(v + 128, 0, 255));
        }
    }

private:
    uint8_t* data_;
    bool is16_;
};

// Nearest, ties to even (the default rounding mode).
long double Round(long double v) {
    return std::nearbyint(v);
}

} // namespace

void TSample::ReplaceData(uint8_t* block, int bytes, int bits) {
    // A sample without frames has no data block, as the readers make it.
    if (bytes == 0) {
        PLYRmemFree(block);
        block = nullptr;
    }
    uint8_t* old = nullptr;
    {
        EngineLock lock;
        old = record_->data;
        if (keep_) {
            *keep_ =
                TSampleData{old, record_->length, Bits(), record_->loopStart, record_->loopEnd};
            old = nullptr;
        }
        record_->data = block;
        record_->length = bytes;
        record_->format = bits == 16 ? kSampleFormat16 : kSampleFormat8;
        // A loop outside the data would be stored as one no file can hold.
        const int frames = Length();
        record_->loopStart = std::clamp(record_->loopStart, 0, frames);
        record_->loopEnd = std::clamp(record_->loopEnd, record_->loopStart, frames);
        Changed();
    }
    PLYRmemFree(old);
}

void TSample::ExchangeData(TSampleData& data) {
    EngineLock lock;
    TSampleData current{record_->data, record_->length, Bits(), record_->loopStart,
                        record_->loopEnd};
    record_->data = data.block;
    record_->length = data.bytes;
    record_->format = data.bits == 16 ? kSampleFormat16 : kSampleFormat8;
    record_->loopStart = data.loopStart;
    record_->loopEnd = data.loopEnd;
    Changed();
    data = current;
}

void TSample::CopyFrom(const TSample* source) {
    CW_ASSERT(source);
    int start = 0, end = source->Length();
    if (source->SelStart != source->SelEnd) {
        start = std::clamp(std::min(source->SelStart, source->SelEnd), 0, end);
        end = std::clamp(std::max(source->SelStart, source->SelEnd), start, end);
    }
    const size_t bps = size_t(source->BytesPerSample());
    const size_t bytes = size_t(end - start) * bps;
    Block block = Allocate(bytes);
    if (bytes) std::memcpy(block.get(), source->Record()->data + size_t(start) * bps, bytes);

    const bool hadData = record_->data != nullptr;
    SetVolume(source->Volume());
    SetPanning(source->Panning());
    SetFineTune(source->FineTune());
    SetBaseNote(source->BaseNote());
    if (!hadData) {
        char name[32];
        std::snprintf(name, sizeof name, "Copy from sample %d", source->Number());
        SetName(name);
    }
    ReplaceData(block.release(), int(bytes), source->Bits());
}

void TSample::DeleteSelection() {
    if (SelStart == SelEnd) return;
    CW_ASSERT(record_->data);
    CW_ASSERT(SelStart >= 0 && SelStart < SelEnd && SelEnd <= Length());
    const size_t bps = size_t(BytesPerSample());
    const size_t before = size_t(SelStart) * bps;
    const size_t after = size_t(Length() - SelEnd) * bps;
    Block block = Allocate(before + after);
    std::memcpy(block.get(), record_->data, before);
    std::memcpy(block.get() + before, record_->data + size_t(SelEnd) * bps, after);
    ReplaceData(block.release(), int(before + after), Bits());
    SelEnd = SelStart;
}

namespace {

// The processed copy of a sample, and the range resolved against it.
struct Work {
    Block block;
    int start, end;
};

Work Prepare(const TSample& sample, int start, int end) {
    if (start == end) {
        start = 0;
        end = sample.Length() - 1;
    }
    CW_ASSERT(start >= 0 && start <= end && end < sample.Length());
    const size_t bytes = size_t(sample.ByteLength());
    Work work{Allocate(bytes), start, end};
    std::memcpy(work.block.get(), sample.Record()->data, bytes);
    return work;
}

} // namespace

TSampleData TSample::AmplifiedData(int start, int end, double factor) const {
    if (!record_->data || Length() == 0) return {};
    Work work = Prepare(*this, start, end);
    Frames x(work.block.get(), Bits() == 16);
    for (int i = work.start; i <= work.end; ++i)
        x.Set(i, Round(static_cast<long double>(x.Get(i)) * factor));
    return {work.block.release(), ByteLength(), Bits(), LoopStart(), LoopEnd()};
}

TSampleData TSample::EchoedData(int start, int end, int delay, int delayedPercent,
                                int undelayedPercent) const {
    if (!record_->data || Length() == 0) return {};
    CW_ASSERT(delay >= 0);
    if (start == end) {
        start = 0;
        end = Length() - 1;
    }
    if (end - start < delay) return {};
    const double ku = undelayedPercent * 0.01;
    const double kd = delayedPercent * 0.01;
    Frames in(record_->data, Bits() == 16);
    long double peakIn = 0, peakOut = 0;
    for (int i = start + delay; i <= end; ++i) {
        peakIn = std::max<long double>(peakIn, std::abs(in.Get(i)));
        const long double mixed = static_cast<long double>(ku) * in.Get(i) +
                                  static_cast<long double>(kd) * in.Get(i - delay);
        peakOut = std::max(peakOut, std::abs(Round(mixed)));
    }
    // Nothing to scale against: the range and its delayed source are silent, or both
    // intensities are zero.
    if (peakOut == 0) return {};
    const long double scale = peakIn / peakOut;

    Work work = Prepare(*this, start, end);
    Frames x(work.block.get(), Bits() == 16);
    // Forward and in place: the delayed frame is the processed one, so the echo feeds back.
    for (int i = start + delay; i <= end; ++i)
        x.Set(i, Round((static_cast<long double>(ku) * x.Get(i) +
                        static_cast<long double>(kd) * x.Get(i - delay)) *
                       scale));
    return {work.block.release(), ByteLength(), Bits(), LoopStart(), LoopEnd()};
}

TSampleData TSample::ReversedData(int start, int end) const {
    if (!record_->data || Length() == 0) return {};
    Work work = Prepare(*this, start, end);
    const size_t bps = size_t(BytesPerSample());
    uint8_t* data = work.block.get();
    for (int i = work.start; i <= (work.start + work.end) / 2; ++i) {
        const int j = work.start + work.end - i;
        for (size_t b = 0; b < bps; ++b)
            std::swap(data[size_t(i) * bps + b], data[size_t(j) * bps + b]);
    }
    return {work.block.release(), ByteLength(), Bits(), LoopStart(), LoopEnd()};
}

void TSample::InstallData(TSampleData& data) {
    if (!data.block) return; // the process changed nothing
    ReplaceData(std::exchange(data.block, nullptr), data.bytes, data.bits);
    // After the replacement, so a kept block keeps its own loop.
    EngineLock lock;
    const int frames = Length();
    record_->loopStart = std::clamp(data.loopStart, 0, frames);
    record_->loopEnd = std::clamp(data.loopEnd, record_->loopStart, frames);
    Changed();
}

void TSample::Amplify(int start, int end, double factor) {
    TSampleData data = AmplifiedData(start, end, factor);
    InstallData(data);
}

void TSample::Echo(int start, int end, int delay, int delayedPercent, int undelayedPercent, bool,
                   bool, bool) {
    TSampleData data = EchoedData(start, end, delay, delayedPercent, undelayedPercent);
    InstallData(data);
}

void TSample::Reverse(int start, int end) {
    TSampleData data = ReversedData(start, end);
    InstallData(data);
}

#include "edit/sample_range.h"

#include "engine/sndlib.h"
#include "model/errors.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

int Limit(int bits, long long v) {
    return bits == 16 ? int(std::clamp<long long>(v, -32767, 32767))
                      : int(std::clamp<long long>(v, -128, 127));
}

// A new block of `frames` frames in the given format, filled from `value`.
template <class F> TSampleData Build(int frames, int bits, F value) {
    const int bps = bits / 8;
    const size_t bytes = size_t(frames) * size_t(bps);
    TSampleData data{nullptr, int(bytes), bits, 0, 0};
    if (bytes == 0) return data;
    data.block = static_cast<uint8_t*>(PLYRmemAlloc(bytes));
    if (!data.block) throw ESampleError("Failed to allocate memory.");
    for (int i = 0; i < frames; ++i) {
        const int v = Limit(bits, value(i));
        if (bits == 16) {
            const int16_t s = int16_t(v);
            std::memcpy(data.block + size_t(i) * 2, &s, 2);
        } else {
            data.block[i] = uint8_t(v + 128);
        }
    }
    return data;
}

struct Span {
    int start, end;
};

Span Clip(const TSample& sample, int start, int end) {
    const int length = sample.Length();
    const int low = std::clamp(std::min(start, end), 0, length);
    const int high = std::clamp(std::max(start, end), low, length);
    return {low, high};
}

} // namespace

TSampleClip CopyFrames(const TSample& sample, int start, int end) {
    const Span span = Clip(sample, start, end);
    TSampleClip clip;
    clip.bits = sample.Bits();
    clip.frames.reserve(size_t(span.end - span.start));
    for (int i = span.start; i < span.end; ++i) clip.frames.push_back(sample.Values(i));
    return clip;
}

TSampleData OnlyFrames(const TSample& sample, int start, int end) {
    const Span keep = Clip(sample, start, end);
    if (keep.start == keep.end || (keep.start == 0 && keep.end == sample.Length())) return {};
    TSampleData data = Build(keep.end - keep.start, sample.Bits(),
                             [&](int i) { return sample.Values(keep.start + i); });
    const int frames = keep.end - keep.start;
    data.loopStart = std::clamp(sample.LoopStart() - keep.start, 0, frames);
    data.loopEnd = std::clamp(sample.LoopEnd() - keep.start, data.loopStart, frames);
    return data;
}

TSampleData WithFramesAt(const TSample& sample, int start, int end, const TSampleClip& clip) {
    if (clip.Empty()) return {};
    const Span cut = Clip(sample, start, end);
    const int length = sample.Length();
    const int bits = length == 0 ? clip.bits : sample.Bits();
    const int added = int(clip.frames.size());
    const int removed = cut.end - cut.start;
    const int shift = bits - clip.bits; // 8 up, 8 down or none
    TSampleData data = Build(length - removed + added, bits, [&](int i) -> long long {
        if (i < cut.start) return sample.Values(i);
        if (i >= cut.start + added) return sample.Values(i - added + removed);
        const long long v = clip.frames[size_t(i - cut.start)];
        return shift > 0 ? v * 256 : shift < 0 ? v / 256 : v;
    });
    const auto moved = [&](int frame) {
        if (frame <= cut.start) return frame;
        if (frame >= cut.end) return frame - removed + added;
        return cut.start;
    };
    data.loopStart = moved(sample.LoopStart());
    data.loopEnd = moved(sample.LoopEnd());
    return data;
}

TSampleData Normalized(const TSample& sample, int start, int end) {
    Span span = Clip(sample, start, end);
    if (span.start == span.end) span = {0, sample.Length()};
    int peak = 0;
    for (int i = span.start; i < span.end; ++i) peak = std::max(peak, std::abs(sample.Values(i)));
    const int full = sample.Bits() == 16 ? 32767 : 127;
    if (peak == 0 || peak >= full) return {};
    const double factor = double(full) / peak;
    TSampleData data = Build(sample.Length(), sample.Bits(), [&](int i) -> long long {
        const int v = sample.Values(i);
        return i >= span.start && i < span.end ? std::llround(v * factor) : v;
    });
    data.loopStart = sample.LoopStart();
    data.loopEnd = sample.LoopEnd();
    return data;
}

TSampleData SignFlipped(const TSample& sample, int start, int end) {
    Span span = Clip(sample, start, end);
    if (span.start == span.end) span = {0, sample.Length()};
    const int bps = sample.BytesPerSample();
    TSampleData data{nullptr, sample.ByteLength(), sample.Bits(), sample.LoopStart(),
                     sample.LoopEnd()};
    if (data.bytes <= 0 || span.start == span.end) return {};
    data.block = static_cast<uint8_t*>(PLYRmemAlloc(size_t(data.bytes)));
    if (!data.block) throw ESampleError("Failed to allocate memory.");
    std::memcpy(data.block, sample.Record()->data, size_t(data.bytes));
    // The top bit is in the last byte of a little-endian frame.
    for (int i = span.start; i < span.end; ++i)
        data.block[size_t(i) * size_t(bps) + size_t(bps - 1)] ^= 0x80;
    return data;
}

TSampleData CrossfadedLoop(const TSample& sample, int frames) {
    const int ls = sample.LoopStart(), le = sample.LoopEnd();
    if (sample.LoopType() == kLoopNone || le - ls < 2 || le > sample.Length()) return {};
    const int n = std::min({frames, ls, le - ls});
    if (n < 1) return {};
    TSampleData data = Build(sample.Length(), sample.Bits(), [&](int i) -> long long {
        const int k = i - (le - n);
        if (k < 0 || i >= le) return sample.Values(i);
        // Towards the end the frame becomes the one just before the loop start, so playback
        // jumping back to the start continues where it came from.
        const double t = double(k + 1) / n;
        return std::llround(sample.Values(i) * (1 - t) + sample.Values(ls - n + k) * t);
    });
    data.loopStart = ls;
    data.loopEnd = le;
    return data;
}

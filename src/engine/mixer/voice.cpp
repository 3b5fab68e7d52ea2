#include "engine/mixer/voice.h"

#include "engine/field_access.h"

#include <algorithm>
#include <cstring>

SampleView SampleView::Of(const SampleRecord* sample) {
    SampleView view;
    if (!sample) return view;
    const uint8_t* data = FieldLoad(sample->data);
    const int32_t bytes = FieldLoad(sample->length);
    if (!data || bytes <= 0) return view;
    view.data = data;
    view.is16 = FieldLoad(sample->format) == kSampleFormat16;
    view.frames = view.is16 ? bytes / 2 : bytes;
    if (view.frames <= 0) return SampleView{};
    const uint8_t type = FieldLoad(sample->loopType);
    const int32_t start = std::clamp(FieldLoad(sample->loopStart), 0, view.frames);
    const int32_t end = std::clamp(FieldLoad(sample->loopEnd), 0, view.frames);
    if ((type == kLoopForward || type == kLoopPingPong) && end > start) {
        view.loopType = type;
        view.loopStart = start;
        view.loopEnd = end;
    }
    return view;
}

void Voice::Start(int instrumentSlot, int sampleSlot, int32_t offsetFrames) {
    active = true;
    instrument = instrumentSlot;
    sample = sampleSlot;
    position = int64_t(offsetFrames) << 32;
    gainL = gainR = 0;
    rampLeft = 0;
}

void Voice::SetTarget(float left, float right, int frames) {
    targetL = left;
    targetR = right;
    if (frames <= 0 || (left == gainL && right == gainR)) {
        SetGain(left, right);
        return;
    }
    rampLeft = frames;
    deltaL = (left - gainL) / float(frames);
    deltaR = (right - gainR) / float(frames);
}

void Voice::SetGain(float left, float right) {
    gainL = targetL = left;
    gainR = targetR = right;
    rampLeft = 0;
}

namespace {

template <bool Is16> inline float Fetch(const uint8_t* data, int32_t index) {
    if constexpr (Is16) {
        int16_t v;
        std::memcpy(&v, data + size_t(index) * 2, 2);
        return float(v) * (1.0f / 32768.0f);
    } else {
        return float(int(data[index]) - 128) * (1.0f / 128.0f);
    }
}

// A ping-pong loop plays as a forward loop twice its length whose second half is the first
// backwards, each end frame played twice; positions run in that unrolled space.
struct Layout {
    int32_t wrapEnd; // where the position wraps back to the loop start (or the sample ends)
    int32_t loopStart;
    int32_t mirror; // frames at and past loopEnd read from mirror - index; 0 without ping-pong

    explicit Layout(const SampleView& s)
        : wrapEnd(s.loopType == kLoopNone      ? s.frames
                  : s.loopType == kLoopForward ? s.loopEnd
                                               : 2 * s.loopEnd - s.loopStart),
          loopStart(s.loopStart), mirror(s.loopType == kLoopPingPong ? 2 * s.loopEnd - 1 : 0) {}

    int32_t Frame(int32_t index, int32_t loopEnd) const {
        return (mirror && index >= loopEnd) ? mirror - index : index;
    }
};

template <bool Is16, bool Interpolate>
void MixLoop(Voice& v, const SampleView& s, float* out, int frames) {
    const Layout layout(s);
    const bool looped = s.loopType != kLoopNone;
    const int64_t end = int64_t(layout.wrapEnd) << 32;
    const int64_t loopStart = int64_t(s.loopStart) << 32;
    const int64_t loopLength = end - loopStart;
    // Below this position neither the frame nor its successor needs mapping or wrapping.
    const int32_t plainEnd = (s.loopType == kLoopPingPong ? s.loopEnd : layout.wrapEnd) - 1;
    const int64_t fastEnd = int64_t(plainEnd) << 32;
    const int64_t step = int64_t(v.step);

    int i = 0;
    while (i < frames) {
        if (v.rampLeft == 0 && v.position < fastEnd) {
            // The common case: constant gain, no boundary within reach.
            int n = frames - i;
            if (step > 0) n = int(std::min<int64_t>(n, (fastEnd - v.position + step - 1) / step));
            const float gl = v.gainL, gr = v.gainR;
            int64_t pos = v.position;
            float* o = out + 2 * i;
            for (int k = 0; k < n; ++k) {
                const int32_t index = int32_t(pos >> 32);
                float value = Fetch<Is16>(s.data, index);
                if constexpr (Interpolate) {
                    const float frac = float(uint32_t(pos)) * (1.0f / 4294967296.0f);
                    value += (Fetch<Is16>(s.data, index + 1) - value) * frac;
                }
                o[2 * k] += value * gl;
                o[2 * k + 1] += value * gr;
                pos += step;
            }
            v.position = pos;
            i += n;
            if (v.position >= end) {
                if (!looped) {
                    v.active = false;
                    return;
                }
                v.position = loopStart + (v.position - end) % loopLength;
            }
            continue;
        }
        // One frame the careful way: ramps, loop turns and the ends of the data.
        const int32_t index = int32_t(v.position >> 32);
        float value = Fetch<Is16>(s.data, layout.Frame(index, s.loopEnd));
        if constexpr (Interpolate) {
            int32_t next = index + 1;
            if (next >= layout.wrapEnd) next = looped ? layout.loopStart : index;
            const float frac = float(uint32_t(v.position)) * (1.0f / 4294967296.0f);
            value += (Fetch<Is16>(s.data, layout.Frame(next, s.loopEnd)) - value) * frac;
        }
        out[2 * i] += value * v.gainL;
        out[2 * i + 1] += value * v.gainR;
        if (v.rampLeft > 0) {
            v.gainL += v.deltaL;
            v.gainR += v.deltaR;
            if (--v.rampLeft == 0) {
                v.gainL = v.targetL;
                v.gainR = v.targetR;
            }
        }
        v.position += step;
        if (v.position >= end) {
            if (!looped) {
                v.active = false;
                return;
            }
            v.position = loopStart + (v.position - end) % loopLength;
        }
        ++i;
    }
}

} // namespace

void MixVoice(Voice& voice, const SampleView& sample, float* out, int frames, bool interpolate) {
    if (!voice.active) return;
    if (!sample.data) {
        voice.active = false;
        return;
    }
    // The sample may have shrunk since the last call: restart the loop or stop.
    const int64_t limit = int64_t(Layout(sample).wrapEnd) << 32;
    if (voice.position < 0 || voice.position >= limit) {
        if (sample.loopType == kLoopNone) {
            voice.active = false;
            return;
        }
        voice.position = int64_t(sample.loopStart) << 32;
    }
    if (sample.is16)
        interpolate ? MixLoop<true, true>(voice, sample, out, frames)
                    : MixLoop<true, false>(voice, sample, out, frames);
    else
        interpolate ? MixLoop<false, true>(voice, sample, out, frames)
                    : MixLoop<false, false>(voice, sample, out, frames);
}

#include "engine/mixer/voice.h"

#include "engine/field_access.h"

#include <algorithm>
#include <cmath>
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
    backward = false;
    endFrame = -1;
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

// The value at a 32.32 position: frame `index`, blended towards frame `next` when interpolating.
template <bool Is16, bool Interpolate>
inline float Sample(const uint8_t* data, int32_t index, int32_t next, int64_t position) {
    float value = Fetch<Is16>(data, index);
    if constexpr (Interpolate) {
        const float frac = float(uint32_t(position)) * (1.0f / 4294967296.0f);
        value += (Fetch<Is16>(data, next) - value) * frac;
    }
    return value;
}

// Adds one frame at the voice's gain and moves the gain one step along its ramp.
inline void MixFrame(Voice& v, float value, float* frame) {
    frame[0] += value * v.gainL;
    frame[1] += value * v.gainR;
    if (v.rampLeft > 0) {
        v.gainL += v.deltaL;
        v.gainR += v.deltaR;
        if (--v.rampLeft == 0) {
            v.gainL = v.targetL;
            v.gainR = v.targetR;
        }
    }
}

// Where a forward loop wraps back to its start, or an unlooped sample ends.
struct Layout {
    int32_t wrapEnd;
    int32_t loopStart;

    explicit Layout(const SampleView& s)
        : wrapEnd(s.loopType == kLoopForward ? s.loopEnd : s.frames), loopStart(s.loopStart) {}
};

// An unlooped sample that runs out mid-wave would click: its last output level is held
// and fades away instead, as the reference player's click removal does.
void EndWithTail(Voice& v, float left, float right, float* out, int frames) {
    v.active = false;
    v.tailL += left;
    v.tailR += right;
    MixTail(v, out, frames);
}

// Mixes n frames whose successors need no wrapping and answers the last value. While ramping,
// the gain moves one step per frame, as MixFrame does.
template <bool Is16, bool Interpolate, bool Ramping>
float MixRun(Voice& v, const uint8_t* data, float* o, int n, int64_t step) {
    float gl = v.gainL, gr = v.gainR;
    const float dl = v.deltaL, dr = v.deltaR;
    int64_t pos = v.position;
    float value = 0;
    for (int k = 0; k < n; ++k) {
        const int32_t index = int32_t(pos >> 32);
        value = Sample<Is16, Interpolate>(data, index, index + 1, pos);
        o[2 * k] += value * gl;
        o[2 * k + 1] += value * gr;
        if constexpr (Ramping) {
            gl += dl;
            gr += dr;
        }
        pos += step;
    }
    v.position = pos;
    if constexpr (Ramping) {
        v.rampLeft -= n;
        if (v.rampLeft == 0) {
            v.gainL = v.targetL;
            v.gainR = v.targetR;
        } else {
            v.gainL = gl;
            v.gainR = gr;
        }
    }
    return value;
}

template <bool Is16, bool Interpolate>
void MixLoop(Voice& v, const SampleView& s, float* out, int frames) {
    const Layout layout(s);
    const bool looped = s.loopType != kLoopNone;
    const int64_t end = int64_t(layout.wrapEnd) << 32;
    const int64_t loopStart = int64_t(s.loopStart) << 32;
    const int64_t loopLength = end - loopStart;
    // Below this position the frame's successor needs no wrapping.
    const int64_t fastEnd = int64_t(layout.wrapEnd - 1) << 32;
    const int64_t step = int64_t(v.step);

    int i = 0;
    while (i < frames) {
        if (v.position < fastEnd) {
            // The common case: no boundary within reach, the gain steady or on one ramp.
            int n = frames - i;
            if (step > 0) n = int(std::min<int64_t>(n, (fastEnd - v.position + step - 1) / step));
            const bool ramping = v.rampLeft > 0;
            if (ramping) n = std::min(n, v.rampLeft);
            float* o = out + 2 * i;
            const float value = ramping ? MixRun<Is16, Interpolate, true>(v, s.data, o, n, step)
                                        : MixRun<Is16, Interpolate, false>(v, s.data, o, n, step);
            i += n;
            if (v.position >= end) {
                if (!looped) {
                    EndWithTail(v, value * v.gainL, value * v.gainR, out + 2 * i, frames - i);
                    return;
                }
                v.position = loopStart + (v.position - end) % loopLength;
            }
            continue;
        }
        // One frame the careful way: ramps, loop turns and the ends of the data.
        const int32_t index = int32_t(v.position >> 32);
        int32_t next = index + 1;
        if (next >= layout.wrapEnd) next = looped ? layout.loopStart : index;
        const float value = Sample<Is16, Interpolate>(s.data, index, next, v.position);
        MixFrame(v, value, out + 2 * i);
        v.position += step;
        if (v.position >= end) {
            if (!looped) {
                EndWithTail(v, value * v.gainL, value * v.gainR, out + 2 * (i + 1), frames - i - 1);
                return;
            }
            v.position = loopStart + (v.position - end) % loopLength;
        }
        ++i;
    }
}

// A ping-pong loop runs over the real frames and turns as the reference player does: an
// overshoot past the end is mirrored back about the end, one below the start about the start.
// Reading at or past the end finds the last frame again.
template <bool Is16, bool Interpolate>
void MixPingPong(Voice& v, const SampleView& s, float* out, int frames) {
    const int64_t start = int64_t(s.loopStart) << 32;
    const int64_t end = int64_t(s.loopEnd) << 32;
    const int64_t step = int64_t(v.step);
    for (int i = 0; i < frames; ++i) {
        if (!v.backward && v.position >= end) {
            const int64_t over = v.position - end;
            v.position = (over >> 32) < s.loopEnd - s.loopStart ? end - over : start;
            v.backward = true;
        } else if (v.backward && v.position < start) {
            v.position = 2 * start - v.position;
            if ((v.position >> 32) >= (s.loopStart + s.loopEnd) / 2) v.position = start;
            v.backward = false;
        }
        const int32_t index = std::min(int32_t(v.position >> 32), s.loopEnd - 1);
        const int32_t next = std::min(index + 1, s.loopEnd - 1);
        const float value = Sample<Is16, Interpolate>(s.data, index, next, v.position);
        MixFrame(v, value, out + 2 * i);
        v.position += v.backward ? -step : step;
    }
}

} // namespace

void MixTail(Voice& voice, float* out, int frames) {
    if (voice.tailL == 0 && voice.tailR == 0) return;
    constexpr float kKeep = 1.0f - 1.0f / 256.0f;
    for (int i = 0; i < frames; ++i) {
        out[2 * i] += voice.tailL;
        out[2 * i + 1] += voice.tailR;
        voice.tailL *= kKeep;
        voice.tailR *= kKeep;
    }
    if (std::fabs(voice.tailL) < 1e-6f && std::fabs(voice.tailR) < 1e-6f)
        voice.tailL = voice.tailR = 0;
}

void MixVoice(Voice& voice, const SampleView& sample, float* out, int frames, bool interpolate) {
    if (!voice.active) return;
    if (!sample.data) {
        voice.active = false;
        return;
    }
    // A ping-pong loop turns any position back inside itself before reading it.
    if (sample.loopType == kLoopPingPong) {
        if (sample.is16)
            interpolate ? MixPingPong<true, true>(voice, sample, out, frames)
                        : MixPingPong<true, false>(voice, sample, out, frames);
        else
            interpolate ? MixPingPong<false, true>(voice, sample, out, frames)
                        : MixPingPong<false, false>(voice, sample, out, frames);
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

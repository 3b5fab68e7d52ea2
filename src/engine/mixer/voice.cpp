#include "engine/mixer/voice.h"

#include "engine/field_access.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// Four frames of a run at once, with the scalar path's arithmetic lane by lane so the output
// stays bit for bit the same: the integers convert exactly, and a fraction's two 16-bit halves
// convert exactly and sum with the one rounding a direct conversion makes.
template <bool Is16> inline int32_t Raw(const uint8_t* data, int32_t index) {
    if constexpr (Is16) {
        int16_t v;
        std::memcpy(&v, data + size_t(index) * 2, 2);
        return v;
    } else {
        return int32_t(data[index]) - 128;
    }
}

// A frame and its successor in one load, the frame in the low half (x86 is little-endian).
template <bool Is16> inline int32_t Pair(const uint8_t* data, int32_t index) {
    if constexpr (Is16) {
        int32_t v;
        std::memcpy(&v, data + size_t(index) * 2, 4);
        return v;
    } else {
        uint16_t v;
        std::memcpy(&v, data + index, 2);
        return v;
    }
}

template <bool Is16, bool Interpolate>
inline __m128 FourValues(const uint8_t* data, int64_t pos, int64_t step) {
    const int64_t p1 = pos + step, p2 = p1 + step, p3 = p2 + step;
    const int32_t i0 = int32_t(pos >> 32), i1 = int32_t(p1 >> 32), i2 = int32_t(p2 >> 32),
                  i3 = int32_t(p3 >> 32);
    const __m128 scale = _mm_set1_ps(Is16 ? 1.0f / 32768.0f : 1.0f / 128.0f);
    if constexpr (!Interpolate) {
        const __m128i raw = _mm_setr_epi32(Raw<Is16>(data, i0), Raw<Is16>(data, i1),
                                           Raw<Is16>(data, i2), Raw<Is16>(data, i3));
        return _mm_mul_ps(_mm_cvtepi32_ps(raw), scale);
    }
    const __m128i pairs = _mm_setr_epi32(Pair<Is16>(data, i0), Pair<Is16>(data, i1),
                                         Pair<Is16>(data, i2), Pair<Is16>(data, i3));
    __m128i here, next;
    if constexpr (Is16) {
        here = _mm_srai_epi32(_mm_slli_epi32(pairs, 16), 16);
        next = _mm_srai_epi32(pairs, 16);
    } else {
        const __m128i bias = _mm_set1_epi32(128);
        here = _mm_sub_epi32(_mm_and_si128(pairs, _mm_set1_epi32(0xFF)), bias);
        next = _mm_sub_epi32(_mm_srli_epi32(pairs, 8), bias);
    }
    const __m128 a = _mm_mul_ps(_mm_cvtepi32_ps(here), scale);
    const __m128 b = _mm_mul_ps(_mm_cvtepi32_ps(next), scale);
    const __m128i f = _mm_setr_epi32(int32_t(uint32_t(pos)), int32_t(uint32_t(p1)),
                                     int32_t(uint32_t(p2)), int32_t(uint32_t(p3)));
    const __m128 high = _mm_mul_ps(_mm_cvtepi32_ps(_mm_srli_epi32(f, 16)), _mm_set1_ps(65536.0f));
    const __m128 low = _mm_cvtepi32_ps(_mm_and_si128(f, _mm_set1_epi32(0xFFFF)));
    const __m128 t = _mm_mul_ps(_mm_add_ps(high, low), _mm_set1_ps(1.0f / 4294967296.0f));
    return _mm_add_ps(a, _mm_mul_ps(_mm_sub_ps(b, a), t));
}

// Adds four mono values at four gains per side into four interleaved stereo frames.
inline void AddFour(float* o, __m128 value, __m128 left, __m128 right) {
    const __m128 l = _mm_mul_ps(value, left), r = _mm_mul_ps(value, right);
    _mm_storeu_ps(o, _mm_add_ps(_mm_loadu_ps(o), _mm_unpacklo_ps(l, r)));
    _mm_storeu_ps(o + 4, _mm_add_ps(_mm_loadu_ps(o + 4), _mm_unpackhi_ps(l, r)));
}
#endif

// Mixes n frames whose successors need no wrapping and answers the last value. While ramping,
// the gain moves one step per frame, as MixFrame does. `step` may be negative (a ping-pong
// loop running back).
template <bool Is16, bool Interpolate, bool Ramping>
float MixRun(Voice& v, const uint8_t* data, float* o, int n, int64_t step) {
    float gl = v.gainL, gr = v.gainR;
    const float dl = v.deltaL, dr = v.deltaR;
    int64_t pos = v.position;
    float value = 0;
    int k = 0;
#if defined(__SSE2__)
    if (n >= 4) {
        __m128 left = _mm_set1_ps(gl), right = _mm_set1_ps(gr), values = _mm_setzero_ps();
        for (; k + 4 <= n; k += 4) {
            if constexpr (Ramping) {
                // The gains one addition apart, as the scalar loop steps them.
                const float l1 = gl + dl, l2 = l1 + dl, l3 = l2 + dl;
                const float r1 = gr + dr, r2 = r1 + dr, r3 = r2 + dr;
                left = _mm_setr_ps(gl, l1, l2, l3);
                right = _mm_setr_ps(gr, r1, r2, r3);
                gl = l3 + dl;
                gr = r3 + dr;
            }
            values = FourValues<Is16, Interpolate>(data, pos, step);
            AddFour(o + 2 * k, values, left, right);
            pos += 4 * step;
        }
        value = _mm_cvtss_f32(_mm_shuffle_ps(values, values, 3));
    }
#endif
    for (; k < n; ++k) {
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
float MixRunAt(Voice& v, const uint8_t* data, float* o, int n, int64_t step) {
    return v.rampLeft > 0 ? MixRun<Is16, Interpolate, true>(v, data, o, n, step)
                          : MixRun<Is16, Interpolate, false>(v, data, o, n, step);
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
            if (v.rampLeft > 0) n = std::min(n, v.rampLeft);
            const float value = MixRunAt<Is16, Interpolate>(v, s.data, out + 2 * i, n, step);
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
    // Below this position a frame and its successor both lie inside the loop.
    const int64_t fastEnd = int64_t(s.loopEnd - 1) << 32;
    const int64_t step = int64_t(v.step);
    for (int i = 0; i < frames;) {
        if (!v.backward && v.position >= end) {
            const int64_t over = v.position - end;
            v.position = (over >> 32) < s.loopEnd - s.loopStart ? end - over : start;
            v.backward = true;
        } else if (v.backward && v.position < start) {
            v.position = 2 * start - v.position;
            if ((v.position >> 32) >= (s.loopStart + s.loopEnd) / 2) v.position = start;
            v.backward = false;
        }
        // Frames before the next turn that need no clamping go as one run.
        int n = 0;
        if (v.position < fastEnd && (!v.backward || v.position >= start)) {
            n = frames - i;
            // Forward: every frame below fastEnd; back: every frame at or above the start.
            if (step > 0)
                n = int(std::min<int64_t>(n, v.backward
                                                 ? (v.position - start) / step + 1
                                                 : (fastEnd - v.position + step - 1) / step));
            if (v.rampLeft > 0) n = std::min(n, v.rampLeft);
        }
        if (n > 0) {
            MixRunAt<Is16, Interpolate>(v, s.data, out + 2 * i, n, v.backward ? -step : step);
            i += n;
            continue;
        }
        const int32_t index = std::min(int32_t(v.position >> 32), s.loopEnd - 1);
        const int32_t next = std::min(index + 1, s.loopEnd - 1);
        const float value = Sample<Is16, Interpolate>(s.data, index, next, v.position);
        MixFrame(v, value, out + 2 * i);
        v.position += v.backward ? -step : step;
        ++i;
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

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
    backwards = false;
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

// The frame after `index` in playing order, for interpolation.
inline int32_t NextIndex(const SampleView& s, int32_t index) {
    const int32_t next = index + 1;
    if (s.loopType == kLoopForward && next >= s.loopEnd) return s.loopStart;
    if (s.loopType == kLoopPingPong && next >= s.loopEnd) return index;
    return next < s.frames ? next : index;
}

template <bool Is16, bool Interpolate>
void MixLoop(Voice& v, const SampleView& s, float* out, int frames) {
    const int64_t end = int64_t(s.loopType != kLoopNone ? s.loopEnd : s.frames) << 32;
    const int64_t loopStart = int64_t(s.loopStart) << 32;
    const int64_t loopLength = int64_t(s.loopEnd - s.loopStart) << 32;
    for (int i = 0; i < frames; ++i) {
        const int32_t index = int32_t(v.position >> 32);
        float value = Fetch<Is16>(s.data, index);
        if constexpr (Interpolate) {
            const float frac = float(uint32_t(v.position)) * (1.0f / 4294967296.0f);
            const float next = Fetch<Is16>(s.data, NextIndex(s, index));
            value += (next - value) * frac;
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
        if (v.backwards) {
            v.position -= int64_t(v.step);
            if (v.position < loopStart) {
                v.position = loopStart + (loopStart - v.position);
                v.backwards = false;
                if (v.position >= end) v.position = loopStart;
            }
        } else {
            v.position += int64_t(v.step);
            if (v.position >= end) {
                if (s.loopType == kLoopForward) {
                    v.position = loopStart + (v.position - end) % loopLength;
                } else if (s.loopType == kLoopPingPong) {
                    v.position = end - (int64_t(1) << 32) - (v.position - end);
                    v.backwards = true;
                    if (v.position < loopStart) v.position = loopStart;
                } else {
                    v.active = false;
                    return;
                }
            }
        }
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
    const int64_t limit = int64_t(sample.loopType != kLoopNone ? sample.loopEnd : sample.frames)
                          << 32;
    if (voice.position < 0 || voice.position >= limit) {
        if (sample.loopType == kLoopNone) {
            voice.active = false;
            return;
        }
        voice.position = int64_t(sample.loopStart) << 32;
        voice.backwards = false;
    }
    if (voice.backwards && sample.loopType != kLoopPingPong) voice.backwards = false;
    if (sample.is16)
        interpolate ? MixLoop<true, true>(voice, sample, out, frames)
                    : MixLoop<true, false>(voice, sample, out, frames);
    else
        interpolate ? MixLoop<false, true>(voice, sample, out, frames)
                    : MixLoop<false, false>(voice, sample, out, frames);
}

// One sounding sample: its slot, play position, pitch step and ramped stereo gain.
#pragma once

#include "engine/records.h"

#include <cstdint>

// A sample's bounds as read for one render call: every read stays inside them.
struct SampleView {
    const uint8_t* data = nullptr;
    bool is16 = false;
    int32_t frames = 0;
    uint8_t loopType = kLoopNone;
    int32_t loopStart = 0;
    int32_t loopEnd = 0;

    // The view of a record with its loop clamped into the data; empty without data.
    static SampleView Of(const SampleRecord* sample);
};

struct Voice {
    bool active = false;
    int instrument = -1; // slots the voice plays, re-read from the tables on every render
    int sample = -1;
    int64_t position = 0;  // 32.32 fixed point frames
    bool backward = false; // running back through a ping-pong loop
    uint64_t step = 0;     // 32.32 fixed point frames per output frame
    float gainL = 0, gainR = 0;
    float targetL = 0, targetR = 0;
    float deltaL = 0, deltaR = 0;
    int rampLeft = 0;
    float tailL = 0, tailR = 0; // level left fading after an unlooped sample ran out
    int32_t endFrame = -1;      // a preview of part of a sample ends here, unlooped; -1: no end

    void Start(int instrumentSlot, int sampleSlot, int32_t offsetFrames);
    void Stop() { active = false; }
    // Moves towards the target gain over `frames` output frames.
    void SetTarget(float left, float right, int frames);
    // Sets the gain outright (a voice that starts from silence ramps from zero instead).
    void SetGain(float left, float right);
    bool Silent() const { return gainL == 0 && gainR == 0 && targetL == 0 && targetR == 0; }
    // What of the sample this voice plays: all of it, or up to `endFrame` without the loop.
    SampleView Bounded(SampleView view) const {
        if (endFrame >= 0 && endFrame < view.frames) {
            view.frames = endFrame;
            view.loopType = kLoopNone;
        }
        return view;
    }
};

// Adds the fading level an ended sample left behind, `frames` stereo frames of it.
void MixTail(Voice& voice, float* out, int frames);

// Adds `frames` stereo frames of the voice into `out`; stops the voice at the end of an
// unlooped sample. `interpolate` selects linear interpolation over nearest sample.
void MixVoice(Voice& voice, const SampleView& sample, float* out, int frames, bool interpolate);

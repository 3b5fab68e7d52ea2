// What the replayer keeps for one channel between ticks. Instruments and samples are held as
// slot numbers and looked up again on every tick, so edits between ticks never leave a
// dangling pointer here.
#pragma once

#include <cstdint>

struct EnvelopeState {
    int counter = 0;   // ticks since the envelope started
    int point = 0;     // the point being approached
    int amplitude = 0; // value << 8
    int delta = 0;     // per-tick change while interpolating
};

struct ChannelState {
    // The current row's cell as XM bytes (see engine/formats/xm_cell.h): note, 1-based
    // instrument (0 none), volume column byte.
    uint8_t rowNote = 0;
    uint8_t rowInstrument = 0;
    uint8_t volumeColumn = 0;
    uint8_t command = 0;
    uint8_t param = 0;

    uint8_t note = 0;       // last note started, for retriggers
    int instrument = 0;     // selected instrument, 1-based, 0 none
    int playInstrument = 0; // instrument whose envelopes and vibrato run, 1-based
    int sample = -1;        // sample slot of playInstrument
    int fixedSample = -1;   // a sample chosen by a sample preview, bypassing the keyboard map
    int relativeNote = 0;
    int finetune = 0;
    int sampleVolume = 0;
    int samplePanning = 128;

    int realVolume = 0;
    int outVolume = 0;
    int outPanning = 128;
    int realPeriod = 0;
    int outPeriod = 0;
    int finalPeriod = 0;
    int wantPeriod = 0;
    int portaSpeed = 0;
    int portaDirection = 0; // 0 none, 1 down in pitch, 2 up in pitch

    uint8_t vibratoPos = 0, vibratoSpeed = 0, vibratoDepth = 0;
    uint8_t tremoloPos = 0, tremoloSpeed = 0, tremoloDepth = 0;
    uint8_t waveControl = 0;
    bool glissando = false;

    uint8_t portaUpMemory = 0, portaDownMemory = 0;
    uint8_t finePortaUpMemory = 0, finePortaDownMemory = 0;
    uint8_t extraFineUpMemory = 0, extraFineDownMemory = 0;
    uint8_t volumeSlideMemory = 0, fineVolumeUpMemory = 0, fineVolumeDownMemory = 0;
    uint8_t globalSlideMemory = 0, panSlideMemory = 0, offsetMemory = 0;
    uint8_t retrigSpeed = 0, retrigVolume = 0, retrigCount = 0;
    uint8_t tremorMemory = 0, tremorPos = 0;
    // The reference keeps a note that tremor left in its off phase silent, whatever volume
    // follows, until an instrument number.
    bool tremorMuted = false;
    int32_t startOffset = 0;

    bool keyOn = true;              // false after key off: envelopes leave sustain, fade-out runs
    bool keyOnBefore = true;        // keyOn as the previous tick's envelopes saw it
    bool instrumentPending = false; // a lone instrument number left a released note released
    bool firstInstrumentPending = false; // a lone instrument number came before any note
    EnvelopeState volumeEnvelope, panningEnvelope;
    int fadeOutAmp = 0;
    int fadeOutSpeed = 0;
    int autoVibratoPos = 0, autoVibratoAmp = 0, autoVibratoSweep = 0;

    int loopRow = 0;
    int loopCount = 0;

    // Set by this tick's processing and consumed when the voice is updated.
    bool trigger = false;
    bool quickRamp = false;
    float finalVolume = 0; // 0..1 before music and channel volume
    int finalPanning = 128;
};

// Effect memory: a non-zero parameter is kept, zero takes up the kept one.
template <typename T> T Remember(T& memory, T param) {
    if (param) memory = param;
    return memory;
}

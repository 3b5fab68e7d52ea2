// Note triggering and the effect commands, tick 0 and the ticks after it, with the tracker's
// own memories and quirks.
#include "engine/effect_catalogue.h"
#include "engine/field_access.h"
#include "engine/player/period_tables.h"
#include "engine/player/song_player.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int kMinPeriod = 1;
// Sliding down has no ceiling of its own (the pitch wraps around, see PeriodToFrequency); this
// only keeps the arithmetic in range.
constexpr int kMaxPeriod = 1 << 24;
// Finetune kept its low bits in modules saved before this version.
constexpr uint32_t kExactFinetuneBefore = 0x01220719;
// Before 1.27.00.27 a key-off without a volume envelope only cut the volume.
constexpr uint32_t kKeyOffFadesFrom = 0x01270027;
// From 1.18 compatible play ignores X6x, as the XM tracker has no such effect.
constexpr uint32_t kFineDelayIgnoredFrom = 0x01180000;
constexpr uint32_t kFineDelaysAddFrom = 0x01200000;

// The arpeggio step for a tick: the tracker indexes a three-step table by its down-counting
// tick timer, and reads past the table for timers of 16 and more.
int ArpeggioStep(int timer) {
    if (timer < 16) return timer % 3;
    return timer == 16 ? 0 : 2;
}

// The vibrato and tremolo waveforms (sine, ramp, square) at a table index; the ramp falls
// in the half of the cycle that `rampPosition` is in.
int WaveAmount(int waveform, int index, uint8_t rampPosition) {
    if (waveform == 0) return VibratoSine(index);
    if (waveform == 1) {
        const int amount = (index << 3) & 0xFF;
        return (rampPosition & 0x80) ? ~amount & 0xFF : amount;
    }
    return 255;
}

// Waveform 3: the original tracker plays it as a square, the reference player reads these
// fixed random steps (one per 64th of the cycle, -127..127) for vibrato and tremolo alike.
int RandomWave(uint8_t position) {
    static constexpr int8_t kSteps[64] = {
        98,  -127, -43, 88,  102, 41,  -65, -94,  125, 20,  -71, -86,  -70, -32, -16,  -96,
        17,  72,   107, -5,  116, -69, -62, -40,  10,  -61, 65,  109,  -18, -38, -13,  -76,
        -23, 88,   21,  -94, 8,   106, 21,  -112, 6,   109, 20,  -88,  -30, 9,   -127, 118,
        42,  -34,  89,  -4,  -51, -72, 21,  -29,  112, 123, 84,  -101, -92, 98,  -54,  -95};
    return kSteps[(position >> 2) & 63];
}

// Pitch slides move the period by an amount; upwards they stop at period 1.
void SlidePeriodUp(ChannelState& ch, int amount) {
    ch.realPeriod = std::max(ch.realPeriod - amount, kMinPeriod);
    ch.outPeriod = ch.realPeriod;
}

void SlidePeriodDown(ChannelState& ch, int amount) {
    ch.realPeriod = std::min(ch.realPeriod + amount, kMaxPeriod);
    ch.outPeriod = ch.realPeriod;
}

// Puts an envelope just before `tick`, so the next tick's step reaches it.
void PlaceEnvelope(EnvelopeState& state, const EnvelopeRecord* envelope, int tick) {
    const int count = std::min<int>(FieldLoad(envelope->pointCount), kMaxEnvelopePoints);
    if (count <= 0) return;
    auto t = [&](int i) { return int(FieldLoad(envelope->points[i].tick)); };
    auto v = [&](int i) { return std::clamp(int(FieldLoad(envelope->points[i].value)), 0, 64); };
    state.counter = tick - 1;
    int point = 0;
    while (point < count && t(point) < tick) ++point;
    if (point >= count) {
        state.point = count - 1;
        state.amplitude = v(count - 1) << 8;
        state.delta = 0;
        return;
    }
    state.point = point;
    if (point == 0 || t(point) == tick) {
        // On a point: the next tick reaches it, so sustain and loops apply there.
        state.amplitude = v(point) << 8;
        state.delta = 0;
        return;
    }
    const int span = t(point) - t(point - 1);
    state.delta = span > 0 ? ((v(point) - v(point - 1)) << 8) / span : 0;
    state.amplitude = (v(point - 1) << 8) + state.delta * (tick - 1 - t(point - 1));
}

} // namespace

void SongPlayer::NewNote(ChannelState& ch) {
    const uint8_t note = ch.rowNote;
    const int instrument = ch.rowInstrument;
    if (instrument) ch.instrument = instrument;

    bool checkEffects = true;
    if (ch.command == kCmdNoteDelay && ch.param != 0) return; // the note starts on a later tick
    if (ch.command == kCmdRetrig && ch.param == 0) checkEffects = false;

    if (checkEffects) {
        if ((ch.volumeColumn & 0xF0) == 0xF0) {
            if (ch.volumeColumn & 0x0F) ch.portaSpeed = (ch.volumeColumn & 0x0F) << 6;
            PrepareTonePorta(ch);
            TickZeroEffects(ch);
            return;
        }
        if (ch.command == kCmdTonePorta || ch.command == kCmdTonePortaVolSlide) {
            if (ch.command == kCmdTonePorta && ch.param) ch.portaSpeed = ch.param << 2;
            PrepareTonePorta(ch);
            TickZeroEffects(ch);
            return;
        }
        if (ch.command == kCmdKeyOff && ch.param == 0) {
            KeyOff(ch);
            if (instrument) ResetVolumes(ch);
            TickZeroEffects(ch);
            return;
        }
        if (note == 0) {
            if (instrument) {
                // Before any note, the reference lets the next note take the instrument up
                // with its sample's volume and panning.
                if (ch.playInstrument == 0) ch.firstInstrumentPending = true;
                const bool keyOn = ch.keyOn;
                ResetVolumes(ch);
                TriggerInstrument(ch);
                // With the older key-offs a lone instrument number restarts the envelopes but
                // leaves a released note released.
                // The next note takes the instrument up and keys the channel on again.
                if (OldKeyOffs() && !keyOn) {
                    ch.keyOn = false;
                    ch.instrumentPending = true;
                }
            }
            TickZeroEffects(ch);
            return;
        }
    }
    if (note == 97) {
        if (KeyOffOnlyCuts(ch)) {
            ch.realVolume = ch.outVolume = 0;
            ch.quickRamp = true;
        } else {
            KeyOff(ch);
        }
        if (instrument) {
            // The sample's volume and panning come back: nothing was cut, so the level glides.
            ResetVolumes(ch);
            ch.quickRamp = false;
            // The reference holds the instrument number back for the next note, which takes
            // it up keyed on again.
            ch.instrumentPending = true;
        }
        TickZeroEffects(ch);
        return;
    }
    const int previous = ch.playInstrument;
    StartNote(ch, note, ch.command == kCmdSetFinetune, ch.param, ch.command == kCmdSampleOffset,
              ch.param);
    if (ch.instrumentPending) {
        ch.keyOn = true;
        ch.fadeOutAmp = 32768;
        if (!instrument && ch.playInstrument != previous) CarryEnvelopes(ch, previous);
    }
    ch.instrumentPending = false;
    if (ch.firstInstrumentPending && !instrument) ResetVolumes(ch);
    ch.firstInstrumentPending = false;
    if (instrument) {
        ResetVolumes(ch);
        TriggerInstrument(ch);
    }
    TickZeroEffects(ch);
}

void SongPlayer::StartNote(ChannelState& ch, uint8_t note, bool setFinetune, uint8_t finetuneParam,
                           bool offset, uint8_t offsetParam) {
    if (note == 97) {
        KeyOff(ch);
        return;
    }
    if (note == 0) {
        note = ch.note; // a retrigger replays the last note
        if (note == 0) return;
    }
    ch.note = note;
    ch.playInstrument = ch.instrument;
    note = std::min<uint8_t>(note, 96);

    const InstrumentRecord* instrument = InstrumentAt(ch.playInstrument);
    int slot = 0;
    if (ch.fixedSample >= 0) {
        slot = ch.fixedSample;
    } else if (instrument && FieldLoad(module_->moduleType) != kModuleTypeNoKeyboardMap) {
        const uint8_t* map = FieldLoad(instrument->keyboardMap);
        if (map) slot = FieldLoad(map[note - 1]) & 0x0F;
    }
    ch.sample = slot;
    const SampleRecord* sample = SampleAt(ch.playInstrument, slot);
    ch.relativeNote = sample ? int8_t(FieldLoad(sample->relativeNote) & 0xFF) : 0;

    const int shifted = note + ch.relativeNote;
    if (shifted < 0 || shifted >= 120) return; // out of the tracker's note range: nothing starts

    ch.sampleVolume = sample ? std::clamp(int(FieldLoad(sample->volume) & 0xFF), 0, 64) : 0;
    ch.samplePanning = sample ? std::clamp(FieldLoad(sample->panning), 0, 255) : 128;
    if (setFinetune)
        ch.finetune = ((finetuneParam & 0x0F) << 4) - 128;
    else
        ch.finetune = sample ? std::clamp(FieldLoad(sample->finetune), -128, 127) : 0;

    // A note one semitone below C-0 plays at C-0.
    ch.realPeriod = ch.outPeriod = NotePeriod(Linear(), std::max(shifted - 1, 0), ch.finetune,
                                              SavedBefore(kExactFinetuneBefore));
    ch.trigger = true;
    ch.quickRamp = true;
    if (offset) {
        if (offsetParam) ch.offsetMemory = offsetParam;
        ch.startOffset = int32_t(ch.offsetMemory) << 8;
    } else {
        ch.startOffset = 0;
    }
}

void SongPlayer::ResetVolumes(ChannelState& ch) {
    ch.realVolume = ch.outVolume = ch.sampleVolume;
    ch.outPanning = ch.samplePanning;
    ch.quickRamp = true;
}

void SongPlayer::TriggerInstrument(ChannelState& ch) {
    if (!(ch.waveControl & 0x04)) ch.vibratoPos = 0;
    if (!(ch.waveControl & 0x40)) ch.tremoloPos = 0;
    ch.retrigCount = 0;
    ch.tremorPos = 0;
    ch.tremorMuted = false;
    ch.keyOn = ch.keyOnBefore = true;
    ch.fadeOutAmp = 32768;
    ch.quickRamp = true; // restarted envelopes jump
    const InstrumentRecord* instrument = InstrumentAt(ch.playInstrument);
    if (!instrument) {
        ch.fadeOutSpeed = 0;
        return;
    }
    const EnvelopeRecord* volume = FieldLoad(instrument->volumeEnvelope);
    if (volume && FieldLoad(volume->pointCount) > 0) ch.volumeEnvelope = EnvelopeState{-1, 0, 0, 0};
    const EnvelopeRecord* panning = FieldLoad(instrument->panningEnvelope);
    if (panning && FieldLoad(panning->pointCount) > 0)
        ch.panningEnvelope = EnvelopeState{-1, 0, 0, 0};
    ch.fadeOutSpeed = FieldLoad(instrument->fadeOut);
    const int depth = FieldLoad(instrument->vibratoDepth);
    const int sweep = FieldLoad(instrument->vibratoSweep);
    if (depth > 0) {
        ch.autoVibratoPos = 0;
        if (sweep > 0) {
            ch.autoVibratoAmp = 0;
            ch.autoVibratoSweep = (depth << 8) / sweep;
        } else {
            ch.autoVibratoAmp = depth << 8;
            ch.autoVibratoSweep = 0;
        }
    }
}

void SongPlayer::KeyOff(ChannelState& ch) {
    ch.keyOn = false;
    if (ch.playInstrument == 0) return;
    const InstrumentRecord* instrument = InstrumentAt(ch.playInstrument);
    const EnvelopeRecord* volume = instrument ? FieldLoad(instrument->volumeEnvelope) : nullptr;
    const EnvelopeRecord* panning = instrument ? FieldLoad(instrument->panningEnvelope) : nullptr;
    // Put the counter just before the current point, so the envelope moves on from it.
    auto rewind = [](EnvelopeState& state, const EnvelopeRecord* envelope) {
        const int count = std::min<int>(FieldLoad(envelope->pointCount), kMaxEnvelopePoints);
        if (count <= 0) return;
        const int point = std::clamp(state.point, 0, count - 1);
        const int tick = FieldLoad(envelope->points[point].tick);
        if (state.counter >= tick) state.counter = tick - 1;
    };
    // The tracker rewinds the panning envelope only when it is switched off.
    if (panning && FieldLoad(panning->pointCount) == 0) rewind(ch.panningEnvelope, panning);
    if (volume && FieldLoad(volume->pointCount) > 0) {
        rewind(ch.volumeEnvelope, volume);
    } else {
        ch.realVolume = ch.outVolume = 0;
        ch.quickRamp = true;
    }
}

// Files from the reference's own tracker before 1.27.00.27 are played with its older key-offs,
// unless they were saved with its compatible play, which already had the tracker's.
bool SongPlayer::OldKeyOffs() const {
    return SavedBefore(kKeyOffFadesFrom) && !compatiblePlay_;
}

// OpenMPT's fine pattern delay (X6x) counts in files it saved, unless with compatible play.
bool SongPlayer::FinePatternDelays() const {
    return savedWith_ != 0 && (!compatiblePlay_ || savedWith_ < kFineDelayIgnoredFrom);
}

// The older reading of a bare key-off on an instrument without volume envelope: the volume
// drops to zero but the note stays keyed on, so no fade-out follows and a later volume slide
// brings it back.
bool SongPlayer::KeyOffOnlyCuts(const ChannelState& ch) const {
    if (!OldKeyOffs() || ch.rowInstrument) return false;
    if ((ch.volumeColumn >= 0x10 && ch.volumeColumn <= 0x50) || ch.command == kCmdSetVolume)
        return false;
    const InstrumentRecord* instrument = InstrumentAt(ch.playInstrument);
    const EnvelopeRecord* volume = instrument ? FieldLoad(instrument->volumeEnvelope) : nullptr;
    return !volume || FieldLoad(volume->pointCount) == 0;
}

void SongPlayer::PrepareTonePorta(ChannelState& ch) {
    if (ch.rowNote == 97) {
        KeyOff(ch);
    } else if (ch.rowNote > 0) {
        const int shifted = ch.rowNote + ch.relativeNote;
        if (shifted >= 0 && shifted < 120) {
            ch.wantPeriod = NotePeriod(Linear(), std::max(shifted - 1, 0), ch.finetune,
                                       SavedBefore(kExactFinetuneBefore));
            if (ch.wantPeriod == ch.realPeriod)
                ch.portaDirection = 0;
            else
                ch.portaDirection = ch.wantPeriod > ch.realPeriod ? 1 : 2;
        }
    }
    if (ch.rowInstrument) {
        ResetVolumes(ch);
        TriggerInstrument(ch);
    }
}

int SongPlayer::ArpeggioPeriod(const ChannelState& ch, int semitones) const {
    const bool linear = Linear();
    const int fine = (ch.finetune >> 3) + 16;
    int low = 0, high = 8 * 12 * 16;
    // Find the note the period sits on, as the tracker does, then step from it.
    for (int i = 0; i < 8; ++i) {
        const int probe = (((low + high) >> 1) & ~15) + fine;
        if (ch.realPeriod >= NotePeriod(linear, std::max(probe - 8, 0)))
            high = (probe - fine) & ~15;
        else
            low = (probe - fine) & ~15;
    }
    const int index = low + fine + (semitones << 4);
    if (index >= 8 * 12 * 16 + 15 - 1) return NotePeriod(linear, 8 * 12 * 16 + 16 - 1);
    return NotePeriod(linear, (low >> 4) + semitones, ch.finetune,
                      SavedBefore(kExactFinetuneBefore));
}

void SongPlayer::TickZeroEffects(ChannelState& ch) {
    const uint8_t v = ch.volumeColumn;
    // The tracker works the volume column command in its own byte; what is left there decides
    // below whether a multi-retrigger counts this tick.
    uint8_t left = v;
    switch (v >> 4) {
    case 0x1:
    case 0x2:
    case 0x3:
    case 0x4:
    case 0x5:
        if (v <= 0x50) {
            ch.realVolume = ch.outVolume = left = uint8_t(v - 0x10);
            ch.quickRamp = true;
        }
        break;
    case 0x8:
        ch.realVolume = ch.outVolume = std::max(ch.realVolume - (v & 0x0F), 0);
        left = uint8_t(ch.realVolume);
        break;
    case 0x9:
        ch.realVolume = ch.outVolume = std::min(ch.realVolume + (v & 0x0F), 64);
        left = uint8_t(ch.realVolume);
        break;
    case 0xA:
        left = uint8_t((v & 0x0F) << 2);
        if (left) ch.vibratoSpeed = left;
        break;
    case 0xB:
        if (v & 0x0F) ch.vibratoDepth = v & 0x0F;
        break;
    case 0xC:
        ch.outPanning = left = uint8_t((v & 0x0F) << 4);
        ch.quickRamp = true;
        break;
    default:
        break;
    }

    const uint8_t p = ch.param;
    switch (ch.command) {
    case kCmdSetPanning:
        ch.outPanning = p;
        ch.quickRamp = true;
        break;
    case kCmdSetPanning16:
        ch.outPanning = std::min((p & 0x0F) * 17, 255);
        break;
    case kCmdCoarsePanning:
        ch.outPanning = (p & 0x0F) * 17;
        break;
    case kCmdPositionJump:
        jumpPosition_ = p;
        breakRow_ = 0;
        jumpFlag_ = true;
        break;
    case kCmdSetVolume:
        ch.realVolume = ch.outVolume = std::min<int>(p, 64);
        ch.quickRamp = true;
        break;
    case kCmdPatternBreak: {
        const int row = (p >> 4) * 10 + (p & 0x0F);
        breakRow_ = row <= 63 ? row : 0;
        jumpFlag_ = true;
        break;
    }
    case kCmdSetSpeed:
    case kCmdSetTempo:
        if (p == 0) {
            // Speed 0 halts the tracker: the song ends here.
            Halt();
        } else if (p < 32) {
            speed_ = p;
            timer_ = speed_; // the new speed already counts for this row
        } else {
            tempo_ = p;
        }
        break;
    case kCmdFinePortaUp:
        if (p) ch.finePortaUpMemory = p;
        SlidePeriodUp(ch, ch.finePortaUpMemory << 2);
        break;
    case kCmdFinePortaDown:
        if (p) ch.finePortaDownMemory = p;
        SlidePeriodDown(ch, ch.finePortaDownMemory << 2);
        break;
    case kCmdExtraFinePortaUp:
        if (p) ch.extraFineUpMemory = p;
        SlidePeriodUp(ch, ch.extraFineUpMemory);
        break;
    case kCmdExtraFinePortaDown:
        if (p) ch.extraFineDownMemory = p;
        SlidePeriodDown(ch, ch.extraFineDownMemory);
        break;
    case kCmdGlissando:
        ch.glissando = (p & 0x0F) != 0;
        break;
    case kCmdVibratoWaveform:
        ch.waveControl = uint8_t((ch.waveControl & 0xF0) | (p & 0x0F));
        break;
    case kCmdTremoloWaveform:
        ch.waveControl = uint8_t(((p & 0x0F) << 4) | (ch.waveControl & 0x0F));
        break;
    case kCmdPatternLoop:
        if ((p & 0x0F) == 0) {
            ch.loopRow = row_;
        } else if (ch.loopCount == 0 || --ch.loopCount > 0) {
            if (ch.loopCount == 0) ch.loopCount = p & 0x0F;
            breakRow_ = ch.loopRow;
            breakFlag_ = true;
        }
        break;
    case kCmdFineVolSlideUp:
        if (p) ch.fineVolumeUpMemory = p;
        ch.realVolume = ch.outVolume = std::min(ch.realVolume + ch.fineVolumeUpMemory, 64);
        break;
    case kCmdFineVolSlideDown:
        if (p) ch.fineVolumeDownMemory = p;
        ch.realVolume = ch.outVolume = std::max(ch.realVolume - ch.fineVolumeDownMemory, 0);
        break;
    case kCmdNoteCut:
        if ((p & 0x0F) == 0) {
            ch.realVolume = ch.outVolume = 0;
            ch.quickRamp = true;
        }
        break;
    case kCmdPatternDelay:
        if (patternDelayLeft_ == 0) patternDelay_ = (p & 0x0F) + 1;
        break;
    case kCmdFinePatternDelay:
        // Several on a row add up, except in files from before 1.20, where the last one counts.
        if (FinePatternDelays())
            fineDelay_ = (SavedBefore(kFineDelaysAddFrom) ? 0 : fineDelay_) + (p & 0x0F);
        break;
    case kCmdSetGlobalVolume:
        globalVolume_ = std::min<int>(p, 64);
        break;
    case kCmdSync:
        statusSync_ = p;
        break;
    case kCmdSetEnvelopePosition:
        SetEnvelopePosition(ch, p);
        break;
    case kCmdMultiRetrig:
        // The tracker counts the first tick of the row towards the retrigger too, unless the
        // volume column command left something other than zero behind.
        if (p & 0x0F) ch.retrigSpeed = p & 0x0F;
        if (p >> 4) ch.retrigVolume = p >> 4;
        if (left == 0) MultiRetrig(ch);
        break;
    default:
        break;
    }
}

void SongPlayer::TickEffects(ChannelState& ch) {
    const uint8_t v = ch.volumeColumn;
    switch (v >> 4) {
    case 0x6:
        ch.realVolume = ch.outVolume = std::max(ch.realVolume - (v & 0x0F), 0);
        break;
    case 0x7:
        ch.realVolume = ch.outVolume = std::min(ch.realVolume + (v & 0x0F), 64);
        break;
    case 0xB:
        Vibrato(ch);
        break;
    case 0xD: {
        // The tracker adds the negated amount as a byte and clamps on the carry, so a slide
        // by zero lands hard left.
        const int sum = ch.outPanning + ((0 - (v & 0x0F)) & 0xFF);
        ch.outPanning = sum < 0x100 ? 0 : sum - 0x100;
        break;
    }
    case 0xE:
        ch.outPanning = std::min(ch.outPanning + (v & 0x0F), 255);
        break;
    case 0xF:
        TonePorta(ch);
        break;
    default:
        break;
    }

    const uint8_t p = ch.param;
    const int tick = TickNumber();
    switch (ch.command) {
    case kCmdArpeggio:
        if (p) {
            const int step = ArpeggioStep(timer_);
            ch.outPeriod =
                step == 0 ? ch.realPeriod : ArpeggioPeriod(ch, step == 1 ? p >> 4 : p & 0x0F);
        }
        break;
    case kCmdPortaUp:
        if (p) ch.portaUpMemory = p;
        SlidePeriodUp(ch, ch.portaUpMemory << 2);
        break;
    case kCmdPortaDown:
        if (p) ch.portaDownMemory = p;
        SlidePeriodDown(ch, ch.portaDownMemory << 2);
        break;
    case kCmdTonePorta:
        TonePorta(ch);
        break;
    case kCmdVibrato:
        if (p & 0x0F) ch.vibratoDepth = p & 0x0F;
        if (p >> 4) ch.vibratoSpeed = uint8_t((p >> 4) << 2);
        Vibrato(ch);
        break;
    case kCmdTonePortaVolSlide:
        TonePorta(ch);
        VolumeSlide(ch, p);
        break;
    case kCmdVibratoVolSlide:
        Vibrato(ch);
        VolumeSlide(ch, p);
        break;
    case kCmdTremolo:
        if (p & 0x0F) ch.tremoloDepth = p & 0x0F;
        if (p >> 4) ch.tremoloSpeed = uint8_t((p >> 4) << 2);
        Tremolo(ch);
        break;
    case kCmdVolumeSlide:
        VolumeSlide(ch, p);
        break;
    case kCmdGlobalVolumeSlide: {
        if (p) ch.globalSlideMemory = p;
        const int m = ch.globalSlideMemory;
        if (m & 0xF0)
            globalVolume_ = std::min(globalVolume_ + (m >> 4), 64);
        else
            globalVolume_ = std::max(globalVolume_ - (m & 0x0F), 0);
        break;
    }
    case kCmdKeyOff:
        if (tick == (p & 31)) KeyOff(ch);
        break;
    case kCmdPanningSlide: {
        if (p) ch.panSlideMemory = p;
        const int m = ch.panSlideMemory;
        if (m & 0xF0)
            ch.outPanning = std::min(ch.outPanning + (m >> 4), 255);
        else
            ch.outPanning = std::max(ch.outPanning - (m & 0x0F), 0);
        break;
    }
    case kCmdMultiRetrig:
        if (p & 0x0F) ch.retrigSpeed = p & 0x0F;
        if (p >> 4) ch.retrigVolume = p >> 4;
        MultiRetrig(ch);
        break;
    case kCmdTremor: {
        if (p) ch.tremorMemory = p;
        int sign = ch.tremorPos & 0x80;
        int count = (ch.tremorPos & 0x7F) - 1;
        if (count < 0) {
            if (sign) {
                sign = 0;
                count = ch.tremorMemory & 0x0F;
            } else {
                sign = 0x80;
                count = ch.tremorMemory >> 4;
            }
        }
        ch.tremorPos = uint8_t(sign | (count & 0x7F));
        ch.outVolume = sign ? ch.realVolume : 0;
        ch.tremorMuted = !sign;
        ch.quickRamp = true;
        break;
    }
    case kCmdRetrig:
        if ((p & 0x0F) && tick % (p & 0x0F) == 0) {
            StartNote(ch, 0, false, 0, false, 0);
            TriggerInstrument(ch);
        }
        break;
    case kCmdNoteCut:
        if (tick == (p & 0x0F)) {
            ch.realVolume = ch.outVolume = 0;
            ch.quickRamp = true;
        }
        break;
    case kCmdNoteDelay:
        if (tick == (p & 0x0F)) {
            StartNote(ch, ch.rowNote, false, 0, false, 0);
            if (ch.rowInstrument) ResetVolumes(ch);
            TriggerInstrument(ch);
            if (ch.volumeColumn >= 0x10 && ch.volumeColumn <= 0x50)
                ch.realVolume = ch.outVolume = ch.volumeColumn - 0x10;
            else if ((ch.volumeColumn & 0xF0) == 0xC0 && ch.rowNote != 97)
                // The tracker stores the panning of a delayed key-off but never shows it.
                ch.outPanning = (ch.volumeColumn & 0x0F) << 4;
        }
        break;
    default:
        break;
    }
}

void SongPlayer::Vibrato(ChannelState& ch) {
    if ((ch.waveControl & 3) == 3) {
        ch.outPeriod = ch.realPeriod + RandomWave(ch.vibratoPos) * ch.vibratoDepth / 16;
        ch.vibratoPos = uint8_t(ch.vibratoPos + ch.vibratoSpeed);
        return;
    }
    int amount;
    const int index = (ch.vibratoPos >> 2) & 0x1F;
    amount = WaveAmount(ch.waveControl & 3, index, ch.vibratoPos);
    amount = (amount * ch.vibratoDepth) >> 5;
    ch.outPeriod = (ch.vibratoPos & 0x80) ? ch.realPeriod - amount : ch.realPeriod + amount;
    ch.vibratoPos = uint8_t(ch.vibratoPos + ch.vibratoSpeed);
}

void SongPlayer::Tremolo(ChannelState& ch) {
    if (((ch.waveControl >> 4) & 3) == 3) {
        const int quarters = ch.realVolume * 4 + RandomWave(ch.tremoloPos) * ch.tremoloDepth / 8;
        ch.outVolume = std::clamp(quarters, 0, 256) / 4;
        ch.tremoloPos = uint8_t(ch.tremoloPos + ch.tremoloSpeed);
        return;
    }
    int amount;
    const int index = (ch.tremoloPos >> 2) & 0x1F;
    // The tracker's ramp looks at the vibrato position here, not the tremolo one.
    amount = WaveAmount((ch.waveControl >> 4) & 3, index, ch.vibratoPos);
    amount = (amount * ch.tremoloDepth) >> 6;
    if (ch.tremoloPos & 0x80)
        ch.outVolume = std::max(ch.realVolume - amount, 0);
    else
        ch.outVolume = std::min(ch.realVolume + amount, 64);
    ch.tremoloPos = uint8_t(ch.tremoloPos + ch.tremoloSpeed);
}

void SongPlayer::VolumeSlide(ChannelState& ch, uint8_t param) {
    if (param) ch.volumeSlideMemory = param;
    const int m = ch.volumeSlideMemory;
    if (m & 0xF0)
        ch.realVolume = std::min(ch.realVolume + (m >> 4), 64);
    else
        ch.realVolume = std::max(ch.realVolume - (m & 0x0F), 0);
    ch.outVolume = ch.realVolume;
}

void SongPlayer::TonePorta(ChannelState& ch) {
    if (ch.portaDirection == 0) return;
    if (ch.portaDirection > 1) {
        ch.realPeriod -= ch.portaSpeed;
        if (ch.realPeriod <= ch.wantPeriod) {
            ch.portaDirection = 1;
            ch.realPeriod = ch.wantPeriod;
        }
    } else {
        ch.realPeriod += ch.portaSpeed;
        if (ch.realPeriod >= ch.wantPeriod) {
            ch.portaDirection = 1;
            ch.realPeriod = ch.wantPeriod;
        }
    }
    ch.outPeriod = ch.glissando ? ArpeggioPeriod(ch, 0) : ch.realPeriod;
}

void SongPlayer::MultiRetrig(ChannelState& ch) {
    if (++ch.retrigCount < ch.retrigSpeed) return;
    ch.retrigCount = 0;
    int volume = ch.realVolume;
    switch (ch.retrigVolume) {
    case 0x1:
        volume -= 1;
        break;
    case 0x2:
        volume -= 2;
        break;
    case 0x3:
        volume -= 4;
        break;
    case 0x4:
        volume -= 8;
        break;
    case 0x5:
        volume -= 16;
        break;
    case 0x6:
        volume = (volume >> 1) + (volume >> 3) + (volume >> 4);
        break;
    case 0x7:
        volume >>= 1;
        break;
    case 0x9:
        volume += 1;
        break;
    case 0xA:
        volume += 2;
        break;
    case 0xB:
        volume += 4;
        break;
    case 0xC:
        volume += 8;
        break;
    case 0xD:
        volume += 16;
        break;
    case 0xE:
        volume = (volume >> 1) + volume;
        break;
    case 0xF:
        volume += volume;
        break;
    default:
        break;
    }
    ch.realVolume = ch.outVolume = std::clamp(volume, 0, 64);
    if (ch.volumeColumn >= 0x10 && ch.volumeColumn <= 0x50)
        ch.realVolume = ch.outVolume = ch.volumeColumn - 0x10;
    else if ((ch.volumeColumn & 0xF0) == 0xC0)
        ch.outPanning = (ch.volumeColumn & 0x0F) << 4;
    // The reference starts a released note's fade-out over again when it retriggers on a row
    // with an instrument number.
    if (ch.rowInstrument) {
        const InstrumentRecord* instrument = InstrumentAt(ch.playInstrument);
        ch.fadeOutAmp = 32768;
        ch.fadeOutSpeed = instrument ? FieldLoad(instrument->fadeOut) : 0;
    }
    StartNote(ch, 0, false, 0, false, 0);
}

// The reference keeps an envelope's position when a held-back instrument number changes the
// instrument, and goes on with the new instrument's envelopes from there; a position stops at
// the last point and at a sustain point.
void SongPlayer::CarryEnvelopes(ChannelState& ch, int previousInstrument) {
    const InstrumentRecord* before = InstrumentAt(previousInstrument);
    const InstrumentRecord* now = InstrumentAt(ch.playInstrument);
    if (!before || !now) return;
    auto carry = [](EnvelopeState& state, const EnvelopeRecord* from, const EnvelopeRecord* to) {
        if (!from || !to || FieldLoad(from->pointCount) <= 0 || FieldLoad(to->pointCount) <= 0)
            return;
        const int last = std::min<int>(FieldLoad(from->pointCount), kMaxEnvelopePoints) - 1;
        const int held = FieldLoad(from->points[std::clamp(state.point, 0, last)].tick);
        PlaceEnvelope(state, to, std::min(state.counter + 1, held));
    };
    carry(ch.volumeEnvelope, FieldLoad(before->volumeEnvelope), FieldLoad(now->volumeEnvelope));
    carry(ch.panningEnvelope, FieldLoad(before->panningEnvelope), FieldLoad(now->panningEnvelope));
}

void SongPlayer::SetEnvelopePosition(ChannelState& ch, int tick) {
    const InstrumentRecord* instrument = InstrumentAt(ch.playInstrument);
    if (!instrument) return;
    const EnvelopeRecord* volume = FieldLoad(instrument->volumeEnvelope);
    const EnvelopeRecord* panning = FieldLoad(instrument->panningEnvelope);
    if (volume && FieldLoad(volume->pointCount) > 0) PlaceEnvelope(ch.volumeEnvelope, volume, tick);
    // The tracker decides on the panning envelope by the volume envelope's sustain flag.
    if (panning && volume && FieldLoad(volume->sustainPoint) != kEnvelopeNone)
        PlaceEnvelope(ch.panningEnvelope, panning, tick);
}

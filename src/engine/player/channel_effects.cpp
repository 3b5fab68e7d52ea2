// The effect commands, tick 0 and the ticks after it, with the tracker's own memories and
// quirks.
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

} // namespace

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
    return NotePeriod(linear, (low >> 4) + semitones, ch.finetune, Plays(kPlayFullFinetune));
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
        if (Plays(kPlayFinePatternDelays))
            fineDelay_ = (Plays(kPlayLastFineDelayCounts) ? 0 : fineDelay_) + (p & 0x0F);
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

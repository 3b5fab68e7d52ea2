// The effect commands, tick 0 and the ticks after it, with the tracker's own memories and
// quirks.
#include "engine/effect_catalogue.h"
#include "engine/field_access.h"
#include "engine/formats/xm_cell.h"
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

void SetLevel(ChannelState& ch, int volume) {
    ch.realVolume = ch.outVolume = volume;
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
    const uint8_t left = TickZeroVolumeColumn(ch);
    if (TickZeroVolume(ch, left) || TickZeroPitch(ch) || TickZeroPanning(ch)) return;
    TickZeroFlow(ch);
}

// The tracker works the volume column command in its own byte; what is left there decides
// whether a multi-retrigger counts this tick.
uint8_t SongPlayer::TickZeroVolumeColumn(ChannelState& ch) {
    const uint8_t v = ch.volumeColumn;
    const uint8_t n = VolumeCommandParam(v);
    switch (VolumeCommandOf(v)) {
    case VolumeCommand::SetVolume:
        SetLevel(ch, VolumeColumnLevel(v));
        ch.quickRamp = true;
        return uint8_t(ch.realVolume);
    case VolumeCommand::FineSlideDown:
        SetLevel(ch, std::max(ch.realVolume - n, 0));
        return uint8_t(ch.realVolume);
    case VolumeCommand::FineSlideUp:
        SetLevel(ch, std::min(ch.realVolume + n, 64));
        return uint8_t(ch.realVolume);
    case VolumeCommand::VibratoSpeed:
        Remember(ch.vibratoSpeed, uint8_t(n << 2));
        return uint8_t(n << 2);
    case VolumeCommand::Vibrato:
        Remember(ch.vibratoDepth, n);
        if (Plays(kPlayVibratoFirstTick)) VibratoHold(ch);
        return v;
    case VolumeCommand::SetPanning:
        ch.outPanning = n << 4;
        ch.quickRamp = true;
        return uint8_t(n << 4);
    default:
        return v;
    }
}

bool SongPlayer::TickZeroVolume(ChannelState& ch, uint8_t volumeColumnLeft) {
    const uint8_t p = ch.param;
    switch (ch.command) {
    case kCmdSetVolume:
        SetLevel(ch, std::min<int>(p, 64));
        ch.quickRamp = true;
        return true;
    case kCmdFineVolSlideUp:
        SetLevel(ch, std::min(ch.realVolume + Remember(ch.fineVolumeUpMemory, p), 64));
        ch.quickRamp |= Plays(kPlayVolumeSlidesStep);
        return true;
    case kCmdFineVolSlideDown:
        SetLevel(ch, std::max(ch.realVolume - Remember(ch.fineVolumeDownMemory, p), 0));
        ch.quickRamp |= Plays(kPlayVolumeSlidesStep);
        return true;
    case kCmdNoteCut:
        if ((p & 0x0F) == 0) {
            SetLevel(ch, 0);
            ch.quickRamp = true;
        }
        return true;
    case kCmdSetGlobalVolume:
        globalVolume_ = std::min<int>(p, 64);
        return true;
    case kCmdTremoloWaveform:
        ch.waveControl = uint8_t(((p & 0x0F) << 4) | (ch.waveControl & 0x0F));
        return true;
    case kCmdSetEnvelopePosition:
        SetEnvelopePosition(ch, p);
        return true;
    case kCmdMultiRetrig:
        // The tracker counts the first tick of the row towards the retrigger too, unless the
        // volume column command left something other than zero behind.
        Remember(ch.retrigSpeed, uint8_t(p & 0x0F));
        Remember(ch.retrigVolume, uint8_t(p >> 4));
        if (volumeColumnLeft == 0) MultiRetrig(ch);
        return true;
    default:
        return false;
    }
}

bool SongPlayer::TickZeroPitch(ChannelState& ch) {
    const uint8_t p = ch.param;
    switch (ch.command) {
    case kCmdFinePortaUp:
        SlidePeriodUp(ch, Remember(ch.finePortaUpMemory, p) << 2);
        return true;
    case kCmdFinePortaDown:
        SlidePeriodDown(ch, Remember(ch.finePortaDownMemory, p) << 2);
        return true;
    case kCmdExtraFinePortaUp:
        SlidePeriodUp(ch, Remember(ch.extraFineUpMemory, p));
        return true;
    case kCmdExtraFinePortaDown:
        SlidePeriodDown(ch, Remember(ch.extraFineDownMemory, p));
        return true;
    case kCmdGlissando:
        ch.glissando = (p & 0x0F) != 0;
        return true;
    case kCmdVibratoWaveform:
        ch.waveControl = uint8_t((ch.waveControl & 0xF0) | (p & 0x0F));
        return true;
    case kCmdVibrato:
        if (!Plays(kPlayVibratoFirstTick)) return false;
        RememberVibrato(ch, p);
        VibratoHold(ch);
        return true;
    case kCmdVibratoVolSlide:
        if (Plays(kPlayVibratoFirstTick)) VibratoHold(ch);
        return false;
    default:
        return false;
    }
}

bool SongPlayer::TickZeroPanning(ChannelState& ch) {
    const uint8_t p = ch.param;
    switch (ch.command) {
    case kCmdSetPanning:
        ch.outPanning = p;
        ch.quickRamp = true;
        return true;
    case kCmdSetPanning16:
        ch.outPanning = std::min((p & 0x0F) * 17, 255);
        return true;
    case kCmdCoarsePanning:
        ch.outPanning = (p & 0x0F) * 17;
        return true;
    default:
        return false;
    }
}

bool SongPlayer::TickZeroFlow(ChannelState& ch) {
    const uint8_t p = ch.param;
    switch (ch.command) {
    case kCmdPositionJump:
        jumpPosition_ = p;
        breakRow_ = 0;
        jumpFlag_ = true;
        return true;
    case kCmdPatternBreak: {
        const int row = (p >> 4) * 10 + (p & 0x0F);
        breakRow_ = row <= 63 ? row : 0;
        jumpFlag_ = true;
        return true;
    }
    case kCmdSetSpeed:
    case kCmdSetTempo:
        if (p == 0) {
            // Ignored, as the reference plays an XM (and the MOD it may come from): a song
            // converted with a stray F00 plays on to its real end.
        } else if (p < 32) {
            speed_ = p;
            timer_ = speed_; // the new speed already counts for this row
        } else {
            tempo_ = p;
        }
        return true;
    case kCmdPatternLoop:
        if ((p & 0x0F) == 0) {
            ch.loopRow = row_;
        } else if (ch.loopCount == 0 || --ch.loopCount > 0) {
            if (ch.loopCount == 0) ch.loopCount = p & 0x0F;
            breakRow_ = ch.loopRow;
            breakFlag_ = true;
        }
        return true;
    case kCmdPatternDelay:
        if (patternDelayLeft_ == 0) patternDelay_ = (p & 0x0F) + 1;
        return true;
    case kCmdFinePatternDelay:
        // Several on a row add up, except in files from before 1.20, where the last one counts.
        if (Plays(kPlayFinePatternDelays))
            fineDelay_ = (Plays(kPlayLastFineDelayCounts) ? 0 : fineDelay_) + (p & 0x0F);
        return true;
    case kCmdSync:
        statusSync_ = p;
        return true;
    default:
        return false;
    }
}

void SongPlayer::TickEffects(ChannelState& ch) {
    TickVolumeColumn(ch);
    if (TickVolume(ch) || TickPitch(ch) || TickPanning(ch)) return;
    TickNotes(ch);
}

void SongPlayer::TickVolumeColumn(ChannelState& ch) {
    const uint8_t n = VolumeCommandParam(ch.volumeColumn);
    switch (VolumeCommandOf(ch.volumeColumn)) {
    case VolumeCommand::SlideDown:
        SetLevel(ch, std::max(ch.realVolume - n, 0));
        break;
    case VolumeCommand::SlideUp:
        SetLevel(ch, std::min(ch.realVolume + n, 64));
        break;
    case VolumeCommand::Vibrato:
        Vibrato(ch);
        break;
    case VolumeCommand::PanSlideLeft: {
        // The tracker adds the negated amount as a byte and clamps on the carry, so a slide
        // by zero lands hard left.
        const int sum = ch.outPanning + ((0 - n) & 0xFF);
        ch.outPanning = sum < 0x100 ? 0 : sum - 0x100;
        break;
    }
    case VolumeCommand::PanSlideRight:
        ch.outPanning = std::min(ch.outPanning + n, 255);
        break;
    case VolumeCommand::TonePorta:
        TonePorta(ch);
        break;
    default:
        break;
    }
}

bool SongPlayer::TickVolume(ChannelState& ch) {
    const uint8_t p = ch.param;
    switch (ch.command) {
    case kCmdTremolo:
        Remember(ch.tremoloDepth, uint8_t(p & 0x0F));
        Remember(ch.tremoloSpeed, uint8_t((p >> 4) << 2));
        Tremolo(ch);
        return true;
    case kCmdVolumeSlide:
        VolumeSlide(ch, p);
        return true;
    case kCmdGlobalVolumeSlide: {
        const int m = Remember(ch.globalSlideMemory, p);
        if (m & 0xF0)
            globalVolume_ = std::min(globalVolume_ + (m >> 4), 64);
        else
            globalVolume_ = std::max(globalVolume_ - (m & 0x0F), 0);
        return true;
    }
    case kCmdMultiRetrig:
        Remember(ch.retrigSpeed, uint8_t(p & 0x0F));
        Remember(ch.retrigVolume, uint8_t(p >> 4));
        MultiRetrig(ch);
        return true;
    case kCmdTremor:
        Tremor(ch);
        return true;
    default:
        return false;
    }
}

bool SongPlayer::TickPitch(ChannelState& ch) {
    const uint8_t p = ch.param;
    switch (ch.command) {
    case kCmdArpeggio:
        if (p) {
            const int step = Plays(kPlayArpeggioByRowTick) ? rowTick_ % 3 : ArpeggioStep(timer_);
            ch.outPeriod =
                step == 0 ? ch.realPeriod : ArpeggioPeriod(ch, step == 1 ? p >> 4 : p & 0x0F);
        }
        return true;
    case kCmdPortaUp:
        SlidePeriodUp(ch, Remember(ch.portaUpMemory, p) << 2);
        return true;
    case kCmdPortaDown:
        SlidePeriodDown(ch, Remember(ch.portaDownMemory, p) << 2);
        return true;
    case kCmdTonePorta:
        TonePorta(ch);
        return true;
    case kCmdVibrato:
        RememberVibrato(ch, p);
        Vibrato(ch);
        return true;
    case kCmdTonePortaVolSlide:
        TonePorta(ch);
        VolumeSlide(ch, p);
        return true;
    case kCmdVibratoVolSlide:
        Vibrato(ch);
        VolumeSlide(ch, p);
        return true;
    default:
        return false;
    }
}

bool SongPlayer::TickPanning(ChannelState& ch) {
    if (ch.command != kCmdPanningSlide) return false;
    const int m = Remember(ch.panSlideMemory, ch.param);
    if (m & 0xF0)
        ch.outPanning = std::min(ch.outPanning + (m >> 4), 255);
    else
        ch.outPanning = std::max(ch.outPanning - (m & 0x0F), 0);
    return true;
}

// Commands that key off, cut, retrigger or start the row's note on a later tick.
bool SongPlayer::TickNotes(ChannelState& ch) {
    const uint8_t p = ch.param;
    const int tick = TickNumber();
    switch (ch.command) {
    case kCmdKeyOff:
        if (tick == (p & 31)) KeyOff(ch);
        return true;
    case kCmdRetrig:
        if ((p & 0x0F) && tick % (p & 0x0F) == 0) {
            ReplayNote(ch);
            TriggerInstrument(ch);
        }
        return true;
    case kCmdNoteCut:
        if (tick == (p & 0x0F)) {
            SetLevel(ch, 0);
            ch.quickRamp = true;
        }
        return true;
    case kCmdNoteDelay:
        if (tick == (p & 0x0F)) {
            StartNote(ch, NoteStart{.note = ch.rowNote});
            if (ch.rowInstrument) ResetVolumes(ch);
            TriggerInstrument(ch);
            // The tracker stores the panning of a delayed key-off but never shows it.
            ReapplyVolumeColumn(ch, ch.rowNote != kXMKeyOff);
        }
        return true;
    default:
        return false;
    }
}

void SongPlayer::Tremor(ChannelState& ch) {
    const uint8_t memory = Remember(ch.tremorMemory, ch.param);
    int sign = ch.tremorPos & 0x80;
    int count = (ch.tremorPos & 0x7F) - 1;
    if (count < 0) {
        if (sign) {
            sign = 0;
            count = memory & 0x0F;
        } else {
            sign = 0x80;
            count = memory >> 4;
        }
    }
    ch.tremorPos = uint8_t(sign | (count & 0x7F));
    ch.outVolume = sign ? ch.realVolume : 0;
    ch.tremorMuted = !sign;
    ch.quickRamp = true;
}

// After a retrigger or a delayed note, a set-volume or (when `panning`) set-panning command in
// the volume column applies again.
void SongPlayer::ReapplyVolumeColumn(ChannelState& ch, bool panning) {
    const VolumeCommand command = VolumeCommandOf(ch.volumeColumn);
    if (command == VolumeCommand::SetVolume)
        SetLevel(ch, VolumeColumnLevel(ch.volumeColumn));
    else if (command == VolumeCommand::SetPanning && panning)
        ch.outPanning = VolumeCommandParam(ch.volumeColumn) << 4;
}

void SongPlayer::RememberVibrato(ChannelState& ch, uint8_t param) {
    Remember(ch.vibratoDepth, uint8_t(param & 0x0F));
    Remember(ch.vibratoSpeed, uint8_t((param >> 4) << 2));
}

// The vibrato's offset at its present position, which stays for the next tick.
void SongPlayer::VibratoHold(ChannelState& ch) {
    const uint8_t pos = ch.vibratoPos;
    Vibrato(ch);
    ch.vibratoPos = pos;
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
    const int m = Remember(ch.volumeSlideMemory, param);
    if (m & 0xF0)
        ch.realVolume = std::min(ch.realVolume + (m >> 4), 64);
    else
        ch.realVolume = std::max(ch.realVolume - (m & 0x0F), 0);
    ch.outVolume = ch.realVolume;
    ch.quickRamp |= Plays(kPlayVolumeSlidesStep);
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
    ReapplyVolumeColumn(ch, true);
    // The reference starts a released note's fade-out over again when it retriggers on a row
    // with an instrument number.
    if (ch.rowInstrument) {
        const InstrumentRecord* instrument = InstrumentAt(ch.playInstrument);
        ch.fadeOutAmp = 32768;
        ch.fadeOutSpeed = instrument ? FieldLoad(instrument->fadeOut) : 0;
    }
    ReplayNote(ch);
}

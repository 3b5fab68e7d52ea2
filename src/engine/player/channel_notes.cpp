// Note triggering: new notes, instruments, key-offs and the envelope positions they set, with
// the quirks of the tracker that saved the file.
#include "engine/effect_catalogue.h"
#include "engine/field_access.h"
#include "engine/formats/xm_cell.h"
#include "engine/player/period_tables.h"
#include "engine/player/song_player.h"

#include <algorithm>

namespace {

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
    if (ch.rowInstrument) ch.instrument = ch.rowInstrument;
    if (ch.command == kCmdNoteDelay && ch.param != 0) return; // the note starts on a later tick
    // A retrigger without a speed replays the note even on a row that has none.
    const bool checkEffects = !(ch.command == kCmdRetrig && ch.param == 0);
    if (!checkEffects || !RowWithoutNote(ch)) {
        if (ch.rowNote == kXMKeyOff)
            RowKeyOff(ch);
        else
            RowNote(ch);
    }
    TickZeroEffects(ch);
}

// Rows whose note a tone portamento takes up, a key-off command, and rows with no note at all;
// false when the row's note is to start or key off.
bool SongPlayer::RowWithoutNote(ChannelState& ch) {
    if (VolumeCommandOf(ch.volumeColumn) == VolumeCommand::TonePorta) {
        Remember(ch.portaSpeed, VolumeCommandParam(ch.volumeColumn) << 6);
        PrepareTonePorta(ch);
        return true;
    }
    if (ch.command == kCmdTonePorta || ch.command == kCmdTonePortaVolSlide) {
        if (ch.command == kCmdTonePorta) Remember(ch.portaSpeed, ch.param << 2);
        PrepareTonePorta(ch);
        return true;
    }
    if (ch.command == kCmdKeyOff && ch.param == 0) {
        KeyOff(ch);
        if (ch.rowInstrument) ResetVolumes(ch);
        return true;
    }
    if (ch.rowNote != kXMNoteNone) return false;
    if (ch.rowInstrument) LoneInstrument(ch);
    return true;
}

void SongPlayer::LoneInstrument(ChannelState& ch) {
    // Before any note, the reference lets the next note take the instrument up with its
    // sample's volume and panning.
    if (ch.playInstrument == 0) ch.firstInstrumentPending = true;
    const bool keyOn = ch.keyOn;
    ResetVolumes(ch);
    TriggerInstrument(ch);
    // With the older key-offs a lone instrument number restarts the envelopes but leaves a
    // released note released. The next note takes the instrument up and keys the channel on
    // again.
    if (Plays(kPlayKeyOffOnlyCuts) && !keyOn) {
        ch.keyOn = false;
        ch.instrumentPending = true;
    }
}

void SongPlayer::RowKeyOff(ChannelState& ch) {
    if (KeyOffOnlyCuts(ch)) {
        ch.realVolume = ch.outVolume = 0;
        ch.quickRamp = true;
    } else {
        KeyOff(ch);
    }
    if (ch.rowInstrument) {
        // The sample's volume and panning come back: nothing was cut, so the level glides.
        ResetVolumes(ch);
        ch.quickRamp = false;
        // The reference holds the instrument number back for the next note, which takes it up
        // keyed on again.
        ch.instrumentPending = true;
    }
}

void SongPlayer::RowNote(ChannelState& ch) {
    const int instrument = ch.rowInstrument;
    const int previous = ch.playInstrument;
    StartNote(ch, NoteStart{.note = ch.rowNote,
                            .setFinetune = ch.command == kCmdSetFinetune,
                            .finetuneParam = ch.param,
                            .sampleOffset = ch.command == kCmdSampleOffset,
                            .offsetParam = ch.param});
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
}

void SongPlayer::StartNote(ChannelState& ch, const NoteStart& start) {
    uint8_t note = start.note;
    if (note == kXMKeyOff) {
        KeyOff(ch);
        return;
    }
    if (note == kXMNoteNone) {
        note = ch.note; // a retrigger replays the last note
        if (note == kXMNoteNone) return;
    }
    ch.note = note;
    ch.playInstrument = ch.instrument;
    note = std::min<uint8_t>(note, kXMNoteHighest);

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
    if (start.setFinetune)
        ch.finetune = ((start.finetuneParam & 0x0F) << 4) - 128;
    else
        ch.finetune = sample ? std::clamp(FieldLoad(sample->finetune), -128, 127) : 0;

    // A note one semitone below C-0 plays at C-0.
    ch.realPeriod = ch.outPeriod =
        NotePeriod(Linear(), std::max(shifted - 1, 0), ch.finetune, Plays(kPlayFullFinetune));
    ch.trigger = true;
    ch.quickRamp = true;
    if (start.sampleOffset) {
        ch.startOffset = int32_t(Remember(ch.offsetMemory, start.offsetParam)) << 8;
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

// The older reading of a bare key-off on an instrument without volume envelope: the volume
// drops to zero but the note stays keyed on, so no fade-out follows and a later volume slide
// brings it back.
bool SongPlayer::KeyOffOnlyCuts(const ChannelState& ch) const {
    if (!Plays(kPlayKeyOffOnlyCuts) || ch.rowInstrument) return false;
    if (VolumeCommandOf(ch.volumeColumn) == VolumeCommand::SetVolume || ch.command == kCmdSetVolume)
        return false;
    const InstrumentRecord* instrument = InstrumentAt(ch.playInstrument);
    const EnvelopeRecord* volume = instrument ? FieldLoad(instrument->volumeEnvelope) : nullptr;
    return !volume || FieldLoad(volume->pointCount) == 0;
}

void SongPlayer::PrepareTonePorta(ChannelState& ch) {
    if (ch.rowNote == kXMKeyOff) {
        KeyOff(ch);
    } else if (ch.rowNote > 0) {
        const int shifted = ch.rowNote + ch.relativeNote;
        if (shifted >= 0 && shifted < 120) {
            ch.wantPeriod = NotePeriod(Linear(), std::max(shifted - 1, 0), ch.finetune,
                                       Plays(kPlayFullFinetune));
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

// Once per tick and channel: envelopes, fade-out and auto-vibrato turn the effect state into
// the final volume, panning and period, which then drive the channel's voice.
#include "engine/field_access.h"
#include "engine/player/period_tables.h"
#include "engine/player/song_player.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// Output level of a full-scale voice at full volume, matched to the reference player.
constexpr float kAmplification = 0.375f;
// Gain changes are spread out so they do not click; falls take longer than rises,
// as in the reference player (16 and 42 frames at 44.1 kHz).
constexpr double kRampUpMs = 0.363;
constexpr double kRampDownMs = 0.952;
// Files saved by the original tracker get its softer 5 ms ramps both ways.
constexpr double kOriginalRampMs = 5.0;

// One tick of an envelope; answers its value << 8 (0..64 << 8). `loopKeyOn` is the key as the
// previous tick left it: the reference decides the jump at a loop end a tick early, so a key-off
// on the very tick the loop end is reached still loops once more.
int RunEnvelope(EnvelopeState& e, const EnvelopeRecord& env, bool keyOn, bool loopKeyOn) {
    const int count = std::min<int>(FieldLoad(env.pointCount), kMaxEnvelopePoints);
    auto t = [&](int i) { return int(FieldLoad(env.points[i].tick)); };
    auto v = [&](int i) { return std::clamp(int(FieldLoad(env.points[i].value)), 0, 64); };
    const int sustain = FieldLoad(env.sustainPoint);
    const int loopStart = FieldLoad(env.loopStart);
    const int loopEnd = FieldLoad(env.loopEnd);
    const bool hasSustain = sustain < count;
    const bool hasLoop = loopStart < count && loopEnd < count && loopStart <= loopEnd;

    int point = std::clamp(e.point, 0, count - 1);
    bool reachedPoint = false;
    if (++e.counter == t(point)) {
        e.amplitude = v(point) << 8;
        ++point;
        if (hasLoop) {
            --point;
            // A loop ending on the sustain point stops looping once the key is released.
            if (point == loopEnd && (!hasSustain || point != sustain || loopKeyOn)) {
                point = loopStart;
                e.counter = t(point);
                e.amplitude = v(point) << 8;
            }
            ++point;
        }
        if (point < count) {
            if (hasSustain && keyOn && point - 1 == sustain) {
                e.delta = 0;
            } else {
                e.point = point;
                e.delta = 0;
                if (t(point) > t(point - 1)) {
                    e.delta = ((v(point) - v(point - 1)) << 8) / (t(point) - t(point - 1));
                    reachedPoint = true;
                }
            }
        } else {
            e.delta = 0;
        }
    }
    if (!reachedPoint) {
        e.amplitude += e.delta;
        if (e.amplitude < 0 || e.amplitude > (64 << 8)) {
            e.amplitude = std::clamp(e.amplitude, 0, 64 << 8);
            e.delta = 0;
        }
    }
    return e.amplitude;
}

} // namespace

void SongPlayer::UpdateOutput(int channel) {
    ChannelState& ch = channels_[channel];
    const InstrumentRecord* instrument = InstrumentAt(ch.playInstrument);

    if (!ch.keyOn) {
        ch.fadeOutAmp -= ch.fadeOutSpeed;
        if (ch.fadeOutAmp <= 0) {
            ch.fadeOutAmp = 0;
            ch.fadeOutSpeed = 0;
        }
    }

    const EnvelopeRecord* volumeEnv = instrument ? FieldLoad(instrument->volumeEnvelope) : nullptr;
    const EnvelopeRecord* panEnv = instrument ? FieldLoad(instrument->panningEnvelope) : nullptr;
    double envelope = 1.0;
    if (volumeEnv && FieldLoad(volumeEnv->pointCount) > 0)
        envelope = double(RunEnvelope(ch.volumeEnvelope, *volumeEnv, ch.keyOn, ch.keyOnBefore)) /
                   (64 << 8);
    const int volume = ch.tremorMuted ? 0 : ch.outVolume;
    ch.finalVolume = float(double(volume) / 64.0 * envelope * double(ch.fadeOutAmp) / 32768.0 *
                           double(globalVolume_) / 64.0);

    ch.finalPanning = ch.outPanning;
    if (panEnv && FieldLoad(panEnv->pointCount) > 0) {
        const int value =
            RunEnvelope(ch.panningEnvelope, *panEnv, ch.keyOn, ch.keyOnBefore) - (32 << 8);
        const int room = 128 - std::abs(ch.outPanning - 128);
        ch.finalPanning = std::clamp(ch.outPanning + ((value * room) >> 13), 0, 255);
    }

    ch.keyOnBefore = ch.keyOn;

    const int depth = instrument ? FieldLoad(instrument->vibratoDepth) : 0;
    if (depth > 0) {
        int amp;
        if (ch.autoVibratoSweep > 0) {
            amp = ch.autoVibratoSweep;
            if (ch.keyOn) {
                amp += ch.autoVibratoAmp;
                if ((amp >> 8) > depth) {
                    amp = depth << 8;
                    ch.autoVibratoSweep = 0;
                }
                ch.autoVibratoAmp = amp;
            }
        } else {
            amp = ch.autoVibratoAmp;
        }
        ch.autoVibratoPos = (ch.autoVibratoPos + FieldLoad(instrument->vibratoRate)) & 0xFF;
        const int pos = ch.autoVibratoPos;
        int wave;
        switch (FieldLoad(instrument->vibratoType)) {
        case 1:
            wave = pos > 127 ? 64 : -64;
            break;
        case 2:
            wave = (((pos >> 1) + 64) & 127) - 64;
            break;
        case 3:
            wave = ((-(pos >> 1) + 64) & 127) - 64;
            break;
        default:
            wave = AutoVibratoSine(pos);
            break;
        }
        int period = ch.outPeriod + ((wave * amp) >> 14);
        if (period > 32000 - 1) period = 0;
        ch.finalPeriod = period;
    } else {
        ch.finalPeriod = ch.outPeriod;
    }
}

void SongPlayer::UpdateVoice(int channel) {
    ChannelState& ch = channels_[channel];
    Voice& voice = voices_[channel];
    const double upMs = Plays(kPlaySoftRamps) ? kOriginalRampMs : kRampUpMs;
    const double downMs = Plays(kPlaySoftRamps) ? kOriginalRampMs : kRampDownMs;
    const int rampUp = std::max(1, int(std::lround(mixRate_ * upMs / 1000.0)));
    const int rampDown = std::max(1, int(std::lround(mixRate_ * downMs / 1000.0)));
    if (ch.trigger) {
        ch.trigger = false;
        if (voice.active && !voice.Silent()) {
            fading_[channel] = voice;
            fading_[channel].tailL = fading_[channel].tailR = 0; // the tail stays with the voice
            fading_[channel].SetTarget(0, 0, rampDown);
        }
        voice.Stop();
        const SampleView view = SampleView::Of(SampleAt(ch.playInstrument, ch.sample));
        // An offset past the end of the sample silences the note.
        if (view.data && ch.startOffset < view.frames)
            voice.Start(ch.playInstrument, ch.sample, ch.startOffset);
    }
    const bool quickRamp = ch.quickRamp;
    ch.quickRamp = false;
    if (!voice.active) return;

    const double frequency = PeriodToFrequency(Linear(), ch.finalPeriod);
    voice.step = uint64_t(frequency / double(mixRate_) * 4294967296.0);

    const float gain = ch.finalVolume * float(musicVolume_) / 64.0f *
                       float(channelVolume_[channel]) / 64.0f * kAmplification * mixGain_;
    const int pan = std::clamp(ch.finalPanning, 0, 255);
    float left, right;
    switch (panLaw_) {
    case PanLaw::SquareRoot:
        left = gain * std::sqrt(float(256 - pan) / 256.0f);
        right = gain * std::sqrt(float(pan) / 256.0f);
        break;
    case PanLaw::Balance:
        left = gain * float(std::min(256 - pan, 128)) / 256.0f;
        right = gain * float(std::min(pan, 128)) / 256.0f;
        break;
    default:
        left = gain * float(256 - pan) / 256.0f;
        right = gain * float(pan) / 256.0f;
        break;
    }
    const bool falling = left + right < voice.gainL + voice.gainR;
    int ramp = falling ? rampDown : rampUp;
    // A level that moves between two audible values glides over the whole tick, as in the
    // reference player; starts, stops and set commands take the short ramp.
    if (!quickRamp && (voice.gainL != 0 || voice.gainR != 0) && (left != 0 || right != 0))
        ramp = std::clamp(mixRate_ * 5 / (tempo_ * 2), ramp, 2048);
    voice.SetTarget(left, right, ramp);
}

#include "engine/player/song_player.h"

#include "engine/effect_catalogue.h"
#include "engine/engine_lock.h"
#include "engine/field_access.h"
#include "engine/formats/xm_cell.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

SongPlayer::SongPlayer(ModuleRecord* module, int mixRate, bool songMode)
    : module_(module), songMode_(songMode), mixRate_(mixRate > 0 ? mixRate : 44100) {
    std::fill(std::begin(channelVolume_), std::end(channelVolume_), 64);
    const int speed = FieldLoad(module_->speed);
    const int tempo = FieldLoad(module_->tempo);
    speed_ = speed > 0 ? speed : 6;
    tempo_ = tempo >= 32 ? tempo : 125;
    ReadPlaySettings();
}

// The behaviours were decided when the file was read; here the mix mode becomes a pan law and a
// gain. Modes 0 to 2 are the reference's first editor's: linear, with headroom that grows with
// the channel count. Mode 3 balances rather than pans and skips the later modes' halving; 4 is
// linear, 5 the square-root law. The reference reads modes it does not know as mode 0.
void SongPlayer::ReadPlaySettings() {
    play_ = FieldLoad(module_->playBehaviour);
    const int stored = FieldLoad(module_->storedMixMode);
    const int mode = stored == 0 ? 5 : stored - 1 <= 5 ? stored - 1 : 0;
    static constexpr uint8_t kHeadroom[16] = {0x60, 0x60, 0x60, 0x70, 0x80, 0x88, 0x90, 0x98,
                                              0xA0, 0xA4, 0xA8, 0xAC, 0xB0, 0xB4, 0xB8, 0xBC};
    panLaw_ = mode == 5 ? PanLaw::SquareRoot : mode == 3 ? PanLaw::Balance : PanLaw::Linear;
    mixGain_ = 1.0f;
    if (mode <= 2) mixGain_ = 64.0f / float(kHeadroom[std::min(ChannelCount(), 31) / 2]);
    if (mode == 3) mixGain_ = 2.0f;
    if (const int preAmp = FieldLoad(module_->storedPreAmp)) mixGain_ *= float(preAmp) / 48.0f;
}

int SongPlayer::ChannelCount() const {
    return std::clamp(int(FieldLoad(module_->channelCount)), 1, kMaxChannels);
}

void SongPlayer::SetMixRate(int rate) {
    if (rate > 0) mixRate_ = rate;
}

bool SongPlayer::Linear() const {
    return (FieldLoad(module_->flags) & kModuleFlagLinear) != 0;
}

const InstrumentRecord* SongPlayer::InstrumentAt(int oneBased) const {
    if (oneBased < 1 || oneBased > kMaxInstruments) return nullptr;
    return FieldLoad(module_->instruments[oneBased - 1]);
}

const SampleRecord* SongPlayer::SampleAt(int oneBased, int slot) const {
    const InstrumentRecord* instrument = InstrumentAt(oneBased);
    if (!instrument || slot < 0 || slot >= kMaxSamples) return nullptr;
    return FieldLoad(instrument->samples[slot]);
}

void SongPlayer::StartSection(int first, int last, int restart, bool loop) {
    const int length = std::clamp(FieldLoad(module_->songLength), 0, kMaxPositions);
    first_ = std::clamp(first, 0, std::max(length - 1, 0));
    last_ = std::clamp(last, first_, std::max(length - 1, 0));
    restart_ = (restart >= first_ && restart <= last_) ? restart : first_;
    loop_ = loop;
    ReadPlaySettings();
    for (int c = 0; c < kMaxChannels; ++c) {
        channels_[c] = ChannelState{};
        voices_[c].Stop();
        fading_[c].Stop();
    }
    const int speed = FieldLoad(module_->speed);
    const int tempo = FieldLoad(module_->tempo);
    speed_ = speed > 0 ? speed : 6;
    tempo_ = tempo >= 32 ? tempo : 125;
    const int storedGlobal = FieldLoad(module_->storedGlobalVolume);
    globalVolume_ = storedGlobal ? (storedGlobal - 1) / 4 : 64;
    statusLoops_ = 0;
    songEnded_ = false;
    playing_ = songMode_ && length > 0;
    finished_ = !playing_ && songMode_;
    if (playing_) SetPosition(first_);
}

void SongPlayer::SetPosition(int position) {
    if (!songMode_) return;
    const int length = std::clamp(FieldLoad(module_->songLength), 0, kMaxPositions);
    if (length <= 0) return;
    position %= length;
    if (position < 0) position += length;
    if (position < first_ || position > last_) position = first_;
    std::memset(visited_, 0, sizeof visited_);
    visitedLoops_.Clear();
    timer_ = 1;
    patternDelay_ = patternDelayLeft_ = fineDelay_ = 0;
    breakRow_ = 0;
    breakFlag_ = jumpFlag_ = false;
    jumpPosition_ = -1;
    for (ChannelState& ch : channels_) ch.loopRow = ch.loopCount = 0;
    if (!playing_) {
        playing_ = true;
        finished_ = false;
    }
    EnterPosition(position, 0);
}

int SongPlayer::PatternRows(int pattern) const {
    if (pattern < 0 || pattern >= kMaxPatterns || pattern >= FieldLoad(module_->patternCount))
        return 0;
    const PatternRecord* p = FieldLoad(module_->patterns[pattern]);
    if (!p) return 0;
    return std::clamp(FieldLoad(p->rowCount), 0, kMaxRows);
}

// Moves to `position` (skipping positions whose pattern does not exist) at `row`. Passing the
// section's end continues at the restart position or, without looping, ends playback.
bool SongPlayer::EnterPosition(int position, int row) {
    const int span = last_ - first_ + 1;
    for (int tries = 0; tries <= span + 1; ++tries) {
        if (position > last_ || position < first_) {
            if (!loop_) {
                Halt();
                return false;
            }
            position = restart_;
            statusLoops_.fetch_add(1, std::memory_order_relaxed);
        }
        const int pattern = FieldLoad(module_->orders[position]) & 0xFF;
        const int rows = PatternRows(pattern);
        if (rows > 0) {
            position_ = position;
            pattern_ = pattern;
            rowCount_ = rows;
            row_ = row < rows ? row : 0;
            statusPosition_ = position_;
            statusPattern_ = pattern_;
            return true;
        }
        ++position;
        row = 0;
    }
    // No position of the section names a pattern that exists.
    Halt();
    return false;
}

void SongPlayer::Halt() {
    playing_ = false;
    finished_ = true;
    songEnded_ = true;
    for (int c = 0; c < kMaxChannels; ++c) {
        channels_[c].trigger = false;
        CutNote(c);
    }
}

// A row counts as played again only when the pattern loop counters stand as they did then, so
// loops run their course but an endless loop ends the song.
void SongPlayer::MarkVisited() {
    std::array<uint64_t, 3> key{(uint64_t(position_) << 8) | uint64_t(row_), 0, 0};
    for (int c = 0; c < kMaxChannels; ++c)
        key[1 + c / 16] |= uint64_t(channels_[c].loopCount & 0x0F) << (4 * (c % 16));
    if (key[1] == 0 && key[2] == 0) {
        uint64_t& word = visited_[position_][row_ >> 6];
        const uint64_t bit = uint64_t(1) << (row_ & 63);
        if (word & bit) songEnded_ = true;
        word |= bit;
        return;
    }
    if (!visitedLoops_.Insert(key)) songEnded_ = true;
}

void SongPlayer::ReadRow() {
    rowCount_ = PatternRows(pattern_);
    if (row_ >= rowCount_) row_ = 0;
    MarkVisited();
    fineDelay_ = 0;
    statusRow_ = row_;
    statusPosition_ = position_;
    statusPattern_ = pattern_;

    const PatternRecord* pattern = rowCount_ > 0 ? FieldLoad(module_->patterns[pattern_]) : nullptr;
    const bool unpacked = pattern && PatternIsUnpacked(pattern);
    const int tracks = unpacked ? int(FieldLoad(pattern->word0) & 0xFF) : 0;
    const int channels = ChannelCount();
    for (int c = 0; c < channels; ++c) {
        uint8_t cell[kCellSize] = {0, kNoteNone, kInstrumentNone, kVolumeNone, 0, 0};
        if (c < tracks && tracks <= kMaxChannels) {
            const uint8_t* bytes = pattern->data + size_t(row_) * RowStride(tracks) + c * kCellSize;
            for (int b = 0; b < kCellSize; ++b) cell[b] = FieldLoad(bytes[b]);
        }
        ChannelState& ch = channels_[c];
        ch.rowNote = XMNoteOf(cell[kCellNote]);
        ch.rowInstrument = XMInstrumentOf(cell[kCellInstrument]);
        const uint8_t command = cell[kCellCommand] < kEffectCount ? cell[kCellCommand] : 0;
        // The previous row's arpeggio or vibrato leaves the period where the note put it.
        if ((ch.command == kCmdArpeggio && ch.param) ||
            ((ch.command == kCmdVibrato || ch.command == kCmdVibratoVolSlide) &&
             command != kCmdVibrato && command != kCmdVibratoVolSlide))
            ch.outPeriod = ch.realPeriod;
        ch.volumeColumn = XMVolumeOf(cell[kCellVolume]);
        ch.command = command;
        ch.param = cell[kCellParam];
        NewNote(ch);
    }
    for (int c = channels; c < kMaxChannels; ++c) channels_[c].command = channels_[c].param = 0;
}

void SongPlayer::NextRow() {
    ++row_;
    if (patternDelay_ > 0) {
        patternDelayLeft_ = patternDelay_;
        patternDelay_ = 0;
    }
    if (patternDelayLeft_ > 0 && --patternDelayLeft_ > 0) --row_;
    if (breakFlag_) {
        breakFlag_ = false;
        row_ = breakRow_;
    }
    rowCount_ = PatternRows(pattern_);
    if (row_ >= rowCount_ || jumpFlag_) {
        const int row = breakRow_;
        breakRow_ = 0;
        jumpFlag_ = false;
        const int next = jumpPosition_ >= 0 ? jumpPosition_ : position_ + 1;
        jumpPosition_ = -1;
        EnterPosition(next, row);
    }
}

void SongPlayer::AdvanceTick() {
    const int channels = ChannelCount();
    if (songMode_ && playing_) {
        bool tickZero = false;
        if (--timer_ <= 0) {
            timer_ = speed_;
            tickZero = true;
        }
        const bool readRow = tickZero && patternDelayLeft_ == 0;
        rowTick_ = readRow ? 0 : rowTick_ + 1;
        if (readRow) ReadRow();
        // Fine pattern delays lengthen the row and every repeat of it alike.
        if (tickZero) timer_ += fineDelay_;
        if (!readRow)
            for (int c = 0; c < channels; ++c) TickEffects(channels_[c]);
        // Preview notes on channels beyond the song's still run their effects.
        for (int c = channels; c < kMaxChannels; ++c) TickEffects(channels_[c]);
    } else {
        for (ChannelState& ch : channels_) TickEffects(ch);
    }
    for (int c = 0; c < kMaxChannels; ++c) {
        UpdateOutput(c);
        UpdateVoice(c);
    }
    if (songMode_ && playing_ && timer_ == 1) NextRow();

    // A whole number of frames per tick, the fraction dropped, as the tracker's mixer counts.
    framesLeft_ = std::max(1, mixRate_ * 5 / (tempo_ * 2));
}

void SongPlayer::MixChannel(int c, float* out, int frames, bool interpolate) {
    for (Voice* v : {&voices_[c], &fading_[c]}) {
        MixTail(*v, out, frames);
        if (!v->active) continue;
        const SampleView view = v->Bounded(SampleView::Of(SampleAt(v->instrument, v->sample)));
        MixVoice(*v, view, out, frames, interpolate);
    }
    if (fading_[c].active && fading_[c].rampLeft == 0) fading_[c].Stop();
}

void SongPlayer::Render(float* out, int frames, bool interpolate) {
    if (metering_) return RenderMetered(out, frames, interpolate);
    for (int c = 0; c < kMaxChannels; ++c) MixChannel(c, out, frames, interpolate);
}

void SongPlayer::RenderMetered(float* out, int frames, bool interpolate) {
    for (int done = 0; done < frames;) {
        const int n = std::min(frames - done, kMeterChunk);
        float* at = out + 2 * done;
        for (int c = 0; c < kMaxChannels; ++c) {
            const bool sounding = voices_[c].active || fading_[c].active || voices_[c].tailL != 0 ||
                                  voices_[c].tailR != 0 || fading_[c].tailL != 0 ||
                                  fading_[c].tailR != 0;
            if (!sounding) {
                MixChannel(c, at, n, interpolate);
                continue;
            }
            std::copy(at, at + 2 * n, meterBefore_);
            MixChannel(c, at, n, interpolate);
            float peak = 0;
            for (int i = 0; i < 2 * n; ++i)
                peak = std::max(peak, std::fabs(at[i] - meterBefore_[i]));
            if (peak > peaks_[c].load(std::memory_order_relaxed))
                peaks_[c].store(peak, std::memory_order_relaxed);
        }
        done += n;
    }
}

float SongPlayer::TakePeak(int channel) {
    if (channel < 0 || channel >= kMaxChannels) return 0;
    return peaks_[channel].exchange(0, std::memory_order_relaxed);
}

void SongPlayer::Pull(float* out, int frames, bool interpolate) {
    while (frames > 0) {
        EngineLock lock;
        if (detached_) return;
        if (framesLeft_ <= 0) AdvanceTick();
        const int n = std::min(framesLeft_, frames);
        Render(out, n, interpolate);
        framesLeft_ -= n;
        frames -= n;
        out += 2 * n;
    }
}

PlayerStatus SongPlayer::Status() const {
    return PlayerStatus{statusPosition_.load(), statusPattern_.load(), statusRow_.load(),
                        statusSync_.load(), statusLoops_.load()};
}

void SongPlayer::SetTempo(int tempo) {
    if (tempo >= 32 && tempo <= 255) tempo_ = tempo;
}

void SongPlayer::SetSpeed(int speed) {
    if (speed < 1 || speed > 31) return;
    speed_ = speed;
    if (timer_ > speed_) timer_ = speed_;
}

void SongPlayer::SetChannelVolume(int channel, int volume) {
    if (channel >= 0 && channel < kMaxChannels) channelVolume_[channel] = std::clamp(volume, 0, 64);
}

void SongPlayer::PlayNote(int channel, int instrument, int sample, uint8_t note, int32_t from,
                          int32_t to) {
    if (channel < 0 || channel >= kMaxChannels) return;
    ChannelState& ch = channels_[channel];
    const uint8_t trackerNote = XMNoteOf(note);
    if (trackerNote == kXMNoteNone || trackerNote == kXMKeyOff) return;
    ch.instrument = instrument + 1;
    ch.fixedSample = sample;
    ch.rowNote = trackerNote;
    ch.rowInstrument = uint8_t(std::min(instrument + 1, 255));
    ch.volumeColumn = 0;
    ch.command = ch.param = 0;
    StartNote(ch, NoteStart{.note = trackerNote});
    ch.startOffset = std::max(from, 0);
    ch.fixedSample = -1;
    ResetVolumes(ch);
    TriggerInstrument(ch);
    UpdateOutput(channel);
    UpdateVoice(channel);
    if (voices_[channel].active && to > ch.startOffset) voices_[channel].endFrame = to;
}

void SongPlayer::ReleaseNote(int channel) {
    if (channel < 0 || channel >= kMaxChannels) return;
    KeyOff(channels_[channel]);
}

void SongPlayer::CutNote(int channel) {
    if (channel < 0 || channel >= kMaxChannels) return;
    ChannelState& ch = channels_[channel];
    ch.realVolume = ch.outVolume = 0;
    ch.finalVolume = 0;
    if (voices_[channel].active) {
        fading_[channel] = voices_[channel];
        fading_[channel].SetTarget(0, 0, mixRate_ / 1000);
    }
    voices_[channel].Stop();
}

ChannelVoice SongPlayer::VoiceOf(int channel) const {
    if (channel < 0 || channel >= kMaxChannels) return {};
    const ChannelState& ch = channels_[channel];
    const Voice& voice = voices_[channel];
    return ChannelVoice{
        voice.active, ch.playInstrument, ch.note,        ch.keyOn,
        voice.sample, ch.startOffset,    voice.endFrame, int32_t(voice.position >> 32)};
}

void SongPlayer::SampleChanged(int instrument, int sample) {
    // Voices re-read the record on every render; only an emptied slot stops them here.
    const SampleRecord* record = SampleAt(instrument + 1, sample);
    if (record && FieldLoad(record->data)) return;
    for (int c = 0; c < kMaxChannels; ++c)
        for (Voice* v : {&voices_[c], &fading_[c]})
            if (v->instrument == instrument + 1 && v->sample == sample) v->Stop();
}

void SongPlayer::InstrumentRemoved(int instrument) {
    const int removed = instrument + 1;
    auto shift = [removed](int& slot) {
        if (slot == removed)
            slot = 0;
        else if (slot > removed)
            --slot;
    };
    for (int c = 0; c < kMaxChannels; ++c) {
        for (Voice* v : {&voices_[c], &fading_[c]}) {
            if (v->instrument == removed) v->Stop();
            shift(v->instrument);
        }
        shift(channels_[c].instrument);
        shift(channels_[c].playInstrument);
    }
}

void SongPlayer::InstrumentInserted(int instrument) {
    const int inserted = instrument + 1;
    for (int c = 0; c < kMaxChannels; ++c) {
        for (Voice* v : {&voices_[c], &fading_[c]})
            if (v->instrument >= inserted) ++v->instrument;
        if (channels_[c].instrument >= inserted) ++channels_[c].instrument;
        if (channels_[c].playInstrument >= inserted) ++channels_[c].playInstrument;
    }
}

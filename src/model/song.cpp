#include "model/song.h"

#include "engine/engine_lock.h"
#include "engine/field_access.h"
#include "model/audio.h"
#include "model/errors.h"
#include "model/names.h"

TSong::TSong(const std::string& fileName) {
    module_ = SNDloadModule(fileName.c_str());
    if (!module_) throw ESongError(SNDgetErrorMessage(SNDgetLastError()));
    try {
        for (int i = 0; i < module_->instrumentCount; ++i)
            instruments_.push_back(std::make_unique<TInstrument>(this, i));
        for (int i = 0; i < module_->patternCount; ++i)
            patterns_.push_back(std::make_unique<TPattern>(this, i));
        for (int i = 0; i < module_->channelCount; ++i) {
            channels_.push_back(std::make_unique<TChannel>(this, i));
            channelPool_.push_back(channels_.back().get());
        }
    } catch (...) {
        instruments_.clear();
        patterns_.clear();
        SNDfreeModule(module_);
        throw;
    }
    StartPreviewPlayer();
    musicVolume_ = 64;
}

TSong::~TSong() {
    instruments_.clear();
    patterns_.clear();
    channelPool_.clear();
    channels_.clear();
    if (playHandle_ != 0) SNDstopModule(playHandle_);
    SNDfreeModule(module_);
}

std::string TSong::Name() const {
    return ReadName(module_->name);
}
void TSong::SetName(const std::string& name) {
    WriteName(module_->name, name);
}

int TSong::SongLength() const {
    int length = module_->songLength;
    if (module_->moduleType == kModuleTypeSkipMarkers)
        while (length > 0 && (module_->orders[length - 1] & 0xFF) >= 254) --length;
    return length;
}

int TSong::Orders(int position) const {
    CW_ASSERT(position >= 0 && position < module_->songLength);
    return module_->orders[position] & 0xFF;
}

void TSong::SetOrders(int position, int pattern) {
    CW_ASSERT(position >= 0 && position < SongLength());
    CW_ASSERT(pattern >= 0 && pattern < PatternCount());
    FieldStore(module_->orders[position], pattern);
    OrderChangedAt(position);
}

void TSong::SetRestartPosition(int position) {
    CW_ASSERT(position >= 0 && position < SongLength());
    const bool wasPlaying = playing_;
    if (wasPlaying) Stop();
    FieldStore(module_->restartPosition, position);
    if (wasPlaying) Resume();
}

void TSong::SetChannelCount(int n) {
    CW_ASSERT(n >= 1 && n <= kMaxChannels);
    if (n == ChannelCount()) return;
    const bool wasPlaying = playing_;
    if (wasPlaying) Stop();
    // The unpacked layout depends on the channel count.
    for (auto& pattern : patterns_) pattern->Pack();
    if (n > ChannelCount()) {
        for (int i = ChannelCount(); i < n; ++i) {
            channels_.push_back(std::make_unique<TChannel>(this, i));
            channelPool_.push_back(channels_.back().get());
        }
    } else {
        for (int i = ChannelCount() - 1; i >= n; --i) {
            std::erase(channelPool_, channels_[size_t(i)].get());
            channels_.pop_back();
        }
    }
    FieldStore(module_->channelCount, n);
    for (auto& pattern : patterns_) pattern->Unpack();
    if (wasPlaying) Resume();
}

TPattern* TSong::Patterns(int index) const {
    CW_ASSERT(index >= 0 && index < int(patterns_.size()));
    return patterns_[size_t(index)].get();
}

TInstrument* TSong::Instruments(int index) const {
    CW_ASSERT(index >= 0 && index < int(instruments_.size()));
    return instruments_[size_t(index)].get();
}

TChannel* TSong::Channels(int index) const {
    CW_ASSERT(index >= 0 && index < int(channels_.size()));
    return channels_[size_t(index)].get();
}

void TSong::SetSpeed(int speed) {
    FieldStore(module_->speed, speed);
    if (playing_) CheckAudio(PLYRsetPlaySpeed(playHandle_, speed));
}

void TSong::SetTempo(int tempo) {
    FieldStore(module_->tempo, tempo);
    if (playing_) CheckAudio(PLYRsetPlayTempo(playHandle_, tempo));
}

void TSong::SetMusicVolume(int volume) {
    if (playHandle_ != 0) CheckAudio(SNDsetMusicVolume(playHandle_, volume));
    musicVolume_ = volume;
}

void TSong::NewSample(int instrument, int slot) {
    CW_ASSERT(instrument >= 0 && instrument < InstrumentCount());
    CheckAudio(PLYRnewSample(module_, instrument, slot));
    FieldStore(module_->sampleCount, module_->sampleCount + 1);
}

void TSong::RemoveSample(int instrument, int slot) {
    CW_ASSERT(instrument >= 0 && instrument < InstrumentCount());
    CheckAudio(PLYRremoveSample(module_, instrument, slot));
    FieldStore(module_->sampleCount, module_->sampleCount - 1);
}

void TSong::ResetSample(int instrument, int slot) {
    CW_ASSERT(instrument >= 0 && instrument < InstrumentCount());
    CW_ASSERT(slot >= 0 && slot < Instruments(instrument)->SampleCount());
    CheckAudio(PLYRresetSample(module_, instrument, slot));
}

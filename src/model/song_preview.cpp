// Note preview ("keyjazz"): notes sounded on free channels of the running or preview player.
#include "model/audio.h"
#include "model/errors.h"
#include "model/notes.h"
#include "model/song.h"

#include <algorithm>

int TSong::AllocChannel() {
    for (size_t tries = channelPool_.size(); tries > 0; --tries) {
        TChannel* channel = channelPool_.front();
        channelPool_.pop_front();
        channelPool_.push_back(channel);
        if (channel->KeyJazz && !channel->Muted) return channel->Index;
    }
    return -1;
}

int TSong::PlayInstrumentNote(int instrument, uint8_t note) {
    Audio().ResumeOutput();
    if (Audio().Suspended || note == kNoteNone || !IsValidNote(note)) return -1;
    CW_ASSERT(instrument >= 0 && instrument < InstrumentCount());
    if (Instruments(instrument)->SampleCount() == 0) return -1;
    StartPreviewPlayer();
    if (playHandle_ == 0) return -1;
    const int channel = AllocChannel();
    if (channel != -1) {
        StopNote(channel);
        CheckAudio(PLYRplayInstrumentNote(playHandle_, channel, instrument, note));
    }
    return channel;
}

int TSong::PlaySampleNote(int instrument, int sample, uint8_t note, int from, int to) {
    CW_ASSERT(instrument >= 0 && instrument < InstrumentCount());
    CW_ASSERT(sample >= 0 && sample < Instruments(instrument)->SampleCount());
    Audio().ResumeOutput();
    if (Audio().Suspended || note == kNoteNone || !IsValidNote(note)) return -1;
    StartPreviewPlayer();
    if (playHandle_ == 0) return -1;
    const int channel = AllocChannel();
    if (channel != -1) {
        StopNote(channel);
        CheckAudio(PLYRplaySampleRange(playHandle_, channel, instrument, sample, note,
                                       std::max(from, 0), to));
    }
    return channel;
}

void TSong::ReleaseNote(int channel) {
    if (channel == -1) return;
    CW_ASSERT(channel >= 0 && channel < kMaxChannels);
    if (playHandle_ != 0) CheckAudio(PLYRreleaseNote(playHandle_, channel));
}

void TSong::StopNote(int channel) {
    CW_ASSERT(channel >= 0 && channel < kMaxChannels);
    if (playHandle_ != 0) CheckAudio(PLYRstopNote(playHandle_, channel));
}

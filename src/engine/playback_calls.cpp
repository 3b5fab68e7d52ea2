// The playback calls of the sound library, on top of the playback engine and its players.
#include "engine/engine_lock.h"
#include "engine/field_access.h"
#include "engine/formats/xm_cell.h"
#include "engine/playback_engine.h"
#include "engine/player_hooks.h"
#include "engine/sndlib.h"

#include <string>

namespace {

PlaybackEngine& Engine() {
    return PlaybackEngine::Get();
}

std::shared_ptr<SongPlayer> PlayerOf(PlayHandle handle) {
    auto player = handle ? Engine().Find(handle) : nullptr;
    if (!player)
        SNDfail(kSndErrArgument, "play handle " + std::to_string(handle) + " is not playing");
    return player;
}

bool ValidChannel(int channel) {
    if (channel >= 0 && channel < kMaxChannels) return true;
    return SNDfail(kSndErrArgument, "channel " + std::to_string(channel) + " is out of range");
}

bool CheckModule(const ModuleRecord* module) {
    if (!module) return SNDfail(kSndErrArgument, "no module given");
    if (!Engine().Initialised()) return SNDfail(kSndErrState, "the engine is not initialised");
    return true;
}

bool ValidNote(uint8_t note) {
    const int semitone = note & 0x0F;
    if (semitone < 12 && (note >> 4) * 12 + semitone <= 96) return true;
    return SNDfail(kSndErrArgument, "note byte " + std::to_string(note) + " is not a note");
}

} // namespace

bool SNDstartup() {
    return Engine().Startup();
}
bool SNDsetOption(int32_t option, intptr_t value) {
    return Engine().SetOption(option, value);
}
bool SNDinit() {
    return Engine().Init();
}
bool SNDstartBackgroundPlay(int32_t rate) {
    return Engine().StartOutput(rate);
}
bool SNDstopBackgroundPlay() {
    return Engine().StopOutput();
}
bool SNDclose() {
    return Engine().Close();
}
bool SNDsuspend() {
    return Engine().Suspend();
}
bool SNDresume() {
    return Engine().Resume();
}

PlayHandle SNDplayModule(ModuleRecord* module, bool loop) {
    if (!module) return SNDfail(kSndErrArgument, "no module given"), 0;
    const int last = std::max(FieldLoad(module->songLength) - 1, 0);
    return SNDplayModuleSection(module, 0, last, FieldLoad(module->restartPosition), loop);
}

PlayHandle SNDplayModuleSection(ModuleRecord* module, int first, int last, int restart, bool loop) {
    if (!CheckModule(module) || !PLYRdecompressAllPatterns(module)) return 0;
    const int length = FieldLoad(module->songLength);
    if (length <= 0) return SNDfail(kSndErrArgument, "the song has no positions"), 0;
    if (first < 0 || first >= length || last < first || last >= length)
        return SNDfail(kSndErrArgument, "positions " + std::to_string(first) + ".." +
                                            std::to_string(last) + " are not in the song"),
               0;
    auto player = std::make_shared<SongPlayer>(module, Engine().MixRate(), true);
    player->EnableMeters();
    {
        EngineLock lock;
        player->StartSection(first, last, restart, loop);
    }
    return Engine().Add(std::move(player));
}

bool SNDsetPosition(PlayHandle handle, int position) {
    auto player = PlayerOf(handle);
    if (!player) return false;
    EngineLock lock;
    player->SetPosition(position);
    return true;
}

bool SNDgetPlayStatus(PlayHandle handle, PlayStatusRecord* status) {
    if (!status) return SNDfail(kSndErrArgument, "no status record given");
    auto player = PlayerOf(handle);
    if (!player) return false;
    const PlayerStatus s = player->Status();
    *status = PlayStatusRecord{s.position, s.pattern, s.row, s.sync, s.loopCount};
    return true;
}

bool SNDtakeChannelPeaks(PlayHandle handle, float* peaks, int count) {
    if (!peaks || count < 0) return SNDfail(kSndErrArgument, "no peak array given");
    auto player = PlayerOf(handle);
    if (!player) return false;
    for (int c = 0; c < count; ++c) peaks[c] = player->TakePeak(c);
    return true;
}

bool SNDstopModule(PlayHandle handle) {
    if (!Engine().Remove(handle))
        return SNDfail(kSndErrArgument,
                       "play handle " + std::to_string(handle) + " is not playing");
    return true;
}

bool SNDsetMusicVolume(PlayHandle handle, int volume) {
    if (volume < 0 || volume > 64) return SNDfail(kSndErrArgument, "music volume is 0..64");
    auto player = PlayerOf(handle);
    if (!player) return false;
    EngineLock lock;
    player->SetMusicVolume(volume);
    return true;
}

bool SNDfadeMusicChannel(PlayHandle handle, int channel, int volume) {
    if (!ValidChannel(channel)) return false;
    if (volume < 0 || volume > 64) return SNDfail(kSndErrArgument, "channel volume is 0..64");
    auto player = PlayerOf(handle);
    if (!player) return false;
    EngineLock lock;
    player->SetChannelVolume(channel, volume);
    return true;
}

bool PLYRsetPlayTempo(PlayHandle handle, int tempo) {
    if (tempo < 32 || tempo > 255) return SNDfail(kSndErrArgument, "tempo is 32..255");
    auto player = PlayerOf(handle);
    if (!player) return false;
    EngineLock lock;
    player->SetTempo(tempo);
    return true;
}

bool PLYRsetPlaySpeed(PlayHandle handle, int speed) {
    if (speed < 1 || speed > 31) return SNDfail(kSndErrArgument, "speed is 1..31");
    auto player = PlayerOf(handle);
    if (!player) return false;
    EngineLock lock;
    player->SetSpeed(speed);
    return true;
}

PlayHandle PLYRplayModuleInstruments(ModuleRecord* module) {
    if (!CheckModule(module)) return 0;
    return Engine().Add(std::make_shared<SongPlayer>(module, Engine().MixRate(), false));
}

bool PLYRplayInstrumentNote(PlayHandle handle, int channel, int instrument, uint8_t note) {
    if (!ValidChannel(channel) || !ValidNote(note)) return false;
    if (instrument < 0 || instrument >= kMaxInstruments)
        return SNDfail(kSndErrArgument,
                       "instrument " + std::to_string(instrument) + " is out of range");
    auto player = PlayerOf(handle);
    if (!player) return false;
    EngineLock lock;
    player->PlayNote(channel, instrument, -1, note);
    return true;
}

bool PLYRplaySampleNote(PlayHandle handle, int channel, int instrument, int sample, uint8_t note) {
    if (!ValidChannel(channel) || !ValidNote(note)) return false;
    if (instrument < 0 || instrument >= kMaxInstruments || sample < 0 || sample >= kMaxSamples)
        return SNDfail(kSndErrArgument, "instrument or sample number out of range");
    auto player = PlayerOf(handle);
    if (!player) return false;
    EngineLock lock;
    player->PlayNote(channel, instrument, sample, note);
    return true;
}

bool PLYRplaySampleRange(PlayHandle handle, int channel, int instrument, int sample, uint8_t note,
                         int32_t from, int32_t to) {
    if (!ValidChannel(channel) || !ValidNote(note)) return false;
    if (instrument < 0 || instrument >= kMaxInstruments || sample < 0 || sample >= kMaxSamples)
        return SNDfail(kSndErrArgument, "instrument or sample number out of range");
    if (from < 0) return SNDfail(kSndErrArgument, "the range starts before the sample");
    auto player = PlayerOf(handle);
    if (!player) return false;
    EngineLock lock;
    player->PlayNote(channel, instrument, sample, note, from, to);
    return true;
}

bool PLYRreleaseNote(PlayHandle handle, int channel) {
    if (!ValidChannel(channel)) return false;
    auto player = PlayerOf(handle);
    if (!player) return false;
    EngineLock lock;
    player->ReleaseNote(channel);
    return true;
}

bool PLYRgetVoiceStatus(PlayHandle handle, int channel, VoiceStatusRecord* status) {
    if (!ValidChannel(channel)) return false;
    if (!status) return SNDfail(kSndErrArgument, "no status record given");
    auto player = PlayerOf(handle);
    if (!player) return false;
    EngineLock lock;
    const ChannelVoice voice = player->VoiceOf(channel);
    status->instrument = voice.active ? voice.instrument - 1 : -1;
    status->note = NoteFromXM(voice.xmNote);
    status->keyOn = voice.keyOn;
    status->sample = voice.active ? voice.sample : -1;
    status->startFrame = voice.startFrame;
    status->endFrame = voice.endFrame;
    status->frame = voice.frame;
    return true;
}

bool PLYRstopNote(PlayHandle handle, int channel) {
    if (!ValidChannel(channel)) return false;
    auto player = PlayerOf(handle);
    if (!player) return false;
    EngineLock lock;
    player->CutNote(channel);
    return true;
}

void PlayerSampleChanged(ModuleRecord* module, int instrument, int sample) {
    Engine().ForEachPlayer([&](SongPlayer& player) {
        if (player.Module() == module) player.SampleChanged(instrument, sample);
    });
}

void PlayerInstrumentRemoved(ModuleRecord* module, int instrument) {
    Engine().ForEachPlayer([&](SongPlayer& player) {
        if (player.Module() == module) player.InstrumentRemoved(instrument);
    });
}

void PlayerInstrumentInserted(ModuleRecord* module, int instrument) {
    Engine().ForEachPlayer([&](SongPlayer& player) {
        if (player.Module() == module) player.InstrumentInserted(instrument);
    });
}

// Placeholder until the player lands: every playback call refuses honestly.
#include "engine/player_hooks.h"
#include "engine/sndlib.h"

namespace {
bool Unavailable() { return SNDfail(kSndErrUnsupported, "the player is not built yet"); }
} // namespace

bool SNDstartup() { return Unavailable(); }
bool SNDsetOption(int32_t, intptr_t) { return Unavailable(); }
bool SNDinit() { return Unavailable(); }
bool SNDstartBackgroundPlay(int32_t) { return Unavailable(); }
bool SNDstopBackgroundPlay() { return Unavailable(); }
bool SNDclose() { return Unavailable(); }
bool SNDsuspend() { return Unavailable(); }
bool SNDresume() { return Unavailable(); }
PlayHandle SNDplayModule(ModuleRecord*, bool) { return Unavailable(), 0; }
PlayHandle SNDplayModuleSection(ModuleRecord*, int, int, int, bool) { return Unavailable(), 0; }
bool SNDsetPosition(PlayHandle, int) { return Unavailable(); }
bool SNDgetPlayStatus(PlayHandle, PlayStatusRecord*) { return Unavailable(); }
bool SNDstopModule(PlayHandle) { return Unavailable(); }
bool SNDsetMusicVolume(PlayHandle, int) { return Unavailable(); }
bool SNDfadeMusicChannel(PlayHandle, int, int) { return Unavailable(); }
bool PLYRsetPlayTempo(PlayHandle, int) { return Unavailable(); }
bool PLYRsetPlaySpeed(PlayHandle, int) { return Unavailable(); }
PlayHandle PLYRplayModuleInstruments(ModuleRecord*) { return Unavailable(), 0; }
bool PLYRplayInstrumentNote(PlayHandle, int, int, uint8_t) { return Unavailable(); }
bool PLYRplaySampleNote(PlayHandle, int, int, int, uint8_t) { return Unavailable(); }
bool PLYRreleaseNote(PlayHandle, int) { return Unavailable(); }
bool PLYRstopNote(PlayHandle, int) { return Unavailable(); }

void PlayerSampleChanged(ModuleRecord*, int, int) {}
void PlayerInstrumentRemoved(ModuleRecord*, int) {}
void PlayerInstrumentInserted(ModuleRecord*, int) {}

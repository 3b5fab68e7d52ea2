#include "model/channel.h"

#include "engine/sndlib.h"
#include "model/errors.h"
#include "model/song.h"

void TChannel::SetMuted(bool flag) {
    Muted = flag;
    ApplyVolume();
}

void TChannel::ApplyVolume() {
    if (Song->PlayHandle() != 0)
        CheckAudio(SNDfadeMusicChannel(Song->PlayHandle(), Index, Muted ? 0 : Volume));
}

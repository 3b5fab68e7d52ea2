#include "model/audio.h"

#include "engine/sndlib.h"
#include "model/errors.h"

namespace {
TAudio* installed = nullptr;
}

TAudio& Audio() {
    CW_ASSERT(installed);
    return *installed;
}

TAudio::TAudio() {
    if (!installed) installed = this;
}

TAudio::~TAudio() {
    if (installed == this) installed = nullptr;
    if (!Active) return;
    SNDstopBackgroundPlay();
    SNDclose();
}

void TAudio::StartUp() {
    CW_ASSERT(!Active);
    Active = SNDstartup() && SNDsetOption(kOptMixRate, MixRate) &&
             SNDsetOption(kOptOutputMode, OutputMode) &&
             SNDsetOption(kOptInterpolation, MixingMode) &&
             SNDsetOption(kOptMixBuffer, BufferLength);
    if (Active && UseDirectSound)
        Active = SNDsetOption(kOptDirectSoundBuffer, DSoundBufferLength) &&
                 SNDsetOption(kOptDirectSound, 1) && SNDsetOption(kOptWindowHandle, WindowHandle);
    if (Active) Active = SNDinit() && SNDstartBackgroundPlay(0);
    // No device: fall back to silent output, which still advances playback in real time.
    if (!Active)
        Active = SNDsetOption(kOptSilentOutput, 1) && SNDinit() && SNDstartBackgroundPlay(0);
}

void TAudio::ShutDown() {
    CW_ASSERT(Active);
    const bool ok = SNDstopBackgroundPlay() && SNDclose();
    Active = false;
    Suspended = false;
    CheckAudio(ok);
}

void TAudio::SuspendOutput() {
    CW_ASSERT(Active);
    if (Suspended) return;
    Suspended = true;
    SNDsuspend();
}

void TAudio::ResumeOutput() {
    if (!Suspended) return;
    bool ok = SNDsetOption(kOptMixRate, MixRate) && SNDsetOption(kOptInterpolation, MixingMode) &&
              SNDsetOption(kOptMixBuffer, BufferLength) &&
              SNDsetOption(kOptDirectSoundBuffer, DSoundBufferLength) &&
              SNDsetOption(kOptWindowHandle, WindowHandle);
    if (ok && !UseDirectSound) ok = SNDsetOption(kOptDirectSound, 0);
    if (ok) ok = SNDresume();
    if (ok) Suspended = false;
}

void TAudio::ReapplyIfRunning() {
    if (!Active || Suspended) return;
    SuspendOutput();
    ResumeOutput();
}

void TAudio::SetMixingMode(int mode) {
    MixingMode = mode;
    ReapplyIfRunning();
}

void TAudio::SetBufferLength(int ms) {
    BufferLength = ms;
    ReapplyIfRunning();
}

void TAudio::SetDSoundBufferLength(int ms) {
    DSoundBufferLength = ms;
    ReapplyIfRunning();
}

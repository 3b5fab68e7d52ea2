// Song and pattern playback, seeking and position polling.
#include "model/audio.h"
#include "model/errors.h"
#include "model/song.h"

#include <chrono>
#include <thread>

namespace {

int64_t NowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// How long a seek waits for the player to report the new position before carrying on.
constexpr int64_t kPositionWaitMs = 1000;

} // namespace

void TSong::Play(bool loop) {
    Audio().ResumeOutput();
    if (Audio().Suspended) return;
    if (playing_) Stop();
    StopPlayer();
    const int position = CurrentPosition();
    const ::PlayHandle handle = SNDplayModule(module_, loop);
    CW_ASSERT(handle != 0);
    playHandle_ = handle;
    ApplyVolumes();
    CheckAudio(SNDsetPosition(playHandle_, position));
    playMode_ = 0;
    loopFlag_ = loop;
    playing_ = true;
    playStartTick_ = NowMs();
}

void TSong::PlayPattern(bool loop) {
    Audio().ResumeOutput();
    if (Audio().Suspended) return;
    const int position = playStatus_.position;
    if (playing_) Stop();
    StopPlayer();
    const ::PlayHandle handle = SNDplayModuleSection(module_, position, position, position, loop);
    CW_ASSERT(handle != 0);
    playHandle_ = handle;
    ApplyVolumes();
    playMode_ = 1;
    loopFlag_ = loop;
    playStartTick_ = NowMs();
    playing_ = true;
}

void TSong::Stop() {
    Audio().ResumeOutput();
    if (Audio().Suspended || !playing_) return;
    CheckAudio(SNDgetPlayStatus(playHandle_, &playStatus_));
    CheckAudio(SNDstopModule(playHandle_));
    playHandle_ = 0;
    playing_ = false;
}

void TSong::Rewind() {
    Audio().ResumeOutput();
    if (Audio().Suspended) return;
    playStatus_ = {};
    if (playing_) CheckAudio(SNDsetPosition(playHandle_, 0));
}

void TSong::Resume() {
    if (playMode_ == 0)
        Play(loopFlag_);
    else
        PlayPattern(loopFlag_);
}

void TSong::StopPlayer() {
    if (playHandle_ == 0) return;
    CheckAudio(SNDstopModule(playHandle_));
    playHandle_ = 0;
}

void TSong::StartPreviewPlayer() {
    if (playing_ || playHandle_ != 0 || module_->moduleType != kModuleTypeXM) return;
    playHandle_ = PLYRplayModuleInstruments(module_);
}

void TSong::ApplyVolumes() {
    CW_ASSERT(playHandle_ != 0);
    SetMusicVolume(musicVolume_);
    for (auto& channel : channels_) channel->ApplyVolume();
}

void TSong::RefreshStatus() {
    // Right after a start the engine's status still describes what it played before.
    if (playing_ && NowMs() - playStartTick_ > 2 * int64_t(Audio().BufferLength))
        CheckAudio(SNDgetPlayStatus(playHandle_, &playStatus_));
}

int TSong::CurrentPosition() {
    RefreshStatus();
    return playStatus_.position;
}

int TSong::CurrentRow() {
    RefreshStatus();
    return playStatus_.row;
}

int TSong::CurrentPattern() {
    const int position = CurrentPosition();
    if (position < 0 || position >= module_->songLength) return -1;
    return Orders(position);
}

void TSong::WaitForPosition(int position, bool untilDifferent) {
    const int64_t deadline = NowMs() + kPositionWaitMs;
    while (NowMs() < deadline) {
        const int current = CurrentPosition();
        if (untilDifferent ? current != position : current == position) return;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

void TSong::SetPosition(int position) {
    const int length = SongLength();
    if (length <= 0) return;
    position %= length;
    if (position < 0) position += length;
    const int old = CurrentPosition();
    if (!playing_) {
        playStatus_.position = position;
        playStatus_.row = 0;
        return;
    }
    Stop();
    playStatus_.position = position;
    playStatus_.row = 0;
    Resume();
    if (playMode_ == 0 && position != old) WaitForPosition(old, true);
}

void TSong::OrderChangedAt(int position) {
    if (!playing_ || position != CurrentPosition()) return;
    if (playMode_ == 1) {
        Stop();
        Resume();
        return;
    }
    CheckAudio(SNDsetPosition(playHandle_, position));
    if (position != 0) WaitForPosition(position, false);
}

void TSong::TakeChannelPeaks(float* peaks, int count) const {
    std::fill(peaks, peaks + count, 0.0f);
    if (playing_ && playHandle_ != 0) SNDtakeChannelPeaks(playHandle_, peaks, count);
}

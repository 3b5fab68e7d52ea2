#include "engine/playback_engine.h"

#include "engine/engine_lock.h"
#include "engine/output/sample_format.h"

#include <algorithm>
#include <cstring>

namespace {

bool KnownOutputMode(intptr_t mode) {
    return mode == 5 || mode == 6 || mode == 9 || mode == 10;
}

} // namespace

PlaybackEngine& PlaybackEngine::Get() {
    static PlaybackEngine engine;
    return engine;
}

bool PlaybackEngine::Startup() {
    if (driver_) StopOutput();
    options_ = EngineOptions{};
    interpolate_ = options_.interpolation;
    started_ = true;
    initialised_ = false;
    suspended_ = false;
    return true;
}

bool PlaybackEngine::SetOption(int32_t option, intptr_t value) {
    switch (option) {
    case kOptMixRate:
        if (value < 8000 || value > 96000)
            return SNDfail(kSndErrArgument,
                           "mixing rate " + std::to_string(value) + " Hz is out of range");
        options_.mixRate = int(value);
        return true;
    case kOptOutputMode:
        if (!KnownOutputMode(value))
            return SNDfail(kSndErrArgument, "output mode " + std::to_string(value) + " is unknown");
        options_.outputMode = int(value);
        return true;
    case kOptMixBuffer:
    case kOptDirectSoundBuffer:
        if (value < 5 || value > 5000)
            return SNDfail(kSndErrArgument,
                           "buffer length " + std::to_string(value) + " ms is out of range");
        (option == kOptMixBuffer ? options_.bufferMs : options_.directSoundBufferMs) = int(value);
        return true;
    case kOptDirectSound:
        options_.directSound = value != 0;
        return true;
    case kOptWindowHandle:
        return true; // no window is needed for output here
    case kOptInterpolation:
        options_.interpolation = value != 0;
        interpolate_ = options_.interpolation;
        return true;
    case kOptSilentOutput:
        options_.silent = value != 0;
        return true;
    default:
        return SNDfail(kSndErrArgument, "option " + std::to_string(option) + " is unknown");
    }
}

bool PlaybackEngine::Init() {
    if (!started_) return SNDfail(kSndErrState, "the engine has not been started up");
    initialised_ = true;
    return true;
}

bool PlaybackEngine::OpenDriver() {
    format_.rate = requestedRate_ > 0 ? requestedRate_ : options_.mixRate;
    format_.stereo = (options_.outputMode & 2) != 0;
    format_.sixteenBit = (options_.outputMode & 8) != 0;
    format_.bufferMs = options_.directSound ? options_.directSoundBufferMs : options_.bufferMs;
    rate_ = format_.rate;
    driver_ = options_.silent ? MakeSilentDriver() : MakeSdlDriver();
    std::string error;
    if (!driver_->Open(
            format_, [this](uint8_t* out, int bytes) { Fill(out, bytes); }, error)) {
        driver_.reset();
        return SNDfail(kSndErrDevice, error);
    }
    EngineLock lock;
    ForEachPlayer([this](SongPlayer& player) { player.SetMixRate(format_.rate); });
    return true;
}

bool PlaybackEngine::StartOutput(int rate) {
    if (!initialised_) return SNDfail(kSndErrState, "the engine is not initialised");
    if (driver_) return true;
    if (rate < 0 || rate > 96000) return SNDfail(kSndErrArgument, "mixing rate out of range");
    requestedRate_ = rate;
    suspended_ = false;
    return OpenDriver();
}

bool PlaybackEngine::StopOutput() {
    if (driver_) {
        driver_->Close();
        driver_.reset();
    }
    suspended_ = false;
    return true;
}

bool PlaybackEngine::Close() {
    StopOutput();
    {
        // No output, so no mix can hold a player any more.
        std::lock_guard lock(playersMutex_);
        players_.clear();
        PublishLocked(nullptr);
        retired_.clear();
    }
    initialised_ = false;
    started_ = false;
    return true;
}

bool PlaybackEngine::Suspend() {
    if (!initialised_) return SNDfail(kSndErrState, "the engine is not initialised");
    if (driver_) {
        driver_->Close();
        driver_.reset();
        suspended_ = true;
    }
    return true;
}

bool PlaybackEngine::Resume() {
    if (!initialised_) return SNDfail(kSndErrState, "the engine is not initialised");
    if (!suspended_ || driver_) return true;
    if (!OpenDriver()) return false;
    suspended_ = false;
    return true;
}

PlayHandle PlaybackEngine::Add(std::shared_ptr<SongPlayer> player) {
    player->SetMixRate(rate_.load());
    std::lock_guard lock(playersMutex_);
    const PlayHandle handle = nextHandle_++;
    if (nextHandle_ == 0) nextHandle_ = 1;
    players_.emplace_back(handle, std::move(player));
    PublishLocked(nullptr);
    return handle;
}

std::shared_ptr<SongPlayer> PlaybackEngine::Find(PlayHandle handle) {
    std::lock_guard lock(playersMutex_);
    for (auto& [h, player] : players_)
        if (h == handle) return player;
    return nullptr;
}

bool PlaybackEngine::Remove(PlayHandle handle) {
    // The engine lock first, as the hooks that walk the players take it before the list's. A
    // mix already holding the player finds it detached at its next piece and never reads the
    // module, which the caller may free once this returns.
    EngineLock engine;
    std::lock_guard lock(playersMutex_);
    for (auto it = players_.begin(); it != players_.end(); ++it) {
        if (it->first != handle) continue;
        it->second->Detach();
        std::shared_ptr<SongPlayer> removed = std::move(it->second);
        players_.erase(it);
        PublishLocked(std::move(removed));
        return true;
    }
    return false;
}

void PlaybackEngine::PublishLocked(std::shared_ptr<SongPlayer> removed) {
    auto list = std::make_shared<PlayerList>();
    list->players.reserve(players_.size());
    for (auto& entry : players_) list->players.push_back(entry.second.get());
    live_.store(list.get());
    // Read after the new list is out: a mix that began before this may still use the old one.
    const uint64_t epoch = fillEpoch_.load();
    retired_.push_back(Retired{epoch, std::move(published_), std::move(removed)});
    published_ = std::move(list);
    FreeRetiredLocked();
}

void PlaybackEngine::FreeRetiredLocked() {
    const uint64_t now = fillEpoch_.load();
    std::erase_if(retired_,
                  [now](const Retired& r) { return r.fillEpoch % 2 == 0 || now > r.fillEpoch; });
}

void PlaybackEngine::ForEachPlayer(const std::function<void(SongPlayer&)>& fn) {
    std::vector<std::shared_ptr<SongPlayer>> snapshot;
    {
        std::lock_guard lock(playersMutex_);
        for (auto& entry : players_) snapshot.push_back(entry.second);
    }
    for (auto& player : snapshot) fn(*player);
}

void PlaybackEngine::SetBlockObserver(BlockObserver observer) {
    EngineLock lock;
    std::swap(observer_, observer);
    // The old observer is destroyed here, off the mixing thread's path but under the lock it
    // holds while calling it, so no call is under way.
}

void PlaybackEngine::MixInto(float* out, int frames, uint64_t block) {
    std::fill(out, out + 2 * frames, 0.0f);
    const bool interpolate = interpolate_.load();
    if (const PlayerList* list = live_.load())
        for (SongPlayer* player : list->players) player->Pull(out, frames, interpolate);
    EngineLock lock;
    if (observer_) observer_(block, out, frames);
}

void PlaybackEngine::Fill(uint8_t* out, int bytes) {
    fillEpoch_.fetch_add(1); // odd: the players of the live list are in use
    const OutputFormat format = format_;
    const int frameBytes = format.BytesPerFrame();
    const int frames = bytes / frameBytes;
    // Blocks longer than the buffer opened for are mixed in pieces that fit.
    const int piece = kMaxBlockFrames;
    for (int done = 0; done < frames;) {
        const int n = std::min(piece, frames - done);
        const uint64_t block = blocksStarted_.fetch_add(1);
        MixInto(mixBuffer_.data(), n, block);
        ConvertFrames(mixBuffer_.data(), n, format, out + size_t(done) * size_t(frameBytes));
        done += n;
    }
    std::memset(out + size_t(frames) * size_t(frameBytes), format.sixteenBit ? 0 : 128,
                size_t(bytes - frames * frameBytes));
    fillEpoch_.fetch_add(1);
}

// The engine's playing side: start-up options, the output driver and the players it mixes.
// Engine-internal; programs use the calls of sndlib.h.
#pragma once

#include "engine/output/audio_driver.h"
#include "engine/player/song_player.h"
#include "engine/sndlib.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

struct EngineOptions {
    int mixRate = 44100;
    int outputMode = 10;
    int bufferMs = 175;
    bool directSound = false;
    int directSoundBufferMs = 60;
    bool interpolation = true;
    bool silent = false;
};

class PlaybackEngine {
public:
    static PlaybackEngine& Get();

    bool Startup();
    bool SetOption(int32_t option, intptr_t value);
    bool Init();
    bool StartOutput(int rate);
    bool StopOutput();
    bool Close();
    bool Suspend();
    bool Resume();
    bool Running() const { return driver_ != nullptr; }
    bool Initialised() const { return initialised_; }

    PlayHandle Add(std::shared_ptr<SongPlayer> player);
    std::shared_ptr<SongPlayer> Find(PlayHandle handle);
    bool Remove(PlayHandle handle);
    int MixRate() const { return rate_.load(); }
    void ForEachPlayer(const std::function<void(SongPlayer&)>& fn); // caller holds the engine lock

    // Mixes one block in the output format; the drivers call this on their threads.
    void Fill(uint8_t* out, int bytes);

    // Watches every block mixed (float stereo, before conversion), with its sequence number.
    using BlockObserver = std::function<void(uint64_t block, const float* stereo, int frames)>;
    void SetBlockObserver(BlockObserver observer);
    // Blocks whose mixing has begun so far.
    uint64_t BlocksStarted() const { return blocksStarted_.load(); }

private:
    bool OpenDriver();

    EngineOptions options_;
    bool started_ = false;
    bool initialised_ = false;
    bool suspended_ = false;
    int requestedRate_ = 0;
    std::unique_ptr<AudioDriver> driver_;
    OutputFormat format_;
    std::atomic<int> rate_{44100};
    std::atomic<bool> interpolate_{true};

    std::mutex playersMutex_;
    std::vector<std::pair<PlayHandle, std::shared_ptr<SongPlayer>>> players_;
    PlayHandle nextHandle_ = 1;

    std::mutex observerMutex_;
    BlockObserver observer_;
    std::atomic<uint64_t> blocksStarted_{0};
    std::vector<float> mixBuffer_;
};

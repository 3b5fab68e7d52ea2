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

    // Mixes one block in the output format; the drivers call this on their threads. Real-time
    // safe: it allocates nothing and waits on nothing but the engine lock.
    void Fill(uint8_t* out, int bytes);

    // Watches every block mixed (float stereo, before conversion), with its sequence number.
    // Called on the mixing thread under the engine lock.
    using BlockObserver = std::function<void(uint64_t block, const float* stereo, int frames)>;
    void SetBlockObserver(BlockObserver observer);
    // Blocks whose mixing has begun so far.
    uint64_t BlocksStarted() const { return blocksStarted_.load(); }

private:
    // What the mixing thread reads: made and replaced whole on the control side, never changed
    // once published.
    struct PlayerList {
        std::vector<SongPlayer*> players;
    };
    // A list or player the mixer may still hold, kept until the mix that could have read it ends.
    struct Retired {
        uint64_t fillEpoch;
        std::shared_ptr<const PlayerList> list;
        std::shared_ptr<SongPlayer> player;
    };

    bool OpenDriver();
    void PublishLocked(std::shared_ptr<SongPlayer> removed); // caller holds playersMutex_
    void FreeRetiredLocked();
    void MixInto(float* out, int frames, uint64_t block);

    EngineOptions options_;
    bool started_ = false;
    bool initialised_ = false;
    bool suspended_ = false;
    int requestedRate_ = 0;
    std::unique_ptr<AudioDriver> driver_;
    OutputFormat format_;
    std::atomic<int> rate_{44100};
    std::atomic<bool> interpolate_{true};

    // Control side only.
    std::mutex playersMutex_;
    std::vector<std::pair<PlayHandle, std::shared_ptr<SongPlayer>>> players_;
    PlayHandle nextHandle_ = 1;
    std::shared_ptr<const PlayerList> published_;
    std::vector<Retired> retired_;

    // Shared with the mixing thread: the published list, and the count of mixes begun and ended
    // (odd while one is under way).
    std::atomic<const PlayerList*> live_{nullptr};
    std::atomic<uint64_t> fillEpoch_{0};

    BlockObserver observer_; // under the engine lock
    std::atomic<uint64_t> blocksStarted_{0};
    // The longest block the drivers ask for (SDL's largest buffer); longer ones are mixed in
    // pieces, so the mixer never grows its buffer.
    static constexpr int kMaxBlockFrames = 32768;
    std::vector<float> mixBuffer_ = std::vector<float>(2 * size_t(kMaxBlockFrames));
};

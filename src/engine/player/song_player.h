// Plays one module (or, for note preview, only its instruments) as the XM tracker does: one
// AdvanceTick at a time, then Render for that tick's frames. The caller holds the engine lock
// for both. Status fields are atomics so other threads may read them at any time.
#pragma once

#include "engine/mixer/voice.h"
#include "engine/player/channel_state.h"
#include "engine/player/loop_row_set.h"
#include "engine/records.h"

#include <array>
#include <atomic>
#include <cstdint>

struct PlayerStatus {
    int32_t position, pattern, row, sync, loopCount;
};

// What one channel sounds, read under the engine lock.
struct ChannelVoice {
    bool active = false; // its voice is mixing a sample
    int instrument = 0;  // 1-based, 0 none
    uint8_t xmNote = 0;  // the last note started, as an XM note byte
    bool keyOn = false;  // false once released
    int sample = -1;     // 0-based, of the instrument
    int32_t startFrame = 0;
    int32_t endFrame = -1; // a preview of part of the sample ends here
    int32_t frame = 0;     // where the voice is
};

class SongPlayer {
public:
    // `songMode` false makes a preview player: it never reads patterns.
    SongPlayer(ModuleRecord* module, int mixRate, bool songMode);

    // The section of positions to play; `loop` makes the end continue at `restart`.
    void StartSection(int first, int last, int restart, bool loop);
    void SetPosition(int position);

    void AdvanceTick();
    // Adds the stereo frames of the current tick into `out` (interleaved float).
    void Render(float* out, int frames, bool interpolate);
    // Pulls `frames` frames, advancing ticks as needed, locking the engine for each piece.
    void Pull(float* out, int frames, bool interpolate);

    int FramesLeftInTick() const { return framesLeft_; }
    // Cuts the player off its module for good; called under the engine lock when its handle is
    // stopped, so a mix already holding the player never reads a module freed after that.
    void Detach() { detached_ = true; }

    bool Finished() const { return finished_.load(std::memory_order_relaxed); }
    // True once playback would return to a row it already played (offline renders end there).
    bool SongEnded() const { return songEnded_; }
    PlayerStatus Status() const;
    ModuleRecord* Module() const { return module_; }
    int ChannelCount() const;
    void SetMixRate(int rate);

    void SetTempo(int tempo);
    void SetSpeed(int speed);
    void SetMusicVolume(int volume) { musicVolume_ = volume; }
    void SetChannelVolume(int channel, int volume);

    // Note preview on a channel; `sample` -1 goes through the instrument's keyboard map.
    // Frames from..to-1 of the sample only, unlooped, when `to` is past `from`.
    void PlayNote(int channel, int instrument, int sample, uint8_t note, int32_t from = 0,
                  int32_t to = -1);
    void ReleaseNote(int channel);
    void CutNote(int channel);
    ChannelVoice VoiceOf(int channel) const; // caller holds the engine lock

    // Level meters: a live player publishes each channel's output peak as it mixes.
    void EnableMeters() { metering_ = true; }
    // The highest level of the channel's output since the last call (1.0 is full scale).
    float TakePeak(int channel);

    void SampleChanged(int instrument, int sample);
    void InstrumentRemoved(int instrument);
    void InstrumentInserted(int instrument);

private:
    // Sequencing (song_player.cpp).
    void ReadRow();
    void NextRow();
    bool EnterPosition(int position, int row);
    void Halt(); // the song stops: every channel is cut
    void MarkVisited();
    int PatternRows(int pattern) const;

    // Notes and effects (channel_effects.cpp).
    // How a note starts: which note, and the row's finetune and sample offset if any.
    struct NoteStart {
        uint8_t note = 0; // XM note; 0 replays the channel's last note
        bool setFinetune = false;
        uint8_t finetuneParam = 0;
        bool sampleOffset = false;
        uint8_t offsetParam = 0;
    };
    void NewNote(ChannelState& ch);
    bool RowWithoutNote(ChannelState& ch);
    void LoneInstrument(ChannelState& ch);
    void RowKeyOff(ChannelState& ch);
    void RowNote(ChannelState& ch);
    void StartNote(ChannelState& ch, const NoteStart& start);
    void ReplayNote(ChannelState& ch) { StartNote(ch, NoteStart{}); }
    void ReapplyVolumeColumn(ChannelState& ch, bool panning);
    void ResetVolumes(ChannelState& ch);
    void TriggerInstrument(ChannelState& ch);
    void KeyOff(ChannelState& ch);
    bool KeyOffOnlyCuts(const ChannelState& ch) const;
    void PrepareTonePorta(ChannelState& ch);
    // Tick 0 and later ticks: the volume column first, then the command by its family; each
    // family returns false for a command that is not one of its own.
    void TickZeroEffects(ChannelState& ch);
    uint8_t TickZeroVolumeColumn(ChannelState& ch);
    bool TickZeroVolume(ChannelState& ch, uint8_t volumeColumnLeft);
    bool TickZeroPitch(ChannelState& ch);
    bool TickZeroPanning(ChannelState& ch);
    bool TickZeroFlow(ChannelState& ch);
    void TickEffects(ChannelState& ch);
    void TickVolumeColumn(ChannelState& ch);
    bool TickVolume(ChannelState& ch);
    bool TickPitch(ChannelState& ch);
    bool TickPanning(ChannelState& ch);
    bool TickNotes(ChannelState& ch);
    void Tremor(ChannelState& ch);
    void Vibrato(ChannelState& ch);
    void VibratoHold(ChannelState& ch);
    static void RememberVibrato(ChannelState& ch, uint8_t param);
    void Tremolo(ChannelState& ch);
    void VolumeSlide(ChannelState& ch, uint8_t param);
    void TonePorta(ChannelState& ch);
    void MultiRetrig(ChannelState& ch);
    void SetEnvelopePosition(ChannelState& ch, int tick);
    void CarryEnvelopes(ChannelState& ch, int previousInstrument);
    int ArpeggioPeriod(const ChannelState& ch, int semitones) const;

    void MixChannel(int channel, float* out, int frames, bool interpolate);
    void RenderMetered(float* out, int frames, bool interpolate);

    // Envelopes, fade-out, auto-vibrato and the voice update (channel_output.cpp).
    void UpdateOutput(int channel);
    void UpdateVoice(int channel);

    const InstrumentRecord* InstrumentAt(int oneBased) const;
    const SampleRecord* SampleAt(int oneBased, int slot) const;
    bool Linear() const;
    bool Plays(uint32_t behaviour) const { return (play_ & behaviour) != 0; }
    void ReadPlaySettings();
    int TickNumber() const { return speed_ + fineDelay_ - timer_; }

    ModuleRecord* module_;
    bool songMode_;
    int mixRate_;
    ChannelState channels_[kMaxChannels];
    Voice voices_[kMaxChannels];
    Voice fading_[kMaxChannels]; // the previous note of a channel, ramping out
    int channelVolume_[kMaxChannels];
    int musicVolume_ = 64;
    bool detached_ = false; // read and written under the engine lock
    uint32_t play_ = 0;     // the module's kPlay... flags

    // Song state.
    int first_ = 0, last_ = 0, restart_ = 0;
    bool loop_ = true;
    bool playing_ = false;
    int position_ = 0, pattern_ = 0, row_ = 0, rowCount_ = 64;
    int speed_ = 6, tempo_ = 125, timer_ = 1;
    int fineDelay_ = 0; // ticks that fine pattern delays add to the row and each repeat of it
    int rowTick_ = 0;   // ticks since the row was read, through its repeats
    int globalVolume_ = 64;
    int patternDelay_ = 0, patternDelayLeft_ = 0;
    int breakRow_ = 0;
    bool breakFlag_ = false, jumpFlag_ = false;
    int jumpPosition_ = -1;
    bool songEnded_ = false;
    uint64_t visited_[kMaxPositions][kMaxRows / 64] = {};
    LoopRowSet visitedLoops_; // rows reached with loop counters running
    int framesLeft_ = 0;
    // Linear is how the reference pans files it does not know; Balance keeps the near side
    // at full level.
    enum class PanLaw : uint8_t { Linear, SquareRoot, Balance };
    PanLaw panLaw_ = PanLaw::Linear;
    float mixGain_ = 1.0f; // the level the file's stored mix mode and pre-amp add

    std::atomic<int32_t> statusPosition_{0}, statusPattern_{0}, statusRow_{0}, statusSync_{0},
        statusLoops_{0};
    std::atomic<bool> finished_{false};

    // Meter state: the mix before a channel is added, kept to measure what the channel added
    // without changing the order of the sums.
    static constexpr int kMeterChunk = 512;
    bool metering_ = false;
    float meterBefore_[2 * kMeterChunk];
    std::atomic<float> peaks_[kMaxChannels] = {};
};

// The open module: a wrapper over the engine's ModuleRecord that owns the instrument, pattern
// and channel wrappers, and runs playback and note preview.
#pragma once

#include "engine/records.h"
#include "engine/sndlib.h"
#include "model/channel.h"
#include "model/detached.h"
#include "model/instrument.h"
#include "model/pattern.h"

#include <array>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

class TSong {
public:
    // Loads a module file; raises ESongError with the engine's message when it cannot.
    explicit TSong(const std::string& fileName);
    ~TSong();
    TSong(const TSong&) = delete;
    TSong& operator=(const TSong&) = delete;

    ModuleRecord* Module() const { return module_; }

    // The XM header keeps this many characters of the name.
    static constexpr int kStoredNameLength = 20;
    std::string Name() const;
    void SetName(const std::string& name);
    int ModuleType() const { return module_->moduleType; }
    bool LinearFrequencies() const { return (module_->flags & kModuleFlagLinear) != 0; }

    int SongLength() const;
    int Orders(int position) const;
    void SetOrders(int position, int pattern);
    int RestartPosition() const { return module_->restartPosition; }
    void SetRestartPosition(int position);

    int ChannelCount() const { return module_->channelCount; }
    void SetChannelCount(int n);
    int PatternCount() const { return module_->patternCount; }
    int InstrumentCount() const { return module_->instrumentCount; }
    int SampleCount() const { return module_->sampleCount; }

    TPattern* Patterns(int index) const;
    TInstrument* Instruments(int index) const;
    TChannel* Channels(int index) const;

    int Speed() const { return module_->speed; }
    void SetSpeed(int speed);
    int Tempo() const { return module_->tempo; }
    void SetTempo(int tempo);
    int MusicVolume() const { return musicVolume_; }
    void SetMusicVolume(int volume);

    // Order list, pattern list and instrument list operations.
    void InsertPosition(int position);
    void DeletePosition(int position);
    bool InsertPattern(int index);
    void DeletePattern(int index, bool renumber);
    void DeletePatterns(const std::vector<TPattern*>& patterns);
    void RenumberPatterns(int from, int delta);
    std::vector<TPattern*> GetUnusedPatterns() const;
    TInstrument* InsertInstrument(int index);
    void DeleteInstrument(int index);
    void SwapInstruments(int a, int b);
    std::vector<TInstrument*> GetUnusedInstruments() const;
    void RemoveInstruments(const std::vector<TInstrument*>& instruments);

    // Undo support: takes a pattern or instrument out whole and puts it back at the same place.
    // The order list and the cells are left as they are; a running playback is the caller's.
    std::unique_ptr<TDetachedPattern> DetachPattern(int index);
    void AttachPattern(int index, std::unique_ptr<TDetachedPattern> pattern);
    std::unique_ptr<TDetachedInstrument> DetachInstrument(int index);
    void AttachInstrument(int index, std::unique_ptr<TDetachedInstrument> instrument);
    // Every stored order entry, also past the song length.
    using OrderTable = std::array<uint16_t, kMaxPositions>;
    OrderTable OrderList() const;
    // Writes the entries back at once; playback at a changed position restarts there.
    void SetOrderList(const OrderTable& orders);

    // Writes the module as an XM file, replacing the file only once it is complete; raises
    // ESongError naming the file and the reason.
    void SaveToXM(const std::string& fileName) const;

    void NewSample(int instrument, int slot);
    void RemoveSample(int instrument, int slot);
    void ResetSample(int instrument, int slot);

    // Playback.
    void Play(bool loop);
    void PlayPattern(bool loop);
    void Stop();
    void Resume();
    void Rewind();
    void SetPosition(int position);
    int CurrentPosition();
    int CurrentRow();
    int CurrentPattern();
    bool Playing() const { return playing_; }
    int PlayMode() const { return playMode_; }
    ::PlayHandle PlayHandle() const { return playHandle_; }
    const PlayStatusRecord& PlayStatus() const { return playStatus_; }
    // Each channel's output peak since the last call (1.0 full scale); zeros when stopped.
    void TakeChannelPeaks(float* peaks, int count) const;

    // Note preview.
    int PlayInstrumentNote(int instrument, uint8_t note);
    // With `to` past `from`: only frames from..to-1, unlooped; else from `from` on.
    int PlaySampleNote(int instrument, int sample, uint8_t note, int from = 0, int to = -1);
    void ReleaseNote(int channel);
    void StopNote(int channel);
    int AllocChannel();

    void StartPreviewPlayer();
    void StopPlayer();

private:
    void ApplyVolumes();
    void RefreshStatus();
    // Restarts playback at the position whose order entry was just changed.
    void OrderChangedAt(int position);
    void WaitForPosition(int position, bool untilDifferent);

    ModuleRecord* module_ = nullptr;
    ::PlayHandle playHandle_ = 0;
    PlayStatusRecord playStatus_{};
    bool playing_ = false;
    int playMode_ = 0;
    bool loopFlag_ = true;
    int musicVolume_ = 64;
    int64_t playStartTick_ = 0;

    std::vector<std::unique_ptr<TInstrument>> instruments_;
    std::vector<std::unique_ptr<TPattern>> patterns_;
    std::vector<std::unique_ptr<TChannel>> channels_;
    std::deque<TChannel*> channelPool_;
};

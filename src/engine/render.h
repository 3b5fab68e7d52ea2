// Offline rendering: one pass through a song, as fast as the machine allows, without a device.
// The song ends where playback would first come back to a row it already played.
#pragma once

#include "engine/records.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct RenderOptions {
    int rate = 44100;
    bool interpolate = true;
    int onlyChannel = -1; // >= 0: every other channel is silent
};

// Interleaved 16-bit stereo frames of one pass through the song; false (engine error set) when
// the module cannot be played.
bool RenderModule(ModuleRecord* module, const RenderOptions& options, std::vector<int16_t>& frames);

// The same, handing each tick's frames to `sink` as they are made.
using RenderSink = std::function<void(const int16_t* stereo, size_t frames)>;
bool RenderModule(ModuleRecord* module, const RenderOptions& options, const RenderSink& sink);

// The same in float, before the conversion to 16 bits.
using RenderFloatSink = std::function<void(const float* stereo, size_t frames)>;
bool RenderModuleFloat(ModuleRecord* module, const RenderOptions& options,
                       const RenderFloatSink& sink);

// The conversion every 16-bit render uses: clamped to -1..1, rounded half away from zero.
void FloatToPcm16(const float* in, int16_t* out, size_t count);

// The length of one pass in seconds by the same rule, or a negative value on failure.
double SongDurationSeconds(ModuleRecord* module);

// One pass measured row by row: the length, and when each row is first reached.
class SongTimeline {
public:
    double TotalSeconds() const { return total_; }
    // Seconds from the start to the first time the pass reaches the row; negative for a row
    // the pass never plays.
    double SecondsAt(int position, int row) const;

private:
    friend SongTimeline MeasureSongTimeline(ModuleRecord* module);
    double total_ = -1.0;
    std::vector<float> rowStart_; // position * kMaxRows + row
};

// A timeline whose total is negative on failure.
SongTimeline MeasureSongTimeline(ModuleRecord* module);

// Loads `input`, renders it and writes a 16-bit stereo WAV file to `output`.
bool RenderFileToWav(const std::string& input, const std::string& output,
                     const RenderOptions& options);

bool WriteWav(const std::string& path, const std::vector<int16_t>& stereo, int rate);

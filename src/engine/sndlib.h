// The sound library's call interface: loading, memory, structure changes, playback and output.
// Calls answer a truth value (or a record or handle, null or 0 on failure); the reason for a
// failure is read with SNDgetLastError and SNDgetErrorMessage.
#pragma once

#include "engine/records.h"

#include <cstddef>
#include <cstdint>
#include <string>

// --- Errors -------------------------------------------------------------------------------
enum SndErrorCode : int32_t {
    kSndOk = 0,
    kSndErrFileOpen,    // the file cannot be opened or read
    kSndErrFormat,      // not a module of a known kind
    kSndErrCorrupt,     // a module of a known kind with broken content
    kSndErrMemory,      // an allocation failed or a size is beyond what the engine accepts
    kSndErrArgument,    // an index, handle or value out of range
    kSndErrState,       // the call does not fit the engine's state
    kSndErrDevice,      // the sound device failed
    kSndErrUnsupported, // the engine cannot do this
};

int32_t SNDgetLastError();
// The message of the last error when code is the last error's code, else a generic text.
std::string SNDgetErrorMessage(int32_t code);
// Engine-internal: records an error and answers false so callers can `return SNDfail(...)`.
bool SNDfail(int32_t code, std::string message);

// --- Memory -------------------------------------------------------------------------------
// Zero-filled blocks; every block reachable from a ModuleRecord comes from here.
void* PLYRmemAlloc(size_t bytes);
bool PLYRmemFree(void* block);

// --- Modules ------------------------------------------------------------------------------
ModuleRecord* SNDloadModule(const char* fileName);
// The same for a file already in memory; `fileName` only names it in messages.
ModuleRecord* SNDloadModuleFromMemory(const uint8_t* data, size_t size, const char* fileName);
bool SNDfreeModule(ModuleRecord* module);

// Fresh records with the defaults of an empty instrument, sample or envelope (engine-internal,
// also used by the loaders).
InstrumentRecord* SNDallocInstrument();
SampleRecord* SNDallocSample();
EnvelopeRecord* SNDallocEnvelope();
void SNDfreeInstrument(InstrumentRecord* instrument);
void SNDfreeSample(SampleRecord* sample);
// A copy of `source` with its own envelopes, keyboard map, samples and sample data; null when
// memory runs out.
InstrumentRecord* SNDcopyInstrument(const InstrumentRecord& source);
SampleRecord* SNDcopySample(const SampleRecord& source);

// --- Patterns -----------------------------------------------------------------------------
bool PLYRcompressPattern(ModuleRecord* module, int pattern);
bool PLYRdecompressPattern(ModuleRecord* module, int pattern);
// Unpacks every packed pattern, so a player can read cells in place.
bool PLYRdecompressAllPatterns(ModuleRecord* module);
// A packed block for `rows` empty rows (the 64-row one is 73 bytes).
PatternRecord* PLYRnewEmptyPattern(int rows);

// --- Playback -----------------------------------------------------------------------------
using PlayHandle = uint32_t;

struct PlayStatusRecord {
    int32_t position;
    int32_t pattern;
    int32_t row;
    int32_t sync;
    int32_t loopCount;
};

// Options of SNDsetOption.
enum SndOption : int32_t {
    kOptMixRate = 1,
    kOptOutputMode = 2,
    kOptMixBuffer = 3,
    kOptDirectSound = 5,
    kOptWindowHandle = 6,
    kOptDirectSoundBuffer = 8,
    kOptInterpolation = 11,
    kOptSilentOutput = 13,
};

bool SNDstartup();
bool SNDsetOption(int32_t option, intptr_t value);
bool SNDinit();
bool SNDstartBackgroundPlay(int32_t rate);
bool SNDstopBackgroundPlay();
bool SNDclose();
bool SNDsuspend();
bool SNDresume();

PlayHandle SNDplayModule(ModuleRecord* module, bool loop);
PlayHandle SNDplayModuleSection(ModuleRecord* module, int first, int last, int restart, bool loop);
bool SNDsetPosition(PlayHandle handle, int position);
bool SNDgetPlayStatus(PlayHandle handle, PlayStatusRecord* status);
// Each channel's output peak since the last call, 1.0 being full scale; `count` entries.
bool SNDtakeChannelPeaks(PlayHandle handle, float* peaks, int count);
bool SNDstopModule(PlayHandle handle);
bool SNDsetMusicVolume(PlayHandle handle, int volume);
bool SNDfadeMusicChannel(PlayHandle handle, int channel, int volume);
bool PLYRsetPlayTempo(PlayHandle handle, int tempo);
bool PLYRsetPlaySpeed(PlayHandle handle, int speed);

PlayHandle PLYRplayModuleInstruments(ModuleRecord* module);
bool PLYRplayInstrumentNote(PlayHandle handle, int channel, int instrument, uint8_t note);
bool PLYRplaySampleNote(PlayHandle handle, int channel, int instrument, int sample, uint8_t note);
// Frames from..to-1 of the sample, unlooped (to <= from: from `from` on, as the sample loops).
bool PLYRplaySampleRange(PlayHandle handle, int channel, int instrument, int sample, uint8_t note,
                         int32_t from, int32_t to);
bool PLYRreleaseNote(PlayHandle handle, int channel);
bool PLYRstopNote(PlayHandle handle, int channel);
// What a channel of the player sounds: the instrument and sample (-1 when its voice is silent),
// the note byte of the last note started there, whether its key is still down, the frame the
// voice started at, the frame it ends before (-1: it plays on as the sample loops) and the
// frame it has reached.
struct VoiceStatusRecord {
    int32_t instrument;
    uint8_t note;
    bool keyOn;
    int32_t sample;
    int32_t startFrame;
    int32_t endFrame;
    int32_t frame;
};
bool PLYRgetVoiceStatus(PlayHandle handle, int channel, VoiceStatusRecord* status);

// --- Structure changes (each one step under the engine lock, with the players told) -------
// Inserts an instrument at `index` (0..instrumentCount), moving the later ones up: `record`, or
// a new empty one when it is null. A record passed in belongs to the module once this succeeds.
bool PLYRinsertInstrument(ModuleRecord* module, int index, InstrumentRecord* record = nullptr);
// Takes the instrument at `index` out, moving the later ones down; the caller owns the record.
InstrumentRecord* PLYRtakeInstrument(ModuleRecord* module, int index);
// The same for patterns; `record` (not null) belongs to the module once this succeeds.
bool PLYRinsertPattern(ModuleRecord* module, int index, PatternRecord* record);
PatternRecord* PLYRtakePattern(ModuleRecord* module, int index);
bool PLYRnewSample(ModuleRecord* module, int instrument, int sample);
bool PLYRremoveSample(ModuleRecord* module, int instrument, int sample);
bool PLYRresetSample(ModuleRecord* module, int instrument, int sample);

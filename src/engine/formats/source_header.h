// What the importer reads from a source module's own header, besides what libxmp gives it:
// the settings that decide how the reference plays the file.
#pragma once

#include "engine/formats/source_tuning.h"
#include "engine/formats/xmp_effects.h"
#include "engine/records.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// An S3M whose master volume lacks bit 7 plays in mono, whatever its channel settings say.
bool Stereo(const uint8_t* data, size_t size, SourceKind kind);

// IT keeps its frequency mode in the header (flags bit 3: linear slides).
bool LinearFrequencies(const uint8_t* data, size_t size, SourceKind kind);

// IT files that old ModPlug releases wrote: their version words and a zero reserved field.
bool SavedByOldModPlug(const uint8_t* data, size_t size, SourceKind kind);

SourcePitch PitchOf(const uint8_t* data, size_t size, SourceKind kind);

// The levels the reference plays an S3M, IT or MOD at, as an XM's stored mix settings.
void StoreLevels(const uint8_t* data, size_t size, SourceKind kind, ModuleRecord* m);

// The panning (0..255) each of a stereo S3M's 32 channels starts at, as the reference plays
// it; empty for other files or a header cut short.
std::vector<int> S3MChannelPans(const uint8_t* data, size_t size);

// An S3M cell whose effect libxmp changes or drops on reading: a coarse panning (S8x), which
// it steps by sixteen, or a command it has no place for.
struct S3MRawEffect {
    int pattern, row, channel;
    uint8_t command, param; // the file's: 1 'A' .. 26 'Z'
};

// Those cells of every pattern, read as libxmp reads the pattern data.
std::vector<S3MRawEffect> S3MRawEffects(const uint8_t* data, size_t size);

// Whether the reference plays `effect` where libxmp leaves the cell empty.
bool S3MEffectLost(const S3MRawEffect& effect);

// The panning (0..255) a coarse panning S8x sets in the reference, or -1 for another effect.
int S3MCoarsePanning(const S3MRawEffect& effect);

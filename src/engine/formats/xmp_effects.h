// Translation of libxmp's pattern events into XM-equivalent cells.
#pragma once

#include "engine/records.h"

#include <cstddef>
#include <cstdint>

enum class SourceKind { Mod, S3M, IT, Other };

struct ImportedCell {
    uint8_t note = kNoteNone;
    uint8_t instrument = kInstrumentNone;
    uint8_t volume = kVolumeNone;
    uint8_t command = 0;
    uint8_t param = 0;
    bool cut = false; // an Impulse Tracker note cut, for KeepNoteCut
};

// Effect memories that XM keeps differently from the source format, per channel.
struct ChannelMemory {
    uint8_t arpeggio = 0;
    uint8_t shared = 0; // S3M's one memory for most effects; IT's for its pitch slides
};

// Fills `cell` from a libxmp event; counts what does not fit into `lost`.
void TranslateEvent(const struct xmp_event& event, SourceKind kind, ChannelMemory& memory,
                    ImportedCell& cell, uint32_t (&lost)[kLossCount]);

// XM resets a channel's panning to the sample's whenever an instrument number plays, while
// the source formats keep a panning per channel. So that imported songs keep their stereo
// picture (also once saved), each cell naming an instrument on a panned channel gets that
// channel's panning: in the volume column when free, else as a set-panning effect.
// `channelPan` (0..255) follows the panning effects met on the way. Where both columns are
// taken, a volume column holding just the volume the instrument sets by itself gives way; failing
// that, an instrument number that only repeats the channel's instrument is left out, unless it
// restarts a vibrato or tremolo.
struct InstrumentUse {
    int defaultVolume = -1;    // the volume the cell's instrument starts at; -1 when by note
    bool repeatsPlain = false; // the channel's last instrument, without envelopes or fade-out
    // The number restarts a vibrato or tremolo that plays on (XM restarts them only with one).
    bool restartsWaves = false;
    int samplePanning = 128; // the panning it starts the channel at
};
// Returns true when the cell got only the volume column's nearest sixteenth of the panning,
// where a copy of the instrument panned exactly would sound truer.
bool CarryChannelPanning(ImportedCell& cell, int& channelPan, const InstrumentUse& use,
                         uint32_t (&lost)[kLossCount]);
// Whether the volume column's sixteenths hold a panning exactly.
bool ExactlyInVolumeColumn(int pan);
// Where a cell naming an instrument that starts at `defaultVolume` can hold a panning.
enum class PanningRoom { VolumeColumn, EffectColumn, None };
PanningRoom RoomForPanning(const ImportedCell& cell, int defaultVolume);
// Follows the panning effects of a cell into `channelPan`; true when the cell sets one.
bool FollowPanning(const ImportedCell& cell, int& channelPan);

// Impulse Tracker's note cut stops the note but keeps the channel's volume for a later note
// without an instrument number; XM silences a note only through its volume. So the cut becomes
// a volume of 0, and that later note gets the volume back where the channel's is known (set by
// an instrument number or a volume, and not slid since). What cannot be kept is counted.
struct ChannelVolume {
    int known = -1; // 0..64, -1 when slid or never set
    bool cut = false;
};
void KeepNoteCut(ImportedCell& cell, int defaultVolume, ChannelVolume& state,
                 uint32_t (&lost)[kLossCount]);

// ProTracker, Scream Tracker and Impulse Tracker play an arpeggio's notes by the tick counted
// from the row's start, the XM tracker by the ticks left in the row. Rewrites `param` so that
// XM plays each tick of a row at `speed` as the source does; false (param unchanged) when no
// parameter can, because XM would have to play an offset where it plays the base note.
bool FitArpeggioOrder(uint8_t& param, int speed);

// The slides without a parameter in a 31-sample MOD's pattern data, which do nothing there and
// are left out of the import.
uint32_t CountSilentModSlides(const uint8_t* data, size_t size, int channels, int patterns);

// libxmp steps an S3M's coarse pannings by sixteen, where the reference spreads them over the
// whole range, and leaves out the commands it has no place for: the pannings are mended in
// `x`, the commands counted in `m`.
void FollowS3MEffects(const uint8_t* data, size_t size, struct xmp_module& x, ModuleRecord& m);

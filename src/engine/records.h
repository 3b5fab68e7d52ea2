// The module records shared by the loaders, the player and the editing model.
//
// The mixing thread reads these while the user-interface thread edits them. Single fields are
// written with FieldStore (relaxed atomics) and read by the player with FieldLoad; anything that
// changes more than one field the player reads happens under EngineLock (engine_lock.h).
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kMaxChannels = 32;
constexpr int kMaxPatterns = 256;
constexpr int kMaxRows = 256;
constexpr int kMaxPositions = 256;
constexpr int kMaxInstruments = 256;
constexpr int kMaxSamples = 16;
constexpr int kMaxEnvelopePoints = 12;
constexpr int kNoteCount = 96;
constexpr int kNameSize = 32; // 31 characters and a terminator

// Module type codes. The model distinguishes 2, 3 and 4; imported modules become type 3.
constexpr int32_t kModuleTypeSkipMarkers = 2;
constexpr int32_t kModuleTypeXM = 3;
constexpr int32_t kModuleTypeNoKeyboardMap = 4;

constexpr uint32_t kModuleFlagLinear = 8;
// Saved by OpenMPT with its compatible-play setting on, which its player honours for the file.
constexpr uint32_t kModuleFlagCompatiblePlay = 32;
// The file carried the settings block OpenMPT appends after an XM's data.
constexpr uint32_t kModuleFlagSettingsBlock = 64;

// How the player plays a module, decided once when the file is read (from the saving tracker's
// name and version, or from the settings stored after the data) and kept through editing and
// saving. The conformance module named shows each.
constexpr uint32_t kPlaySoftRamps = 1;         // 5 ms volume ramps both ways (PanSustainRelease.xm)
constexpr uint32_t kPlayFullFinetune = 2;      // all 8 bits of sample finetune count (KeyOff2.xm)
constexpr uint32_t kPlayKeyOffOnlyCuts = 4;    // a key-off without volume envelope only silences
                                               // the note, which stays keyed on (NoteOffFade.xm)
constexpr uint32_t kPlayFinePatternDelays = 8; // X6x adds ticks to its row (PatternDelays.xm)
constexpr uint32_t kPlayLastFineDelayCounts = 16; // of several X6x on a row only the last counts
                                                  // (OpenMPT before 1.20; no module shows it)
// An arpeggio steps by the tick counted from the row's start, through its repeats, as MOD, S3M
// and IT play it; set for songs converted from those where XM's order could not play them all
// (no XM module shows it; the import tests' arpeggio.mod does).
constexpr uint32_t kPlayArpeggioByRowTick = 32;
// Volume slides step at once, with the short ramp, as ProTracker's do; the XM tracker glides
// each step over the tick. Set for songs converted from MOD (the import tests' slides.mod).
constexpr uint32_t kPlayVolumeSlidesStep = 64;
// A vibrato running on into a row already bends the row's first tick, at the position the last
// tick left, as the reference plays S3M and IT; the XM tracker holds the last tick's pitch
// there (VibratoDouble.xm records it). Set for songs converted from S3M and IT.
constexpr uint32_t kPlayVibratoFirstTick = 128;

constexpr uint8_t kEnvelopeNone = 255; // sustain or loop switched off

struct EnvelopePoint {
    uint16_t tick;
    int16_t value;
};

struct EnvelopeRecord {
    uint8_t pointCount;   // 0 while the envelope is switched off
    uint8_t sustainPoint; // 255 = none
    uint8_t loopStart;    // 255 = no loop
    uint8_t loopEnd;      // 255 = no loop
    EnvelopePoint points[kMaxEnvelopePoints];
    // Engine-owned: the settings a file stored for a switched-off envelope, loop or sustain
    // (0 where the stored index was out of range), so that they survive a load and a save.
    uint8_t savedPointCount;
    uint8_t savedSustain;
    uint8_t savedLoopStart;
    uint8_t savedLoopEnd;
};

constexpr uint8_t kSampleFormat8 = 1;
constexpr uint8_t kSampleFormat16 = 2;

constexpr uint8_t kLoopNone = 0;
constexpr uint8_t kLoopForward = 1;
constexpr uint8_t kLoopPingPong = 2;

struct SampleRecord {
    char name[kNameSize];
    uint8_t* data;        // PLYRmemAlloc block, or null; 8-bit unsigned (value + 128) or int16 LE
    int32_t length;       // bytes
    uint8_t format;       // kSampleFormat8 or kSampleFormat16
    uint8_t loopType;     // kLoopNone, kLoopForward, kLoopPingPong
    int32_t loopStart;    // frames
    int32_t loopEnd;      // frames: loop start + loop length
    int32_t volume;       // 0..64, low byte used
    int32_t panning;      // 0..255, 128 = centre
    int32_t relativeNote; // signed semitones; only the low byte is significant
    int32_t finetune;     // signed, -128..127
};

struct InstrumentRecord {
    char name[kNameSize];
    int32_t sampleCount;             // 0..16
    uint8_t* keyboardMap;            // kNoteCount entries, or null
    EnvelopeRecord* volumeEnvelope;  // or null
    EnvelopeRecord* panningEnvelope; // or null
    uint16_t fadeOut;
    uint8_t vibratoType;
    uint8_t vibratoSweep;
    uint8_t vibratoDepth;
    uint8_t vibratoRate;
    SampleRecord* samples[kMaxSamples]; // slots at and above sampleCount are null
};

// A pattern is packed (word0 = total block size in bytes) or unpacked (word0 = kUnpackedTag |
// track count). Unpacked rows hold trackCount 6-byte cells and one spare byte each, with room for
// kMaxRows rows so that changing the row count never reallocates.
struct PatternRecord {
    uint32_t word0;
    int32_t rowCount;
    uint8_t data[1]; // variable length
};

constexpr uint32_t kUnpackedTag = 0x80000000u;
constexpr size_t kPatternHeaderSize = offsetof(PatternRecord, data);
constexpr int kCellSize = 6;

inline bool PatternIsUnpacked(const PatternRecord* p) {
    return (p->word0 & kUnpackedTag) != 0;
}
inline int RowStride(int tracks) {
    return tracks * kCellSize + 1;
}
inline size_t UnpackedPatternSize(int tracks) {
    return kPatternHeaderSize + size_t(kMaxRows) * size_t(RowStride(tracks));
}

// Cell byte offsets within a 6-byte cell.
enum CellByte : int {
    kCellLib = 0,
    kCellNote = 1,
    kCellInstrument = 2,
    kCellVolume = 3,
    kCellCommand = 4,
    kCellParam = 5
};

constexpr uint8_t kNoteKeyOff = 254;
constexpr uint8_t kNoteNone = 255;
constexpr uint8_t kInstrumentNone = 255;
constexpr uint8_t kVolumeNone = 80;

// What reading a module could not keep, by kind (counted by the readers, shown by --info).
enum ImportLoss : int {
    kLossEffects,          // effects with no XM equivalent, or only a near one
    kLossChannels,         // channels beyond 32
    kLossRows,             // rows beyond 256
    kLossSamples,          // samples beyond 16 per instrument
    kLossEnvelopePoints,   // envelope points beyond 12
    kLossSustainLoops,     // sample sustain loops
    kLossNoteMapTranspose, // per-key transposes of instrument note maps
    kLossVolumeColumn,     // second effects that found no free column
    kLossChannelSettings,  // initial channel panning and volume
    kLossGlobalVolume,     // initial global volume other than full
    kLossSilentSlides,     // MOD slides without a parameter, which slide nothing there but
                           // would repeat the last slide in XM: left out
    kLossPeriodLimits,     // MOD slides past ProTracker's period limits in patterns reached with
                           // different periods, which no one rewrite stops at the limit
    kLossSampleSwaps,      // MOD sample numbers without a note that switch the playing sample
                           // where the import cannot strike the switch as a note
    kLossCount
};

const char* ImportLossName(int kind);

struct ModuleRecord {
    char name[kNameSize];
    int32_t moduleType;
    int32_t songLength;
    int32_t restartPosition;
    int32_t instrumentCount;
    int32_t sampleCount; // all instruments together
    int32_t patternCount;
    uint8_t channelCount;
    uint8_t speed;                                  // ticks per row
    uint8_t tempo;                                  // beats per minute
    uint16_t orders[kMaxPositions];                 // pattern number in the low byte
    InstrumentRecord* instruments[kMaxInstruments]; // empty slots null
    PatternRecord* patterns[kMaxPatterns];
    uint32_t flags;

    // Engine-owned extras: where the module came from and what its import could not keep.
    char origin[8];       // "xm", "mod", "s3m", "it", ...
    char tracker[21];     // tracker name stored in the file, if any
    uint16_t fileVersion; // the XM version word, 0 for other formats
    // Levels the reference's own editor stores after an XM's data, which its player honours:
    // the mix mode (0 none stored, else that editor's mode number + 1; once read, always set
    // from the saving tracker when the file had none), the sample pre-amp (0 none, 48 unity)
    // and the starting global volume (0 none, else 1 + 0..256).
    uint8_t storedMixMode;
    uint16_t storedPreAmp;
    uint16_t storedGlobalVolume;
    uint32_t playBehaviour; // kPlay... flags
    // The reference's own behaviour bits as the file stored them, kept so that a saved copy
    // gives the reference the same start.
    uint8_t referenceBits[16];
    uint8_t referenceBitBytes;
    // The OpenMPT version the reference plays the file as (from the tracker name, or the version
    // field of the settings block), 0 for other trackers.
    uint32_t referenceVersion;
    uint32_t lost[kLossCount];
    // What the import added so that each channel keeps the source's panning: patterns copied
    // for other entries, instruments copied with their samples panned elsewhere.
    uint16_t copiedPatterns;
    uint16_t copiedInstruments;
    // Samples copied with another tuning for the notes their own plays off the source's pitch.
    uint16_t copiedSamples;
};

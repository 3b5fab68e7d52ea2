// What a key typed into the event grid does: the cells it changes, where the cursor goes, the
// entry step, and the note it sounds. Nothing is written here; the edit layer applies the
// changes as one undo step.
#pragma once

#include "edit/grid_cursor.h"
#include "model/cell_change.h"

#include <cstdint>

class TPattern;

enum class TEditKeyKind { Character, Space, Delete, Insert, Backspace };

struct TEditKey {
    TEditKeyKind kind = TEditKeyKind::Character;
    // For Character: the upper-case character a US layout gives for the key unshifted
    // (UsCharForKey), whatever the active layout.
    char c = 0;
    TModifiers mods;
};

struct TEntryState {
    int baseOctave = 4;
    int instrument = -1; // the entry instrument, -1 when none is chosen (notes then get 0)
    bool editMode = true;
    int step = 1; // 0..255
    // While the song plays and the grid follows it, the playback moves the cursor: an entry
    // then stays on its row instead of stepping away from it.
    bool holdRow = false;
};

struct TEntryResult {
    TCellChanges changes;
    TGridCursor cursor;              // where the cursor is after the key
    int step = 1;                    // the entry step after the key (the backquote key changes it)
    uint8_t previewNote = kNoteNone; // a note to sound on the entry instrument, or none
    bool acted = false;              // the key did something: refresh the info labels
    bool wholeTrack = false;         // Insert or Backspace: the track changed from a row down
    bool refused = false;            // an effect command beyond the catalogue was typed
};

// The note a key enters at a base octave, or kNoteNone. Note 96 counts as no note: an XM file
// cannot hold it.
uint8_t EntryNoteForKey(char c, int baseOctave);

// value with its digit at place (0 lowest) replaced, in the base given, as a byte.
uint8_t ReplaceDigit(int value, int place, int digit, int base);

TEntryResult EditKey(const TPattern& pattern, const TGridCursor& cursor, const TEditKey& key,
                     const TEntryState& state);

// A note played on a MIDI keyboard, entered as a note key would be but at the cursor's track
// whatever its column. `volume` 0..64 goes into the volume column; -1 leaves the column.
TEntryResult EnterPlayedNote(const TPattern& pattern, const TGridCursor& cursor, uint8_t note,
                             int volume, const TEntryState& state);

// The volume a key velocity of 1..127 records: velocity × 64 / 127, rounded.
int VolumeForVelocity(int velocity);

// A key-off for a released key at a row; nothing when the cell holds a note of its own.
TCellChanges KeyOffChanges(const TPattern& pattern, int track, int row);

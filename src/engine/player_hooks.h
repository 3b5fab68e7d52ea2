// What the structure calls tell a running player. Called with the engine lock held.
#pragma once

#include "engine/records.h"
#include "engine/sndlib.h"

// A sample's data, length, loop or format changed, or the slot was emptied: voices playing it
// must re-read it (or stop, if the slot is empty).
void PlayerSampleChanged(ModuleRecord* module, int instrument, int sample);
// An instrument is about to be removed and the slots above it move down by one.
void PlayerInstrumentRemoved(ModuleRecord* module, int instrument);
// An instrument was inserted at this index and the slots from it moved up by one.
void PlayerInstrumentInserted(ModuleRecord* module, int instrument);

// Structure changes to a loaded module. Each takes the engine lock so the mixer never sees a
// half-made change, and tells the players about it.
#include "engine/engine_lock.h"
#include "engine/player_hooks.h"
#include "engine/sndlib.h"

namespace {

bool ValidInstrumentSlot(const ModuleRecord* module, int index) {
    return module && index >= 0 && index < kMaxInstruments;
}

bool ValidSampleSlot(const ModuleRecord* module, int instrument, int sample) {
    return ValidInstrumentSlot(module, instrument) && module->instruments[instrument] &&
           sample >= 0 && sample < kMaxSamples;
}

} // namespace

bool PLYRnewInstrument(ModuleRecord* module, int index, PlayHandle) {
    if (!ValidInstrumentSlot(module, index))
        return SNDfail(kSndErrArgument,
                       "instrument slot " + std::to_string(index) + " is out of range");
    InstrumentRecord* instrument = SNDallocInstrument();
    if (!instrument) return false;
    EngineLock lock;
    SNDfreeInstrument(module->instruments[index]);
    module->instruments[index] = instrument;
    PlayerInstrumentInserted(module, index);
    return true;
}

bool PLYRremoveInstrument(ModuleRecord* module, int index, PlayHandle) {
    if (!ValidInstrumentSlot(module, index))
        return SNDfail(kSndErrArgument,
                       "instrument slot " + std::to_string(index) + " is out of range");
    EngineLock lock;
    PlayerInstrumentRemoved(module, index);
    SNDfreeInstrument(module->instruments[index]);
    module->instruments[index] = nullptr;
    return true;
}

bool PLYRnewSample(ModuleRecord* module, int instrument, int sample, PlayHandle) {
    if (!ValidSampleSlot(module, instrument, sample))
        return SNDfail(kSndErrArgument, "sample slot out of range");
    SampleRecord* record = SNDallocSample();
    if (!record) return false;
    EngineLock lock;
    SampleRecord*& slot = module->instruments[instrument]->samples[sample];
    SNDfreeSample(slot);
    slot = record;
    PlayerSampleChanged(module, instrument, sample);
    return true;
}

bool PLYRremoveSample(ModuleRecord* module, int instrument, int sample, PlayHandle) {
    if (!ValidSampleSlot(module, instrument, sample))
        return SNDfail(kSndErrArgument, "sample slot out of range");
    EngineLock lock;
    SampleRecord*& slot = module->instruments[instrument]->samples[sample];
    PlayerSampleChanged(module, instrument, sample);
    SNDfreeSample(slot);
    slot = nullptr;
    return true;
}

bool PLYRresetSample(ModuleRecord* module, int instrument, int sample, PlayHandle) {
    if (!ValidSampleSlot(module, instrument, sample))
        return SNDfail(kSndErrArgument, "sample slot out of range");
    EngineLock lock;
    // The player bounds every read by the record's length and loop, whatever they hold.
    PlayerSampleChanged(module, instrument, sample);
    return true;
}

InstrumentRecord* PLYRdetachInstrument(ModuleRecord* module, int index) {
    if (!ValidInstrumentSlot(module, index) || !module->instruments[index]) {
        SNDfail(kSndErrArgument, "instrument slot " + std::to_string(index) + " is empty");
        return nullptr;
    }
    EngineLock lock;
    PlayerInstrumentRemoved(module, index);
    InstrumentRecord* instrument = module->instruments[index];
    module->instruments[index] = nullptr;
    return instrument;
}

bool PLYRattachInstrument(ModuleRecord* module, int index, InstrumentRecord* instrument) {
    if (!ValidInstrumentSlot(module, index) || !instrument || module->instruments[index])
        return SNDfail(kSndErrArgument,
                       "instrument slot " + std::to_string(index) + " cannot take an instrument");
    EngineLock lock;
    module->instruments[index] = instrument;
    PlayerInstrumentInserted(module, index);
    return true;
}

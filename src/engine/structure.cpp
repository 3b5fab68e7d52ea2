// Structure changes to a loaded module. Records are made before the engine lock is taken; each
// change then shifts the table, sets its count and tells the players in one step under the
// lock, so the mixer never sees a half-made change.
#include "engine/engine_lock.h"
#include "engine/field_access.h"
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

bool PLYRinsertInstrument(ModuleRecord* module, int index, InstrumentRecord* record) {
    const int count = module ? module->instrumentCount : 0;
    if (!module || index < 0 || index > count || count >= kMaxInstruments)
        return SNDfail(kSndErrArgument,
                       "instrument slot " + std::to_string(index) + " cannot take an instrument");
    InstrumentRecord* instrument = record ? record : SNDallocInstrument();
    if (!instrument) return false;
    EngineLock lock;
    for (int i = count; i > index; --i) module->instruments[i] = module->instruments[i - 1];
    module->instruments[index] = instrument;
    FieldStore(module->instrumentCount, count + 1);
    PlayerInstrumentInserted(module, index);
    return true;
}

InstrumentRecord* PLYRtakeInstrument(ModuleRecord* module, int index) {
    const int count = module ? module->instrumentCount : 0;
    if (!module || index < 0 || index >= count || !module->instruments[index]) {
        SNDfail(kSndErrArgument, "instrument slot " + std::to_string(index) + " is empty");
        return nullptr;
    }
    EngineLock lock;
    PlayerInstrumentRemoved(module, index);
    InstrumentRecord* instrument = module->instruments[index];
    for (int i = index; i < count - 1; ++i) module->instruments[i] = module->instruments[i + 1];
    module->instruments[count - 1] = nullptr;
    FieldStore(module->instrumentCount, count - 1);
    return instrument;
}

bool PLYRinsertPattern(ModuleRecord* module, int index, PatternRecord* record) {
    const int count = module ? module->patternCount : 0;
    if (!module || !record || index < 0 || index > count || count >= kMaxPatterns)
        return SNDfail(kSndErrArgument,
                       "pattern slot " + std::to_string(index) + " cannot take a pattern");
    EngineLock lock;
    for (int i = count; i > index; --i) module->patterns[i] = module->patterns[i - 1];
    module->patterns[index] = record;
    FieldStore(module->patternCount, count + 1);
    return true;
}

PatternRecord* PLYRtakePattern(ModuleRecord* module, int index) {
    const int count = module ? module->patternCount : 0;
    if (!module || index < 0 || index >= count) {
        SNDfail(kSndErrArgument, "pattern slot " + std::to_string(index) + " is out of range");
        return nullptr;
    }
    EngineLock lock;
    PatternRecord* pattern = module->patterns[index];
    for (int i = index; i < count - 1; ++i) module->patterns[i] = module->patterns[i + 1];
    module->patterns[count - 1] = nullptr;
    FieldStore(module->patternCount, count - 1);
    return pattern;
}

bool PLYRnewSample(ModuleRecord* module, int instrument, int sample) {
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

bool PLYRremoveSample(ModuleRecord* module, int instrument, int sample) {
    if (!ValidSampleSlot(module, instrument, sample))
        return SNDfail(kSndErrArgument, "sample slot out of range");
    EngineLock lock;
    SampleRecord*& slot = module->instruments[instrument]->samples[sample];
    PlayerSampleChanged(module, instrument, sample);
    SNDfreeSample(slot);
    slot = nullptr;
    return true;
}

bool PLYRresetSample(ModuleRecord* module, int instrument, int sample) {
    if (!ValidSampleSlot(module, instrument, sample))
        return SNDfail(kSndErrArgument, "sample slot out of range");
    EngineLock lock;
    // The player bounds every read by the record's length and loop, whatever they hold.
    PlayerSampleChanged(module, instrument, sample);
    return true;
}

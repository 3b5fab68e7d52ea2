#include "engine/engine_lock.h"
#include "engine/formats/xm_reader.h"
#include "engine/formats/xmp_import.h"
#include "engine/sndlib.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <vector>

InstrumentRecord* SNDallocInstrument() {
    auto* instrument = static_cast<InstrumentRecord*>(PLYRmemAlloc(sizeof(InstrumentRecord)));
    if (!instrument) return nullptr;
    instrument->keyboardMap = static_cast<uint8_t*>(PLYRmemAlloc(kNoteCount));
    instrument->volumeEnvelope = SNDallocEnvelope();
    instrument->panningEnvelope = SNDallocEnvelope();
    if (!instrument->keyboardMap || !instrument->volumeEnvelope || !instrument->panningEnvelope) {
        SNDfreeInstrument(instrument);
        return nullptr;
    }
    return instrument;
}

EnvelopeRecord* SNDallocEnvelope() {
    auto* envelope = static_cast<EnvelopeRecord*>(PLYRmemAlloc(sizeof(EnvelopeRecord)));
    if (!envelope) return nullptr;
    envelope->sustainPoint = kEnvelopeNone;
    envelope->loopStart = kEnvelopeNone;
    envelope->loopEnd = kEnvelopeNone;
    return envelope;
}

SampleRecord* SNDallocSample() {
    auto* sample = static_cast<SampleRecord*>(PLYRmemAlloc(sizeof(SampleRecord)));
    if (!sample) return nullptr;
    sample->format = kSampleFormat8;
    sample->volume = 64;
    sample->panning = 128;
    return sample;
}

void SNDfreeSample(SampleRecord* sample) {
    if (!sample) return;
    PLYRmemFree(sample->data);
    PLYRmemFree(sample);
}

void SNDfreeInstrument(InstrumentRecord* instrument) {
    if (!instrument) return;
    for (SampleRecord* sample : instrument->samples) SNDfreeSample(sample);
    PLYRmemFree(instrument->keyboardMap);
    PLYRmemFree(instrument->volumeEnvelope);
    PLYRmemFree(instrument->panningEnvelope);
    PLYRmemFree(instrument);
}

InstrumentRecord* SNDcopyInstrument(const InstrumentRecord& source) {
    InstrumentRecord* copy = SNDallocInstrument();
    if (!copy) return nullptr;
    uint8_t* keyboardMap = copy->keyboardMap;
    EnvelopeRecord *volume = copy->volumeEnvelope, *panning = copy->panningEnvelope;
    *copy = source;
    copy->keyboardMap = keyboardMap;
    copy->volumeEnvelope = volume;
    copy->panningEnvelope = panning;
    if (source.keyboardMap) std::memcpy(keyboardMap, source.keyboardMap, kNoteCount);
    if (source.volumeEnvelope) *volume = *source.volumeEnvelope;
    if (source.panningEnvelope) *panning = *source.panningEnvelope;
    std::fill(std::begin(copy->samples), std::end(copy->samples), nullptr);
    for (int s = 0; s < source.sampleCount && s < kMaxSamples; ++s) {
        if (!source.samples[s]) continue;
        copy->samples[s] = SNDcopySample(*source.samples[s]);
        if (!copy->samples[s]) {
            SNDfreeInstrument(copy);
            return nullptr;
        }
    }
    return copy;
}

SampleRecord* SNDcopySample(const SampleRecord& source) {
    SampleRecord* sample = SNDallocSample();
    if (!sample) return nullptr;
    *sample = source;
    sample->data = nullptr;
    if (!source.data || sample->length <= 0) return sample;
    sample->data = static_cast<uint8_t*>(PLYRmemAlloc(size_t(sample->length)));
    if (!sample->data) {
        SNDfreeSample(sample);
        return nullptr;
    }
    std::memcpy(sample->data, source.data, size_t(sample->length));
    return sample;
}

const char* ImportLossName(int kind) {
    static const char* const kNames[kLossCount] = {"effects",
                                                   "channels",
                                                   "rows",
                                                   "samples",
                                                   "envelope_points",
                                                   "sustain_loops",
                                                   "note_map_transpose",
                                                   "second_effects",
                                                   "channel_settings",
                                                   "global_volume",
                                                   "silent_slides",
                                                   "period_limits",
                                                   "sample_swaps"};
    return kind >= 0 && kind < kLossCount ? kNames[kind] : "unknown";
}

bool SNDfreeModule(ModuleRecord* module) {
    if (!module) return SNDfail(kSndErrArgument, "no module to free");
    EngineLock lock;
    for (InstrumentRecord*& instrument : module->instruments) {
        SNDfreeInstrument(instrument);
        instrument = nullptr;
    }
    for (PatternRecord*& pattern : module->patterns) {
        PLYRmemFree(pattern);
        pattern = nullptr;
    }
    PLYRmemFree(module);
    return true;
}

namespace {

bool ReadWholeFile(const char* fileName, std::vector<uint8_t>& bytes) {
    std::ifstream in(fileName, std::ios::binary | std::ios::ate);
    if (!in) return SNDfail(kSndErrFileOpen, std::string(fileName) + ": cannot open the file");
    const std::streamoff size = in.tellg();
    if (size < 0) return SNDfail(kSndErrFileOpen, std::string(fileName) + ": cannot read the file");
    bytes.resize(size_t(size));
    in.seekg(0);
    if (size > 0 && !in.read(reinterpret_cast<char*>(bytes.data()), size))
        return SNDfail(kSndErrFileOpen, std::string(fileName) + ": cannot read the file");
    return true;
}

} // namespace

ModuleRecord* SNDloadModule(const char* fileName) {
    if (!fileName) {
        SNDfail(kSndErrArgument, "no file name given");
        return nullptr;
    }
    std::vector<uint8_t> bytes;
    if (!ReadWholeFile(fileName, bytes)) return nullptr;
    return SNDloadModuleFromMemory(bytes.data(), bytes.size(), fileName);
}

ModuleRecord* SNDloadModuleFromMemory(const uint8_t* data, size_t size, const char* fileName) {
    // Recognised by content, whatever the file is called.
    if (IsXMData(data, size)) {
        XMLoadReport report{};
        ModuleRecord* module = LoadXM(data, size, fileName, &report);
        if (module) {
            module->lost[kLossEffects] = report.droppedEffectTotal;
            module->lost[kLossSamples] = report.droppedSamples;
            module->lost[kLossRows] = report.droppedRows;
        }
        return module;
    }
    return ImportWithXmp(data, size, fileName);
}

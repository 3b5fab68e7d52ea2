// Loading and saving XI instrument files.
#include "engine/engine_lock.h"
#include "engine/sndlib.h"
#include "model/errors.h"
#include "model/instrument.h"
#include "model/safe_file.h"
#include "model/song.h"
#include "model/xi_file.h"

#include <cstring>
#include <fstream>
#include <iterator>

void TInstrument::LoadFromXI(const std::string& fileName) {
    std::ifstream in(fileName, std::ios::binary);
    if (!in) throw EInstrumentError("Cannot open file " + fileName);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (in.bad()) throw EInstrumentError("Cannot read file " + fileName);
    LoadFromXI(bytes.data(), bytes.size(), fileName);
}

void TInstrument::LoadFromXI(const uint8_t* data, size_t size, const std::string& fileName) {
    CW_ASSERT(SampleCount() == 0);
    // Everything is read and checked first, so a bad file leaves the instrument as it was.
    XIContents xi = ParseXI(data, size, fileName);

    EngineLock lock;
    if (!record_->keyboardMap)
        record_->keyboardMap = static_cast<uint8_t*>(PLYRmemAlloc(kNoteCount));
    if (!record_->volumeEnvelope) record_->volumeEnvelope = SNDallocEnvelope();
    if (!record_->panningEnvelope) record_->panningEnvelope = SNDallocEnvelope();
    if (!record_->keyboardMap || !record_->volumeEnvelope || !record_->panningEnvelope)
        throw EInstrumentError(fileName + ": not enough memory for the instrument");

    std::memcpy(record_->name, xi.name, kNameSize);
    std::memcpy(record_->keyboardMap, xi.keyboard, kNoteCount);
    *record_->volumeEnvelope = xi.volume;
    *record_->panningEnvelope = xi.panning;
    record_->vibratoType = xi.vibratoType;
    record_->vibratoSweep = xi.vibratoSweep;
    record_->vibratoDepth = xi.vibratoDepth;
    record_->vibratoRate = xi.vibratoRate;
    record_->fadeOut = xi.fadeOut;
    for (size_t s = 0; s < xi.samples.size(); ++s) {
        const int slot = int(s);
        song_->NewSample(number_, slot);
        SampleRecord* r = record_->samples[slot];
        *r = xi.samples[s].fields;
        r->data = xi.samples[s].data.release();
        record_->sampleCount = slot + 1;
    }
    RebuildWrappers();
    for (int s = 0; s < SampleCount(); ++s) song_->ResetSample(number_, s);
}

void TInstrument::SaveToXI(const std::string& fileName) const {
    try {
        ReplaceFileContents(fileName, EncodeXI(*this));
    } catch (const ESongError& e) {
        throw EInstrumentError(e.what());
    }
}

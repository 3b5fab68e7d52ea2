#include "engine/formats/panned_copies.h"

#include "engine/formats/xmp_instruments.h"
#include "engine/sndlib.h"

#include <algorithm>

int PannedCopies::Strike(int source, int pan) {
    constexpr int kXMInstruments = 128;
    const std::pair<int, int> wanted{source, pan};
    auto copy = std::find(copies_.begin(), copies_.end(), wanted);
    if (copy == copies_.end()) {
        if (first_ + int(copies_.size()) >= kXMInstruments) return -1;
        copy = copies_.insert(copy, wanted);
    }
    return first_ + int(copy - copies_.begin());
}

int PannedCopies::SourceOf(int instrument) const {
    const int k = instrument - first_;
    return k >= 0 && k < int(copies_.size()) ? copies_[size_t(k)].first : instrument;
}

bool PannedCopies::AddTo(ModuleRecord& m) const {
    for (size_t k = 0; k < copies_.size(); ++k) {
        const auto [source, pan] = copies_[k];
        if (!m.instruments[source]) continue;
        InstrumentRecord* copy = SNDcopyInstrument(*m.instruments[source]);
        if (!copy) return false;
        for (int s = 0; s < copy->sampleCount; ++s)
            if (copy->samples[s]) copy->samples[s]->panning = pan;
        NamePannedCopy(copy->name, pan);
        m.instruments[first_ + int(k)] = copy;
        m.instrumentCount = first_ + int(k) + 1;
        m.sampleCount += copy->sampleCount;
        ++m.copiedInstruments;
    }
    return true;
}

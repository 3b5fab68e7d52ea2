// libFuzzer target for the XI instrument reader: every input loads or is refused with
// EInstrumentError, and a loaded instrument's samples stay inside their data.
// CW_FUZZ_SEEDS=DIR writes the host song's instruments there as XI files, a starting corpus.
#include "engine/sndlib.h"
#include "model/errors.h"
#include "model/song.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

// The reader needs an instrument inside a song; any XM module will do.
TSong& Host() {
    static std::unique_ptr<TSong> song = [] {
        const char* module = std::getenv("CW_FUZZ_MODULE");
        const fs::path fallback = fs::path(__FILE__).parent_path() / "../../shared/corpus/mph.xm";
        return std::make_unique<TSong>(module ? std::string(module) : fallback.string());
    }();
    return *song;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    TSong& song = Host();
    if (const char* seeds = std::getenv("CW_FUZZ_SEEDS")) {
        fs::create_directories(seeds);
        for (int i = 1; i < song.InstrumentCount(); ++i)
            song.Instruments(i)->SaveToXI((fs::path(seeds) / (std::to_string(i) + ".xi")).string());
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TInstrument* target = Host().Instruments(0);
    while (target->SampleCount() > 0) target->DeleteSample(0);
    try {
        target->LoadFromXI(data, size, "fuzz.xi");
    } catch (const EInstrumentError&) {
        return 0;
    }
    for (int s = 0; s < target->SampleCount(); ++s) {
        const TSample* sample = target->Samples(s);
        if (sample->LoopStart() > sample->LoopEnd() || sample->LoopEnd() > sample->Length())
            std::abort();
        if (sample->Length() > 0) (void)sample->Values(sample->Length() - 1);
    }
    return 0;
}

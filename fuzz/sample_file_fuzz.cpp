// libFuzzer target for sample files (WAV, AIFF, IFF, FLAC through libsndfile; anything else as
// raw data): every input loads or is refused with an error of the model, and a loaded sample's
// data is whole.
#include "fuzz_host.h"
#include "model/errors.h"
#include "model/song.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// libsndfile reads files, so each input goes through one scratch file of this process.
const fs::path& Scratch() {
    static const fs::path path = fs::temp_directory_path() /
                                 ("cantorwright-sample-fuzz-" + std::to_string(getpid()) + ".wav");
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    {
        std::ofstream out(Scratch(), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    TSample* sample = FuzzHostSong().Instruments(0)->Samples(0);
    try {
        sample->LoadRawFile(Scratch().string());
    } catch (const EZException&) {
        return 0;
    }
    if ((sample->Record()->data == nullptr) != (sample->ByteLength() == 0)) std::abort();
    if (sample->Length() > 0) (void)sample->Values(sample->Length() - 1);
    return 0;
}

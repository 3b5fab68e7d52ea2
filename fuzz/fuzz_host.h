// The song whose first instrument the instrument and sample fuzz targets load into: any XM
// module, CW_FUZZ_MODULE or a corpus module beside the sources.
#pragma once

#include "model/song.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

inline TSong& FuzzHostSong() {
    static std::unique_ptr<TSong> song = [] {
        const char* module = std::getenv("CW_FUZZ_MODULE");
        const std::filesystem::path fallback =
            std::filesystem::path(__FILE__).parent_path() / "../../shared/corpus/mph.xm";
        return std::make_unique<TSong>(module ? std::string(module) : fallback.string());
    }();
    return *song;
}

// Loads a corpus module into a song for the model tests.
#pragma once

#include "model/song.h"
#include "support/test_paths.h"

#include <memory>
#include <string>

inline std::unique_ptr<TSong> LoadCorpusSong(const std::string& name) {
    return std::make_unique<TSong>((SharedDir() / "corpus" / name).string());
}

// The play-behaviour flags and mix mode of a module, decided once when it is read, and the
// settings block a saved XM keeps them in, for the reference player and for ours.
#pragma once

#include "engine/records.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// What a file says about how it plays, beyond its tracker name and the fields the readers set.
struct StoredPlaySettings {
    bool signedByOriginal = false; // saved by the XM tracker itself
    // The reference's own behaviour bits (its "MSF." field), as many bytes as were stored.
    std::array<uint8_t, 16> referenceBits{};
    size_t referenceBytes = 0;
    // Our flags, stored by this program's writer.
    bool oursStored = false;
    uint32_t ours = 0;
};

// Sets module.playBehaviour and, when the file stored none, module.storedMixMode.
void DecidePlayBehaviour(ModuleRecord& module, const StoredPlaySettings& stored);

// The tagged settings appended after an XM's last sample: the reference's editor's block, which
// the XM tracker and other players skip.
std::vector<uint8_t> StoredSettingsBlock(const ModuleRecord& module);

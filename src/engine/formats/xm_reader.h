// Reads an XM module held in memory into engine records.
#pragma once

#include "engine/records.h"

#include <cstddef>
#include <cstdint>
#include <string>

// What a load changed or left out, for callers that want to tell the user.
struct XMLoadReport {
    uint32_t droppedEffects[256]; // cells whose effect has no command, by XM effect number
    uint32_t droppedEffectTotal;
    uint32_t droppedSamples;       // sample slots beyond 16 in an instrument
    uint32_t droppedRows;          // rows beyond 256 in a pattern
    uint32_t truncatedSamples;     // sample data cut short by the end of the file
    uint32_t missingInstruments;   // instruments the file ended before (left empty)
    uint32_t pingPongForwardLoops; // loop type 3, read as forward
    uint32_t adpcmSamples;
    uint32_t stereoSamples; // mixed down to mono
};

// True when the bytes start like an XM file.
bool IsXMData(const uint8_t* data, size_t size);

// A new module, or null with the engine error set to a message naming `fileName` and the fault.
// When `report` is given it is filled in as well.
ModuleRecord* LoadXM(const uint8_t* data, size_t size, const std::string& fileName,
                     XMLoadReport* report = nullptr);

// Reads an XM module held in memory into engine records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/records.h"

// True when the bytes start like an XM file.
bool IsXMData(const uint8_t* data, size_t size);

// A new module, or null with the engine error set to a message naming `fileName` and the fault.
ModuleRecord* LoadXM(const uint8_t* data, size_t size, const std::string& fileName);

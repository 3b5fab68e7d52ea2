// Imports every module kind libxmp reads (MOD, S3M, IT, MED, MTM, 669, ...) as XM-equivalent
// records: what XM cannot hold is dropped and counted in ModuleRecord::lost.
#pragma once

#include "engine/records.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A new module of type kModuleTypeXM, or null with the engine error naming the file.
ModuleRecord* ImportWithXmp(const uint8_t* data, size_t size, const std::string& fileName);

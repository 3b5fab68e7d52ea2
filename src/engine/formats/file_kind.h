// The kind of module a file is, named by its usual file extension ("mod", "s3m", "it", "med").
#pragma once

#include "engine/formats/xmp_effects.h"

#include <cstddef>
#include <cstdint>
#include <string>

// `loader` is the name of the libxmp format that read the file (xmp_test_info::type); `kind`
// gets the family the importer treats specially.
std::string FileKindOf(const uint8_t* data, size_t size, const std::string& loader,
                       SourceKind& kind);

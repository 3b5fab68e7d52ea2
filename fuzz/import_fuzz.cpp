// Feeds arbitrary bytes to the module loader's import path (MOD, S3M, IT and the other kinds):
// it must load or refuse, never crash, leak or hang.
#include "engine/formats/xmp_import.h"
#include "engine/sndlib.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (ModuleRecord* module = ImportWithXmp(data, size, "fuzz.mod")) SNDfreeModule(module);
    return 0;
}

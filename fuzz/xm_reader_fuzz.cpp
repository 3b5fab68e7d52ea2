// Feeds arbitrary bytes to the XM reader: it must load or refuse, never crash, leak or hang.
#include "engine/formats/xm_reader.h"
#include "engine/sndlib.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    XMLoadReport report;
    if (ModuleRecord* module = LoadXM(data, size, "fuzz.xm", &report)) SNDfreeModule(module);
    return 0;
}

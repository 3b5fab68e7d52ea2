#include "engine/formats/xm_reader.h"

#include <cstring>

#include "engine/sndlib.h"

bool IsXMData(const uint8_t* data, size_t size) {
    return size >= 17 && std::memcmp(data, "Extended Module: ", 17) == 0;
}

ModuleRecord* LoadXM(const uint8_t*, size_t, const std::string& fileName) {
    SNDfail(kSndErrUnsupported, fileName + ": the XM reader is not built yet");
    return nullptr;
}

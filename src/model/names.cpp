#include "model/names.h"

#include "engine/engine_lock.h"

#include <cstring>

std::string ReadName(const char (&field)[kNameSize]) {
    return std::string(field, strnlen(field, kNameSize));
}

void WriteName(char (&field)[kNameSize], const std::string& name) {
    // The player never reads names, but the lock keeps a concurrent reader of the record whole.
    EngineLock lock;
    const size_t n = std::min(name.size(), size_t(kNameSize - 1));
    std::memset(field, 0, kNameSize);
    std::memcpy(field, name.data(), n);
}

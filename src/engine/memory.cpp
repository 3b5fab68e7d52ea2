#include "engine/engine_lock.h"
#include "engine/sndlib.h"

#include <cstdlib>

EngineMutexType& EngineMutex() {
    static EngineMutexType mutex;
    return mutex;
}

void* PLYRmemAlloc(size_t bytes) {
    void* block = std::calloc(bytes ? bytes : 1, 1);
    if (!block)
        SNDfail(kSndErrMemory, "out of memory allocating " + std::to_string(bytes) + " bytes");
    return block;
}

bool PLYRmemFree(void* block) {
    std::free(block);
    return true;
}

#include "engine/sndlib.h"

#include <mutex>

namespace {

struct LastError {
    std::mutex mutex;
    int32_t code = kSndOk;
    std::string message;
};

LastError& Last() {
    static LastError last;
    return last;
}

const char* GenericMessage(int32_t code) {
    switch (code) {
    case kSndOk:
        return "no error";
    case kSndErrFileOpen:
        return "the file cannot be read";
    case kSndErrFormat:
        return "not a module of a known kind";
    case kSndErrCorrupt:
        return "the module is corrupt";
    case kSndErrMemory:
        return "out of memory";
    case kSndErrArgument:
        return "argument out of range";
    case kSndErrState:
        return "the engine is not in a state for this call";
    case kSndErrDevice:
        return "the sound device failed";
    case kSndErrUnsupported:
        return "not supported by the engine";
    default:
        return "unknown error";
    }
}

} // namespace

int32_t SNDgetLastError() {
    std::lock_guard lock(Last().mutex);
    return Last().code;
}

std::string SNDgetErrorMessage(int32_t code) {
    std::lock_guard lock(Last().mutex);
    if (code == Last().code && !Last().message.empty()) return Last().message;
    return GenericMessage(code);
}

bool SNDfail(int32_t code, std::string message) {
    std::lock_guard lock(Last().mutex);
    Last().code = code;
    Last().message = std::move(message);
    return false;
}

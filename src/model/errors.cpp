#include "model/errors.h"

#include "engine/sndlib.h"

#include <cstdio>
#include <filesystem>

void AssertionFailed(const char* message, const char* file, int line) {
    const std::string unit = std::filesystem::path(file).stem().string();
    char text[512];
    std::snprintf(text, sizeof text, "%s (%s, line %d)", message, unit.c_str(), line);
    throw EAssertionFailed(text);
}

void CheckAudio(bool ok) {
    if (ok) return;
    throw EZAudioException("Sound engine error: " + SNDgetErrorMessage(SNDgetLastError()));
}

// Turns the mixer's float stereo into the bytes of an output format.
#pragma once

#include "engine/output/audio_driver.h"

#include <cstdint>

// Writes `frames` frames of interleaved float stereo (clipped to -1..1) to `out` as 16-bit
// signed or 8-bit unsigned, stereo or mono (the average of both sides).
void ConvertFrames(const float* stereo, int frames, const OutputFormat& format, uint8_t* out);

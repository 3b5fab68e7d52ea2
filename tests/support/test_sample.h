// A sample for the module builders: 8-bit values and the settings the source formats share.
#pragma once

#include <cstdint>
#include <vector>

struct TestSample {
    std::vector<int8_t> values;
    uint8_t volume = 64;
    uint32_t middleC = 8363; // the rate of middle C (IT's C5 speed, S3M's C2 speed)
    bool loop = false;       // the whole sample
    char name[28] = {};
};

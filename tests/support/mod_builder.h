// Writes small ProTracker MOD files ("M.K.", 31 samples) for import tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MODTestSample {
    std::vector<int8_t> values; // even count; stored as words
    uint8_t volume = 64;
    uint32_t loopStart = 0, loopLength = 0; // in bytes; length 0 or 2: no loop
};

struct MODTestPattern {
    struct Cell {
        int row, channel;
        uint16_t period; // 0: none
        uint8_t sample;  // 1-based, 0: none
        uint8_t effect, param;
    };
    std::vector<Cell> cells;
};

struct MODTestSong {
    std::string signature = "M.K.";
    int channels = 4; // as the signature says
    std::vector<uint8_t> orders = {0};
    std::vector<MODTestPattern> patterns = {MODTestPattern{}};
    std::vector<MODTestSample> samples;
};

std::vector<uint8_t> BuildMOD(const MODTestSong& song);

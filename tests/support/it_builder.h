// Writes small Impulse Tracker modules (sample mode, 8-bit samples) for import tests.
#pragma once

#include "support/test_sample.h"

#include <cstdint>
#include <string>
#include <vector>

using ITTestSample = TestSample;

// Notes 0..119 are C-0..B-9; these are the special ones.
constexpr uint8_t kITNoteOff = 255, kITNoteCut = 254, kITNoteFade = 253;

struct ITTestPattern {
    int rows = 64;
    struct Cell {
        int row, channel;
        int note = -1;       // -1: none
        uint8_t sample = 0;  // 1-based, 0: none
        int volume = -1;     // volume-column byte, -1: none
        uint8_t command = 0; // 1 = A ... 26 = Z
        uint8_t param = 0;
    };
    std::vector<Cell> cells;
};

struct ITTestSong {
    int channels = 4;
    uint8_t speed = 6, tempo = 125;
    uint8_t globalVolume = 128, mixVolume = 48;
    bool linearSlides = true;
    std::vector<uint8_t> orders = {0};
    std::vector<ITTestPattern> patterns = {ITTestPattern{}};
    std::vector<ITTestSample> samples;
};

std::vector<uint8_t> BuildIT(const ITTestSong& song);

// Writes small Scream Tracker 3 modules (stereo, 8-bit unsigned samples) for import tests.
#pragma once

#include "support/test_sample.h"

#include <cstdint>
#include <vector>

using S3MTestSample = TestSample;

struct S3MTestPattern {
    struct Cell {
        int row, channel;
        int note = -1;       // octave * 12 + semitone, -1: none
        uint8_t sample = 0;  // 1-based, 0: none
        int volume = -1;     // 0..64, -1: none
        uint8_t command = 0; // 1 = A ... 26 = Z
        uint8_t param = 0;
    };
    std::vector<Cell> cells; // 64 rows
};

struct S3MTestSong {
    int channels = 4;      // alternately left and right by the channel settings
    std::vector<int> pans; // the panning table's sixteenths per channel; empty: no table
    uint8_t speed = 6, tempo = 125;
    std::vector<uint8_t> orders = {0};
    std::vector<S3MTestPattern> patterns = {S3MTestPattern{}};
    std::vector<S3MTestSample> samples;
};

std::vector<uint8_t> BuildS3M(const S3MTestSong& song);

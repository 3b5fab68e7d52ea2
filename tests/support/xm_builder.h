// Writes small XM files for reader tests, including the variants other trackers produce: older
// versions and their layout, unusual header sizes, ADPCM and stereo sample data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct XMTestSample {
    std::string name;
    std::vector<int> values;      // signed frame values (8-bit: -128..127)
    std::vector<int> rightValues; // non-empty: stereo, the right channel
    bool is16 = false;
    uint8_t loopType = 0;   // the header's two loop bits
    uint32_t loopStart = 0; // as stored: bytes
    uint32_t loopLength = 0;
    uint8_t volume = 64;
    int8_t finetune = 0;
    uint8_t panning = 128;
    int8_t relativeNote = 0;
    uint8_t reserved = 0;
    // When set, written instead of the delta-coded values, with `length` as the length field.
    std::vector<uint8_t> rawData;
    uint32_t length = 0;
    bool lengthOverride = false;
};

struct XMTestEnvelope {
    std::vector<std::pair<uint16_t, int16_t>> points;
    uint8_t count = 0; // stored point count
    uint8_t sustain = 0, loopStart = 0, loopEnd = 0;
    uint8_t type = 0;
};

struct XMTestInstrument {
    std::string name;
    std::vector<XMTestSample> samples;
    uint32_t headerSize = 0; // 0: 263, or 29 without samples
    uint32_t sampleHeaderSize = 40;
    uint8_t keyboard[96] = {};
    XMTestEnvelope volume, panning;
    uint16_t fadeOut = 0;
    uint8_t vibrato[4] = {}; // type, sweep, depth, rate
};

// XM pattern cells by row and channel, written in the packed form.
struct XMTestPattern {
    int rows = 64;
    uint32_t headerLength = 0; // 0: the version's own (9, or 8 for 0x0102)
    bool emptyData = false;    // packed size 0
    struct Cell {
        int row, channel;
        uint8_t note, instrument, volume, effect, param;
    };
    std::vector<Cell> cells;
};

struct XMTestSong {
    std::string name = "test song";
    std::string tracker = "TestBuilder";
    uint16_t version = 0x0104;
    uint32_t headerSize = 276;
    uint16_t channels = 4;
    uint16_t flags = 1;
    uint16_t speed = 6, bpm = 125;
    uint16_t restart = 0;
    std::vector<uint8_t> orders = {0};
    std::vector<XMTestPattern> patterns = {XMTestPattern{}};
    std::vector<XMTestInstrument> instruments;
    int instrumentCountOverride = -1; // stored count, when it should differ from the list
};

std::vector<uint8_t> BuildXM(const XMTestSong& song);

// Little-endian field writers for tests that patch a built file.
void PutU16(std::vector<uint8_t>& bytes, size_t offset, uint16_t value);
void PutU32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value);

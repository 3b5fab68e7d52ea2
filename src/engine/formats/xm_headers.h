// The fixed-size blocks of an XM file as they lie on disk (little-endian, no padding).
#pragma once

#include <cstdint>

#pragma pack(push, 1)

struct XMFileIntro {
    char id[17]; // "Extended Module: "
    char name[20];
    uint8_t marker; // 0x1A
    char tracker[20];
    uint16_t version;
};
static_assert(sizeof(XMFileIntro) == 60);

// Starts at offset 60; headerSize counts from there, so it includes its own four bytes.
struct XMSongHeader {
    uint32_t headerSize;
    uint16_t songLength;
    uint16_t restartPosition;
    uint16_t channels;
    uint16_t patterns;
    uint16_t instruments;
    uint16_t flags;
    uint16_t speed; // "default tempo": ticks per row
    uint16_t bpm;
    uint8_t orders[256];
};
static_assert(sizeof(XMSongHeader) == 276);

struct XMPatternHeader {
    uint32_t headerLength;
    uint8_t packing;
    uint16_t rows;
    uint16_t packedSize;
};
static_assert(sizeof(XMPatternHeader) == 9);

// Version 0x0102 stores the row count less one in a single byte.
struct XMPatternHeaderV102 {
    uint32_t headerLength;
    uint8_t packing;
    uint8_t rowsLessOne;
    uint16_t packedSize;
};
static_assert(sizeof(XMPatternHeaderV102) == 8);

struct XMInstrumentHeader {
    uint32_t size; // of the whole instrument header including this field
    char name[22];
    uint8_t type;
    uint16_t sampleCount;
};
static_assert(sizeof(XMInstrumentHeader) == 29);

// Follows XMInstrumentHeader within its size when the instrument has samples.
struct XMInstrumentExtra {
    uint32_t sampleHeaderSize;
    uint8_t keyboard[96];
    uint16_t volumePoints[24]; // tick, value pairs
    uint16_t panningPoints[24];
    uint8_t volumeCount;
    uint8_t panningCount;
    uint8_t volumeSustain;
    uint8_t volumeLoopStart;
    uint8_t volumeLoopEnd;
    uint8_t panningSustain;
    uint8_t panningLoopStart;
    uint8_t panningLoopEnd;
    uint8_t volumeType; // bit 0 on, bit 1 sustain, bit 2 loop
    uint8_t panningType;
    uint8_t vibratoType;
    uint8_t vibratoSweep;
    uint8_t vibratoDepth;
    uint8_t vibratoRate;
    uint16_t fadeOut;
    uint8_t reserved[22];
};
static_assert(sizeof(XMInstrumentHeader) + sizeof(XMInstrumentExtra) == 263);

struct XMSampleHeader {
    uint32_t length; // bytes in the file's own coding
    uint32_t loopStart;
    uint32_t loopLength;
    uint8_t volume;
    int8_t finetune;
    uint8_t type; // bits 0-1 loop, 0x10 16-bit, 0x20 stereo
    uint8_t panning;
    int8_t relativeNote;
    uint8_t reserved; // 0xAD: 4-bit ADPCM data
    char name[22];
};
static_assert(sizeof(XMSampleHeader) == 40);

#pragma pack(pop)

constexpr uint8_t kXMSample16Bit = 0x10;
constexpr uint8_t kXMSampleStereo = 0x20;
constexpr uint8_t kXMSampleADPCM = 0xAD;

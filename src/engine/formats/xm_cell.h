// One XM pattern cell: how the file packs it and how its bytes map to the engine's cell. The
// reader, the writer and the player all go through here, so the three never disagree.
#pragma once

#include "engine/formats/xm_headers.h"
#include "engine/records.h"

#include <cstddef>
#include <cstdint>

// XM note bytes: 0 none, 1 (C-0) to 96 (B-7), then key-off.
constexpr uint8_t kXMNoteNone = 0;
constexpr uint8_t kXMNoteHighest = kNoteCount;
constexpr uint8_t kXMKeyOff = kNoteCount + 1;

// The volume column byte: 0x10..0x50 sets the volume, the high nibble of the rest is a command
// with the low nibble as its parameter.
enum class VolumeCommand : uint8_t {
    None = 0x0,
    SetVolume = 0x1, // 0x10..0x50 as a whole; 0x51..0x5F do nothing
    SlideDown = 0x6,
    SlideUp = 0x7,
    FineSlideDown = 0x8,
    FineSlideUp = 0x9,
    VibratoSpeed = 0xA,
    Vibrato = 0xB,
    SetPanning = 0xC,
    PanSlideLeft = 0xD,
    PanSlideRight = 0xE,
    TonePorta = 0xF,
};

constexpr uint8_t kXMVolumeSetFirst = 0x10;
constexpr uint8_t kXMVolumeSetLast = 0x50;

constexpr VolumeCommand VolumeCommandOf(uint8_t xmVolume) {
    if (xmVolume >= kXMVolumeSetFirst && xmVolume <= kXMVolumeSetLast)
        return VolumeCommand::SetVolume;
    if (xmVolume < 0x60) return VolumeCommand::None;
    return VolumeCommand(xmVolume >> 4);
}
constexpr uint8_t VolumeCommandParam(uint8_t xmVolume) {
    return xmVolume & 0x0F;
}
// The volume a set-volume byte sets (0..64).
constexpr int VolumeColumnLevel(uint8_t xmVolume) {
    return xmVolume - kXMVolumeSetFirst;
}

// The header sizes a writer stores, from the same structs the reader reads.
constexpr uint32_t kXMSongHeaderSize = sizeof(XMSongHeader);
constexpr uint32_t kXMPatternHeaderSize = sizeof(XMPatternHeader);
constexpr uint32_t kXMEmptyInstrumentHeaderSize = sizeof(XMInstrumentHeader);
constexpr uint32_t kXMInstrumentHeaderSize = sizeof(XMInstrumentHeader) + sizeof(XMInstrumentExtra);
constexpr uint32_t kXMSampleHeaderSize = sizeof(XMSampleHeader);

// The five bytes of a cell as the file holds them.
struct XMCell {
    enum Field : int { kNote, kInstrument, kVolume, kEffect, kParam, kFieldCount };
    uint8_t fields[kFieldCount] = {0, 0, 0, 0, 0};
};

// A packed cell starts with a flag byte (bit 7 set, bits 0-4 the fields that follow) or, without
// bit 7, is all five bytes. Never reads at or past `end`; missing bytes read as zero.
const uint8_t* UnpackXMCell(const uint8_t* p, const uint8_t* end, XMCell& cell);
// Packs the fields whose bits are set in `present` behind a flag byte; returns the byte count.
size_t PackXMCell(const XMCell& cell, uint8_t present, uint8_t (&out)[1 + XMCell::kFieldCount]);

// Engine note byte of an XM note byte.
uint8_t NoteFromXM(uint8_t xmNote);
// XM note byte of an engine note: notes above B-7 play as B-7; unknown bytes are no note.
uint8_t XMNoteOf(uint8_t note);
// Whether the engine note (not none) has an XM form of its own.
bool XMNoteFits(uint8_t note);

constexpr uint8_t InstrumentFromXM(uint8_t xmInstrument) {
    return xmInstrument ? uint8_t(xmInstrument - 1) : kInstrumentNone;
}
constexpr uint8_t XMInstrumentOf(uint8_t instrument) {
    return instrument == kInstrumentNone ? 0 : uint8_t(instrument + 1);
}

// Engine volume byte of an XM volume column byte; 0x51..0x5F and below 0x10 are none.
uint8_t VolumeFromXM(uint8_t xmVolume);
// XM volume column byte of an engine volume byte; 0 for none and for bytes no XM byte means.
uint8_t XMVolumeOf(uint8_t volume);

#include "engine/formats/xm_cell.h"

#include <algorithm>

namespace {

constexpr uint8_t kPackedFlag = 0x80;
constexpr int kSemitones = 12;
// The engine keeps volume commands 16 below their XM byte, right after the set volumes.
constexpr int kVolumeShift = 0x10;
constexpr uint8_t kLevelHighest = 64;
constexpr uint8_t kVolumeHighest = 239;

} // namespace

const uint8_t* UnpackXMCell(const uint8_t* p, const uint8_t* end, XMCell& cell) {
    cell = XMCell{};
    if (p >= end) return p;
    const uint8_t first = *p++;
    if (first & kPackedFlag) {
        for (int f = 0; f < XMCell::kFieldCount; ++f)
            if (first & (1 << f)) cell.fields[f] = p < end ? *p++ : 0;
    } else {
        cell.fields[XMCell::kNote] = first;
        for (int f = 1; f < XMCell::kFieldCount && p < end; ++f) cell.fields[f] = *p++;
    }
    return p;
}

size_t PackXMCell(const XMCell& cell, uint8_t present, uint8_t (&out)[1 + XMCell::kFieldCount]) {
    size_t n = 0;
    out[n++] = uint8_t(kPackedFlag | (present & 0x1F));
    for (int f = 0; f < XMCell::kFieldCount; ++f)
        if (present & (1 << f)) out[n++] = cell.fields[f];
    return n;
}

uint8_t NoteFromXM(uint8_t xmNote) {
    if (xmNote >= 1 && xmNote <= kXMNoteHighest)
        return uint8_t(((xmNote - 1) / kSemitones) * 16 + (xmNote - 1) % kSemitones);
    if (xmNote == kXMKeyOff) return kNoteKeyOff;
    return kNoteNone;
}

uint8_t XMNoteOf(uint8_t note) {
    if (note == kNoteKeyOff) return kXMKeyOff;
    const int semitone = note & 0x0F;
    if (note == kNoteNone || semitone >= kSemitones) return kXMNoteNone;
    const int linear = (note >> 4) * kSemitones + semitone;
    return uint8_t(std::min(linear + 1, int(kXMNoteHighest)));
}

bool XMNoteFits(uint8_t note) {
    if (note == kNoteKeyOff) return true;
    const int semitone = note & 0x0F;
    return semitone < kSemitones && (note >> 4) * kSemitones + semitone < kNoteCount;
}

uint8_t VolumeFromXM(uint8_t xmVolume) {
    if (VolumeCommandOf(xmVolume) == VolumeCommand::None) return kVolumeNone;
    return uint8_t(xmVolume - kVolumeShift);
}

uint8_t XMVolumeOf(uint8_t volume) {
    if (volume <= kLevelHighest) return uint8_t(volume + kVolumeShift);
    if (volume > kVolumeNone && volume <= kVolumeHighest) return uint8_t(volume + kVolumeShift);
    return 0;
}

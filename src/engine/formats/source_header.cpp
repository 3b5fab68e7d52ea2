#include "engine/formats/source_header.h"

#include <algorithm>
#include <cstring>

namespace {

uint16_t Word(const uint8_t* data, size_t offset) {
    return uint16_t(data[offset] | data[offset + 1] << 8);
}

// The reference spreads the sixteen coarse pannings over 0..256; XM stops at 255.
int CoarsePanning(int sixteenths) {
    return std::min((sixteenths * 256 + 8) / 15, 255);
}

} // namespace

bool Stereo(const uint8_t* data, size_t size, SourceKind kind) {
    return kind != SourceKind::S3M || (size > 0x33 && (data[0x33] & 0x80) != 0);
}

bool LinearFrequencies(const uint8_t* data, size_t size, SourceKind kind) {
    return kind == SourceKind::IT && size > 0x2D && (data[0x2C] & 0x08) != 0;
}

bool SavedByOldModPlug(const uint8_t* data, size_t size, SourceKind kind) {
    if (kind != SourceKind::IT || size < 0xC0) return false;
    const uint16_t made = Word(data, 0x28), needs = Word(data, 0x2A);
    const bool reservedZero = std::memcmp(data + 0x3C, "\0\0\0\0", 4) == 0;
    return reservedZero &&
           ((made == 0x0217 && needs == 0x0200) || (made == 0x0214 && needs == 0x0202));
}

// How the reference pitches the file's notes. Scream Tracker pitches by integer periods, and so
// do trackers that save S3Ms like it; S3Ms from Impulse Tracker, Schism Tracker and OpenMPT
// (tracker ids 3 to 5 in the version word) are pitched by exact rates, as are IT files, bar
// those from old ModPlug releases with Amiga slides. MODs by ProTracker's periods.
SourcePitch PitchOf(const uint8_t* data, size_t size, SourceKind kind) {
    if (kind == SourceKind::Mod) return SourcePitch::ProTracker;
    if (kind == SourceKind::S3M) {
        const int tracker = size > 0x29 ? data[0x29] >> 4 : 1;
        return tracker < 3 || tracker > 5 ? SourcePitch::Periods : SourcePitch::Exact;
    }
    const bool old = SavedByOldModPlug(data, size, kind) && !LinearFrequencies(data, size, kind);
    return old ? SourcePitch::Periods : SourcePitch::Exact;
}

// The levels the reference plays an S3M or IT at, in the terms of an XM's stored mix settings:
// the sample pre-amp and global volume from the header, and the mix mode. IT files from old
// ModPlug releases get that editor's first mode, linear with headroom by channel count; all
// others, and MODs, the linear mode without headroom.
void StoreLevels(const uint8_t* data, size_t size, SourceKind kind, ModuleRecord* m) {
    constexpr int kOriginalMode = 0, kCompatibleMode = 4;
    if (kind == SourceKind::IT && size >= 0xC0) {
        const bool modPlug = SavedByOldModPlug(data, size, kind);
        m->storedMixMode = uint8_t((modPlug ? kOriginalMode : kCompatibleMode) + 1);
        m->storedPreAmp = std::min<uint16_t>(data[0x31], 128);
        m->storedGlobalVolume = uint16_t(std::min(data[0x30] * 2, 256) + 1);
    } else if (kind == SourceKind::Mod) {
        // The reference mixes a MOD a third louder than an XM at unity pre-amp (48).
        m->storedMixMode = kCompatibleMode + 1;
        m->storedPreAmp = 64;
    } else if (kind == SourceKind::S3M && size > 0x33) {
        m->storedMixMode = kCompatibleMode + 1;
        int preAmp = std::max(data[0x33] & 0x7F, 0x10);
        // Mono songs are mixed into both sides at 8/11 of that.
        if (!Stereo(data, size, kind)) preAmp = (preAmp * 8 + 5) / 11;
        m->storedPreAmp = uint16_t(preAmp);
        // Files from before Scream Tracker 3.20 with a global volume of 0 play at full.
        const int global = data[0x30] == 0 && Word(data, 0x28) < 0x1320 ? 64 : data[0x30];
        m->storedGlobalVolume = uint16_t(std::min(global, 64) * 4 + 1);
    }
}

// Stereo channels sit at a fifth from the edge by their side bit, unless the file keeps a table
// of pannings after the pattern pointers (marked 0xFC at 0x35): sixteen steps there, spread
// over the whole range as the reference spreads them.
std::vector<int> S3MChannelPans(const uint8_t* data, size_t size) {
    if (size < 0x60 || !Stereo(data, size, SourceKind::S3M)) return {};
    std::vector<int> pans(32, 128);
    const uint8_t* settings = data + 0x40;
    for (size_t c = 0; c < pans.size(); ++c) {
        const int type = settings[c] & 0x7F;
        if (settings[c] != 0xFF && type < 16) pans[c] = (type & 8) ? 0xCC : 0x33;
    }
    const size_t table =
        0x60 + size_t(Word(data, 0x20)) + 2 * (size_t(Word(data, 0x22)) + Word(data, 0x24));
    if (data[0x35] != 0xFC || table + 32 > size) return pans;
    for (size_t c = 0; c < pans.size(); ++c) {
        const int entry = data[table + c];
        if (entry & 0x20) pans[c] = CoarsePanning(entry & 0x0F);
    }
    return pans;
}

namespace {

constexpr uint8_t kS3MExtended = 'S' - '@';

bool Kept(uint8_t command, uint8_t param) {
    switch (command) {
    case 'M' - '@': // channel volume, its slide, panning slide, global volume slide, panbrello
    case 'N' - '@':
    case 'P' - '@':
    case 'W' - '@':
    case 'Y' - '@':
        return false;
    case kS3MExtended: { // panbrello wave, fine pattern delay, sound control, high offset
        const int sub = param >> 4;
        return sub != 0x5 && sub != 0x6 && sub != 0x9 && sub != 0xA;
    }
    default:
        return true;
    }
}

// One pattern's packed rows. libxmp counts the stored length against the note, volume and
// effect bytes only, and stops at 64 rows.
void ScanPattern(const uint8_t* data, size_t size, size_t at, int pattern,
                 std::vector<S3MRawEffect>& out) {
    if (at + 2 > size) return;
    int budget = int(Word(data, at)) - 2, row = 0;
    for (size_t i = at + 2; budget >= 0 && row < 64 && i < size;) {
        const uint8_t what = data[i++];
        if (what == 0) {
            ++row;
            continue;
        }
        const size_t payload = (what & 0x20 ? 2 : 0) + (what & 0x40 ? 1 : 0);
        i += payload;
        budget -= int(payload);
        if (!(what & 0x80)) continue;
        if (i + 2 > size) return;
        const uint8_t command = data[i], param = data[i + 1];
        i += 2;
        budget -= 2;
        const S3MRawEffect effect{pattern, row, what & 0x1F, command, param};
        if (S3MCoarsePanning(effect) >= 0 || S3MEffectLost(effect)) out.push_back(effect);
    }
}

} // namespace

std::vector<S3MRawEffect> S3MRawEffects(const uint8_t* data, size_t size) {
    std::vector<S3MRawEffect> out;
    if (size < 0x60) return out;
    const size_t orders = Word(data, 0x20), samples = Word(data, 0x22);
    // libxmp refuses more than 255 patterns; the cap bounds the scan all the same.
    const size_t patterns = std::min<size_t>(Word(data, 0x24), kMaxPatterns);
    const size_t pointers = 0x60 + orders + 2 * samples;
    for (size_t p = 0; p < patterns && pointers + 2 * p + 2 <= size; ++p)
        if (const size_t at = size_t(Word(data, pointers + 2 * p)) * 16; at != 0)
            ScanPattern(data, size, at, int(p), out);
    return out;
}

bool S3MEffectLost(const S3MRawEffect& effect) {
    return !Kept(effect.command, effect.param);
}

int S3MCoarsePanning(const S3MRawEffect& effect) {
    if (effect.command != kS3MExtended || effect.param >> 4 != 0x8) return -1;
    return CoarsePanning(effect.param & 0x0F);
}

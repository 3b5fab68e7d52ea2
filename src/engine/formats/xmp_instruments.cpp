#include "engine/formats/xmp_instruments.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <xmp.h>

void ConvertEnvelope(const xmp_envelope& source, EnvelopeRecord& target, bool centred,
                     uint32_t (&lost)[kLossCount]) {
    int points = std::clamp(source.npt, 0, XMP_MAX_ENV_POINTS);
    if (points > kMaxEnvelopePoints) {
        lost[kLossEnvelopePoints] += uint32_t(points - kMaxEnvelopePoints);
        points = kMaxEnvelopePoints;
    }
    for (int i = 0; i < points; ++i) {
        const int value = source.data[i * 2 + 1] + (centred ? 32 : 0);
        target.points[i] = {uint16_t(std::max<int>(source.data[i * 2], 0)),
                            int16_t(std::clamp(value, 0, 64))};
    }
    auto index = [points](int i) { return uint8_t(i >= 0 && i < points ? i : 0); };
    target.savedPointCount = uint8_t(points);
    target.savedSustain = index(source.sus);
    target.savedLoopStart = index(source.lps);
    target.savedLoopEnd = index(source.lpe);
    const bool on = (source.flg & XMP_ENVELOPE_ON) && points > 0;
    target.pointCount = on ? uint8_t(points) : 0;
    const bool sustain = source.flg & (XMP_ENVELOPE_SUS | XMP_ENVELOPE_SLOOP);
    if ((source.flg & XMP_ENVELOPE_SLOOP) && source.sue != source.sus) ++lost[kLossSustainLoops];
    target.sustainPoint = sustain ? target.savedSustain : kEnvelopeNone;
    const bool loop = source.flg & XMP_ENVELOPE_LOOP;
    target.loopStart = loop ? target.savedLoopStart : kEnvelopeNone;
    target.loopEnd = loop ? target.savedLoopEnd : kEnvelopeNone;
}

void HoldUntilReleased(EnvelopeRecord& e) {
    e.points[0] = {0, 64};
    e.points[1] = {1, 64};
    e.pointCount = e.savedPointCount = 2;
    e.sustainPoint = e.savedSustain = 0;
    e.loopStart = e.loopEnd = kEnvelopeNone;
    e.savedLoopStart = e.savedLoopEnd = 0;
}

namespace {

// Ends the name (as the XM's 22 characters hold it) with `suffix`, shortening it to make room.
void EndNameWith(char (&name)[kNameSize], const char* suffix) {
    constexpr size_t kXMName = 22;
    const size_t added = std::strlen(suffix);
    size_t keep = strnlen(name, kXMName);
    while (keep > 0 && name[keep - 1] == ' ') --keep;
    keep = std::min(keep, kXMName - added);
    // A nameless record gets the suffix alone, without the space before it.
    const size_t skip = keep == 0 && suffix[0] == ' ' ? 1 : 0;
    std::memcpy(name + keep, suffix + skip, added + 1 - skip);
}

} // namespace

void NamePannedCopy(char (&name)[kNameSize], int pan) {
    char suffix[12];
    std::snprintf(suffix, sizeof suffix, " (pan %02X)", pan & 0xFF);
    EndNameWith(name, suffix);
}

void NameTunedCopy(char (&name)[kNameSize], int note) {
    static constexpr const char* kNames[12] = {"C-", "C#", "D-", "D#", "E-", "F-",
                                               "F#", "G-", "G#", "A-", "A#", "B-"};
    char suffix[12];
    std::snprintf(suffix, sizeof suffix, " (%s%d)", kNames[(note % 12 + 12) % 12],
                  std::clamp(note / 12, 0, 9));
    EndNameWith(name, suffix);
}

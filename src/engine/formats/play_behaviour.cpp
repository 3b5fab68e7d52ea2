#include "engine/formats/play_behaviour.h"

#include "engine/field_access.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string_view>

namespace {

// Versions of OpenMPT from which its files are played with a later behaviour.
constexpr uint32_t kExactFinetuneFrom = 0x01220719;
constexpr uint32_t kKeyOffFadesFrom = 0x01270027;
constexpr uint32_t kFineDelayIgnoredFrom = 0x01180000; // with compatible play
constexpr uint32_t kFineDelaysAddFrom = 0x01200000;
constexpr uint32_t kSquareRootPanningFrom = 0x01220719;
// The version our blocks claim: one the reference upgrades nothing of, so the bits stand.
constexpr uint32_t kStoredVersion = 0x01310000;

// Mix modes as the reference numbers them.
constexpr uint8_t kModeFirstEditor = 0, kModeLinear = 4, kModeSquareRoot = 5;

// The reference's behaviour bits that ours map to, and the set its current editor stores for
// an XM (compatible play, tempo clamp, the tracker's effect, envelope and period quirks), as a
// file it saved holds them (TremoloWaveforms.xm).
constexpr int kBitCompatiblePlay = 0, kBitSoftRamps = 4, kBitTrackerArpeggio = 51,
              kBitNoXExtensions = 58, kBitCoarseFinetune = 76, kBitNoteOffFlags = 86;
constexpr int kBitsThroughNoteOffFlags = kBitNoteOffFlags / 8 + 1; // a full set reaches this far
constexpr std::initializer_list<int> kXMBits = {
    0,  8,  9,  10, 17, 40, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63, 64,
    65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 86, 88, 89, 90, 93, 98, 112};

// "OpenMPT 1.20.00.39" as 0x01200039; 0 for any other tracker name.
uint32_t OpenMptVersion(const char* tracker) {
    constexpr char kPrefix[] = "OpenMPT ";
    if (std::strncmp(tracker, kPrefix, sizeof kPrefix - 1) != 0) return 0;
    uint32_t version = 0;
    int fields = 0;
    const char* p = tracker + sizeof kPrefix - 1;
    while (fields < 4) {
        char* end = nullptr;
        const unsigned long field = std::strtoul(p, &end, 16);
        if (end == p || field > 0xFF) return 0;
        version = (version << 8) | uint32_t(field);
        ++fields;
        if (*end != '.') break;
        p = end + 1;
    }
    return version << (8 * (4 - fields));
}

// The flags the saving tracker's name and version and a stored bit set call for.
uint32_t FlagsFrom(const char* tracker, uint32_t fileFlags, const StoredPlaySettings& stored) {
    const uint32_t version = OpenMptVersion(tracker);
    const bool compatible = (fileFlags & kModuleFlagCompatiblePlay) != 0;
    auto before = [version](uint32_t v) { return version != 0 && version < v; };
    const bool bitsStored = stored.referenceBytes >= size_t(kBitsThroughNoteOffFlags);
    auto bitOff = [&](int bit) {
        return bitsStored && (stored.referenceBits[size_t(bit / 8)] & (1u << (bit % 8))) == 0;
    };
    uint32_t play = 0;
    if (stored.signedByOriginal || (bitsStored && !bitOff(kBitSoftRamps))) play |= kPlaySoftRamps;
    if (before(kExactFinetuneFrom) || bitOff(kBitCoarseFinetune)) play |= kPlayFullFinetune;
    if ((before(kKeyOffFadesFrom) && !compatible) || bitOff(kBitNoteOffFlags))
        play |= kPlayKeyOffOnlyCuts;
    if ((version != 0 && (!compatible || version < kFineDelayIgnoredFrom)) ||
        bitOff(kBitNoXExtensions))
        play |= kPlayFinePatternDelays;
    if (before(kFineDelaysAddFrom)) play |= kPlayLastFineDelayCounts;
    if (bitOff(kBitTrackerArpeggio)) play |= kPlayArpeggioByRowTick;
    return play;
}

// The reference pans an XM by the tracker's square-root law only when it comes from a tracker
// it knows to pan that way: the original and its faithful clone, MilkyTracker releases that
// sign with a version (0.90.87 on), and its own editor from 1.22.07.19. Any other is panned
// linearly, 3 dB quieter in the middle. Modules converted from other formats keep the
// square-root law they were tuned with; the importer stores a mode for S3M and IT. Files signed
// by the reference's ancestor's first releases (the tracker's name with a space before the
// version) get that one's first mode.
uint8_t MixModeFor(const ModuleRecord& m, const char* tracker, bool signedByOriginal) {
    const bool fromXM = m.origin[0] == 'x' && m.origin[1] == 'm';
    if (fromXM && std::strcmp(tracker, "FastTracker v 2.00") == 0) return kModeFirstEditor;
    constexpr std::string_view kMilky = "MilkyTracker";
    const std::string_view name(tracker);
    const bool squareRoot = !fromXM || signedByOriginal || name == "Fasttracker II clone" ||
                            (name.size() > kMilky.size() && name.starts_with(kMilky)) ||
                            OpenMptVersion(tracker) >= kSquareRootPanningFrom;
    return squareRoot ? kModeSquareRoot : kModeLinear;
}

} // namespace

void DecidePlayBehaviour(ModuleRecord& module, const StoredPlaySettings& stored) {
    char tracker[sizeof module.tracker];
    std::memcpy(tracker, module.tracker, sizeof tracker);
    tracker[sizeof tracker - 1] = '\0';
    // The version rules are about OpenMPT's XM files; an S3M or IT it saved plays by none.
    const bool fromXM = module.origin[0] == 'x' && module.origin[1] == 'm';
    const char* named = fromXM ? tracker : "";
    module.playBehaviour = stored.oursStored ? stored.ours : FlagsFrom(named, module.flags, stored);
    if (const uint32_t version = OpenMptVersion(named)) module.referenceVersion = version;
    if (!module.storedMixMode)
        module.storedMixMode = uint8_t(MixModeFor(module, tracker, stored.signedByOriginal) + 1);
}

namespace {

void Field(std::vector<uint8_t>& out, const char (&tag)[5], const uint8_t* value, size_t size) {
    // Tags are stored last character first, then a 2-byte size and the value.
    for (int i = 3; i >= 0; --i) out.push_back(uint8_t(tag[i]));
    out.push_back(uint8_t(size));
    out.push_back(uint8_t(size >> 8));
    out.insert(out.end(), value, value + size);
}

void Field32(std::vector<uint8_t>& out, const char (&tag)[5], uint32_t value) {
    const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                              uint8_t(value >> 24)};
    Field(out, tag, bytes, sizeof bytes);
}

// The reference's bits for our flags: its XM set, with soft ramps, and without the precision,
// note-off, effect and arpeggio rules the older or converted behaviours lack.
std::array<uint8_t, 15> ReferenceBits(uint32_t play) {
    std::array<uint8_t, 15> bits{};
    auto set = [&bits](int bit, bool on) {
        const uint8_t mask = uint8_t(1u << (bit % 8));
        bits[size_t(bit / 8)] =
            uint8_t(on ? bits[size_t(bit / 8)] | mask : bits[size_t(bit / 8)] & ~mask);
    };
    for (int bit : kXMBits) set(bit, true);
    set(kBitCompatiblePlay, true);
    set(kBitSoftRamps, (play & kPlaySoftRamps) != 0);
    set(kBitCoarseFinetune, (play & kPlayFullFinetune) == 0);
    set(kBitNoteOffFlags, (play & kPlayKeyOffOnlyCuts) == 0);
    set(kBitNoXExtensions, (play & kPlayFinePatternDelays) == 0);
    set(kBitTrackerArpeggio, (play & kPlayArpeggioByRowTick) == 0);
    return bits;
}

} // namespace

// A file from the reference's own editor (or one we saved) keeps its version and stored bits, so
// the reference upgrades the copy from the same start as the original, and our flags need no
// translation. Any other gets a version the reference upgrades nothing of, and the bits our
// flags call for.
std::vector<uint8_t> StoredSettingsBlock(const ModuleRecord& m) {
    std::vector<uint8_t> out{'S', 'T', 'P', 'M'};
    const uint32_t play = FieldLoad(m.playBehaviour);
    const uint32_t version = FieldLoad(m.referenceVersion);
    Field32(out, "LSWV", version ? version : kStoredVersion);
    const int mode = FieldLoad(m.storedMixMode);
    Field32(out, "PMM.", uint32_t(mode ? mode - 1 : kModeSquareRoot));
    if (const int preAmp = FieldLoad(m.storedPreAmp)) Field32(out, "SPA.", uint32_t(preAmp));
    if (const int global = FieldLoad(m.storedGlobalVolume))
        Field32(out, "DGV.", uint32_t(global - 1));
    const size_t kept = std::min<size_t>(FieldLoad(m.referenceBitBytes), sizeof m.referenceBits);
    // A stored block without bits starts the reference from none at all.
    if (version && (FieldLoad(m.flags) & kModuleFlagSettingsBlock)) {
        Field(out, "MSF.", m.referenceBits, kept);
    } else {
        const std::array<uint8_t, 15> bits = ReferenceBits(version ? 0 : play);
        Field(out, "MSF.", bits.data(), bits.size());
    }
    Field32(out, "CWPB", play);
    return out;
}

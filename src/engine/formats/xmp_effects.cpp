#include "engine/formats/xmp_effects.h"

#include "engine/effect_catalogue.h"
#include "engine/formats/source_header.h"

#include <algorithm>
#include <xmp.h>

namespace {

// libxmp's internal effect numbers beyond the XM ones, as its loaders produce them.
enum XmpEffect : uint8_t {
    kXmpSpeed = 0x0f,
    kXmpItBpm = 0x87,
    kXmpItBreak = 0x8e,
    kXmpS3mSpeed = 0xa3,
    kXmpVolSlide2 = 0xa4,
    kXmpFineVolSlide = 0xa5,
    kXmpS3mBpm = 0xab,
    kXmpFineVibrato = 0xac,
    kXmpFineVolSlideUp = 0xad,
    kXmpFineVolSlideDown = 0xae,
    kXmpFinePortaUp = 0xaf,
    kXmpFinePortaDown = 0xb0,
    kXmpPatternDelay = 0xb3,
    kXmpS3mArpeggio = 0xb4,
    kXmpPanSlideNoMemory = 0xb5,
    kXmpVolColSlideUp = 0xc0,
    kXmpVolColSlideDown = 0xc1,
    kXmpVolColFineUp = 0xc2,
    kXmpVolColFineDown = 0xc3,
};

// One effect, as an XM effect and parameter or as an XM volume-column byte.
struct XMEffect {
    bool valid = false;
    uint8_t effect = 0, param = 0;
    uint8_t volumeColumn = 0; // XM volume-column byte (0x60..0xFF) when the column can hold it
    bool rounded = false;     // XM holds only something near the source's effect
};

XMEffect Effect(uint8_t e, uint8_t p) {
    return {true, e, p, 0};
}

uint8_t ToDecimalDigits(uint8_t row) {
    return uint8_t((row / 10) << 4 | (row % 10));
}

// S3M and IT fold fine and extra-fine slides into the parameter of the plain slide.
XMEffect PitchSlide(bool up, uint8_t p, SourceKind kind) {
    if (kind == SourceKind::S3M || kind == SourceKind::IT) {
        if ((p & 0xF0) == 0xF0) return Effect(0x0E, uint8_t((up ? 0x10 : 0x20) | (p & 0x0F)));
        if ((p & 0xF0) == 0xE0) return Effect(0x21, uint8_t((up ? 0x10 : 0x20) | (p & 0x0F)));
    }
    return Effect(up ? 0x01 : 0x02, p);
}

XMEffect VolumeSlide(uint8_t p, SourceKind kind) {
    if (kind == SourceKind::S3M || kind == SourceKind::IT) {
        const uint8_t hi = p >> 4, lo = p & 0x0F;
        if (lo == 0x0F && hi != 0) return Effect(0x0E, uint8_t(0xA0 | hi));
        if (hi == 0x0F && lo != 0) return Effect(0x0E, uint8_t(0xB0 | lo));
    }
    return Effect(0x0A, p);
}

// Impulse Tracker slides its global volume in steps of a 128th and has fine slides (WxF, WFx),
// which XM's, in 64ths, lacks.
XMEffect GlobalVolumeSlide(uint8_t p, SourceKind kind) {
    if (kind != SourceKind::IT) return Effect(0x11, p);
    const uint8_t up = p >> 4, down = p & 0x0F;
    if ((up == 0x0F && down != 0) || (down == 0x0F && up != 0)) return {};
    const uint8_t halved = uint8_t(((up + 1) / 2) << 4 | (down + 1) / 2);
    return {true, 0x11, halved, 0, ((up | down) & 1) != 0};
}

// The volume column's slides, which libxmp numbers apart from the effect column's.
XMEffect VolumeColumnSlide(uint8_t t, uint8_t p) {
    switch (t) {
    case kXmpVolColSlideUp:
        return {true, 0x0A, uint8_t(p << 4), uint8_t(0x70 | (p & 0x0F))};
    case kXmpVolColSlideDown:
        return {true, 0x0A, uint8_t(p & 0x0F), uint8_t(0x60 | (p & 0x0F))};
    case kXmpVolColFineUp:
        return {true, 0x0E, uint8_t(0xA0 | (p & 0x0F)), uint8_t(0x90 | (p & 0x0F))};
    case kXmpVolColFineDown:
        return {true, 0x0E, uint8_t(0xB0 | (p & 0x0F)), uint8_t(0x80 | (p & 0x0F))};
    default:
        return {};
    }
}

XMEffect Convert(uint8_t t, uint8_t p, SourceKind kind, ChannelMemory& memory) {
    switch (t) {
    case 0x00:
        if (p == 0) return {};
        return Effect(0x00, p);
    case 0x01:
        return PitchSlide(true, p, kind);
    case 0x02:
        return PitchSlide(false, p, kind);
    case 0x03:
    case 0x04:
    case 0x05:
    case 0x06:
    case 0x07:
    case 0x08:
    case 0x09:
    case 0x0B:
    case 0x0C:
    case 0x0E:
    case 0x14:
    case 0x15:
    case 0x19:
    case 0x1B:
    case 0x1D:
    case 0x21:
        return Effect(t, p);
    case 0x0A:
        return VolumeSlide(p, kind);
    case 0x10:
        // Impulse Tracker's global volume runs to 128, XM's to 64.
        if (kind == SourceKind::IT) return Effect(0x10, uint8_t((p + 1) / 2));
        return Effect(t, p);
    case 0x11:
        return GlobalVolumeSlide(p, kind);
    case 0x0D:
        return Effect(0x0D, p);
    case kXmpItBreak:
        return Effect(0x0D, ToDecimalDigits(p));
    case kXmpSpeed:
        return Effect(0x0F, p);
    case kXmpS3mSpeed:
        if (p == 0) return Effect(0x00, 0x00); // ignored there too
        // XM reads 32 and more as a tempo.
        return {true, 0x0F, uint8_t(p < 32 ? p : 31), 0, p >= 32};
    case kXmpS3mBpm:
    case kXmpItBpm:
        if (p < 32) return {}; // tempo slides have no XM form
        return Effect(0x0F, p);
    case kXmpVolSlide2:
        return VolumeSlide(p, kind);
    case kXmpFineVolSlideUp:
        return Effect(0x0E, uint8_t(0xA0 | (p & 0x0F)));
    case kXmpFineVolSlideDown:
        return Effect(0x0E, uint8_t(0xB0 | (p & 0x0F)));
    case kXmpFinePortaUp:
        return Effect(0x0E, uint8_t(0x10 | (p & 0x0F)));
    case kXmpFinePortaDown:
        return Effect(0x0E, uint8_t(0x20 | (p & 0x0F)));
    case kXmpPatternDelay:
        if (p > 15) return {};
        return Effect(0x0E, uint8_t(0xE0 | p));
    case kXmpFineVibrato: {
        // Four times finer than XM vibrato: keep the speed, quarter the depth.
        const uint8_t depth = uint8_t(((p & 0x0F) + 3) / 4);
        return Effect(0x04, uint8_t((p & 0xF0) | depth));
    }
    case kXmpS3mArpeggio:
        // A zero parameter repeats the last arpeggio; XM's would play nothing.
        if (p) memory.arpeggio = p;
        return memory.arpeggio ? Effect(0x00, memory.arpeggio) : XMEffect{};
    case kXmpPanSlideNoMemory:
        return Effect(0x19, p);
    default:
        return VolumeColumnSlide(t, p);
    }
}

// The volume-column byte that does what an effect does, where the column has such a form.
uint8_t VolumeColumnForm(const XMEffect& e) {
    if (e.volumeColumn) return e.volumeColumn;
    if (e.effect == 0x08) return uint8_t(0xC0 | (e.param >> 4));
    if (e.effect == 0x03 && (e.param & 0x0F) == 0) return uint8_t(0xF0 | (e.param >> 4));
    if (e.effect == 0x0C && e.param <= 64) return uint8_t(0x10 + e.param);
    return 0;
}

bool PlaceEffect(const XMEffect& e, ImportedCell& cell) {
    if (cell.command != 0 || cell.param != 0) return false;
    uint8_t command = 0, param = 0;
    if (!XMEffectToCommand(e.effect, e.param, command, param)) return false;
    cell.command = command;
    cell.param = param;
    return true;
}

// MOD slides have no memory: a zero parameter slides nothing, where XM's repeats the last
// slide. Those are dropped (libxmp drops most itself; CountSilentModSlides counts them all),
// and the slide halves of 5xy and 6xy keep their porta or vibrato half alone. False when the
// effect is to go.
bool WithoutModMemory(uint8_t& t, uint8_t& p) {
    switch (t) {
    case 0x01:
    case 0x02:
    case 0x0A:
        return p != 0;
    case 0x05:
    case 0x06:
        if (p == 0) t = t == 0x05 ? 0x03 : 0x04;
        return true;
    case 0x0E: {
        const uint8_t sub = p >> 4;
        return !((sub == 0x1 || sub == 0x2 || sub == 0xA || sub == 0xB) && (p & 0x0F) == 0);
    }
    default:
        return true;
    }
}

// Scream Tracker keeps one parameter per channel for its slides, tremor, arpeggio, retrigger and
// tremolo; Impulse Tracker one for its two pitch slides. XM keeps one per effect, so a zero
// parameter gets the one the source would use.
void WithSharedMemory(uint8_t t, uint8_t& p, SourceKind kind, ChannelMemory& memory) {
    bool shares = false;
    if (kind == SourceKind::S3M) {
        switch (t) {
        case 0x01:
        case 0x02:
        case 0x05:
        case 0x06:
        case 0x07:
        case 0x0A:
        case 0x1B:
        case 0x1D:
        case kXmpVolSlide2:
        case kXmpS3mArpeggio:
            shares = true;
            break;
        default:
            break;
        }
    } else if (kind == SourceKind::IT) {
        shares = t == 0x01 || t == 0x02;
    }
    if (!shares) return;
    if (p == 0)
        p = memory.shared;
    else
        memory.shared = p;
}

} // namespace

void TranslateEvent(const xmp_event& event, SourceKind kind, ChannelMemory& memory,
                    ImportedCell& cell, uint32_t (&lost)[kLossCount]) {
    // libxmp numbers notes one octave and one step above XM's 0-based C-0.
    if (event.note == XMP_KEY_CUT && kind == SourceKind::IT)
        cell.cut = true;
    else if (event.note == XMP_KEY_OFF || event.note == XMP_KEY_CUT || event.note == XMP_KEY_FADE)
        cell.note = kNoteKeyOff;
    else if (event.note >= 13 && event.note < 13 + kNoteCount)
        cell.note = uint8_t((event.note - 13) / 12 * 16 + (event.note - 13) % 12);
    if (event.ins > 0) cell.instrument = uint8_t(event.ins - 1);
    if (event.vol > 0) cell.volume = uint8_t(event.vol - 1 > 64 ? 64 : event.vol - 1);

    uint8_t t1 = event.fxt, p1 = event.fxp, t2 = event.f2t, p2 = event.f2p;
    XMEffect first, second;
    if (kind != SourceKind::Mod || WithoutModMemory(t1, p1)) {
        WithSharedMemory(t1, p1, kind, memory);
        first = Convert(t1, p1, kind, memory);
        if (((t1 != 0 || p1 != 0) && !first.valid) || first.rounded) ++lost[kLossEffects];
    }
    if (t2 != 0 || p2 != 0) {
        second = Convert(t2, p2, kind, memory);
        if (!second.valid || second.rounded) ++lost[kLossEffects];
    }

    if (first.valid) {
        if (first.volumeColumn && cell.volume == kVolumeNone)
            cell.volume = uint8_t(first.volumeColumn - 16);
        else if (!PlaceEffect(first, cell))
            ++lost[kLossEffects];
    }
    // The second effect (usually a volume-column one) goes to the volume column when it can.
    if (second.valid) {
        const uint8_t column = VolumeColumnForm(second);
        if (column && cell.volume == kVolumeNone)
            cell.volume = uint8_t(column - 16);
        else if (!PlaceEffect(second, cell))
            ++lost[kLossVolumeColumn];
    }
}

PanningRoom RoomForPanning(const ImportedCell& cell, int defaultVolume) {
    // A volume the instrument number sets anyway can make room.
    const bool redundantVolume = cell.volume == defaultVolume && cell.command != 0;
    if (cell.volume == kVolumeNone || redundantVolume) return PanningRoom::VolumeColumn;
    if (cell.command == 0 && cell.param == 0) return PanningRoom::EffectColumn;
    return PanningRoom::None;
}

bool FollowPanning(const ImportedCell& cell, int& channelPan) {
    constexpr uint8_t kPanColumn = 0xC0 - 16;
    if (cell.command == kCmdSetPanning) {
        channelPan = cell.param;
        return true;
    }
    if (cell.volume >= kPanColumn && cell.volume < kPanColumn + 16) {
        channelPan = (cell.volume - kPanColumn) << 4;
        return true;
    }
    return false;
}

bool ExactlyInVolumeColumn(int pan) {
    return pan % 16 == 0;
}

bool CarryChannelPanning(ImportedCell& cell, int& channelPan, const InstrumentUse& use,
                         uint32_t (&lost)[kLossCount]) {
    constexpr uint8_t kPanColumn = 0xC0 - 16; // volume-column "set panning", as the cell holds it
    if (FollowPanning(cell, channelPan) || cell.instrument == kInstrumentNone) return false;
    if (channelPan == use.samplePanning) return false;
    const PanningRoom room = RoomForPanning(cell, use.defaultVolume);
    // The volume column holds a panning in sixteenths, the effect column exactly.
    const bool effectFree = cell.command == 0 && cell.param == 0;
    const bool exact = ExactlyInVolumeColumn(channelPan);
    if (room == PanningRoom::VolumeColumn && (exact || !effectFree)) {
        cell.volume = uint8_t(kPanColumn + std::min((channelPan + 8) >> 4, 15));
        return !exact;
    } else if (room != PanningRoom::None) {
        cell.command = kCmdSetPanning;
        cell.param = uint8_t(channelPan);
    } else if (use.repeatsPlain && !use.restartsWaves && cell.volume <= 64) {
        // What the number would reset the volume column sets, and the panning is to stay.
        cell.instrument = kInstrumentNone;
    } else {
        ++lost[kLossChannelSettings];
    }
    return false;
}

namespace {

bool SlidesVolume(const ImportedCell& cell) {
    switch (cell.command) {
    case kCmdVolumeSlide:
    case kCmdTonePortaVolSlide:
    case kCmdVibratoVolSlide:
    case kCmdFineVolSlideUp:
    case kCmdFineVolSlideDown:
    case kCmdMultiRetrig:
    case kCmdTremor:
        return true;
    default:
        break;
    }
    const int column = cell.volume + 16; // the XM volume-column byte
    return cell.volume != kVolumeNone && column >= 0x60 && column < 0xA0;
}

} // namespace

void KeepNoteCut(ImportedCell& cell, int defaultVolume, ChannelVolume& state,
                 uint32_t (&lost)[kLossCount]) {
    if (cell.instrument != kInstrumentNone) state.known = defaultVolume;
    if (cell.volume <= 64) state.known = cell.volume;
    if (cell.command == kCmdSetVolume) state.known = std::min<int>(cell.param, 64);
    if (SlidesVolume(cell)) state.known = -1;
    if (cell.cut) {
        if (cell.volume == kVolumeNone) {
            cell.volume = 0;
        } else if (cell.command == 0 && cell.param == 0) {
            cell.command = kCmdNoteCut;
        } else {
            cell.note = kNoteKeyOff; // the nearest XM has, and counted
            ++lost[kLossEffects];
            return;
        }
        state.cut = true;
        return;
    }
    if (!state.cut || cell.note >= kNoteKeyOff) return;
    state.cut = false;
    if (cell.instrument != kInstrumentNone || cell.volume <= 64) return; // sets one itself
    if (cell.volume == kVolumeNone && state.known >= 0)
        cell.volume = uint8_t(state.known);
    else
        ++lost[kLossEffects];
}

bool FitArpeggioOrder(uint8_t& param, int speed) {
    const int wanted[3] = {0, param >> 4, param & 0x0F};
    int fitted[3] = {0, -1, -1}; // XM's offsets by the ticks left, modulo 3
    for (int tick = 1; tick < speed; ++tick) {
        const int slot = (speed - tick) % 3, offset = wanted[tick % 3];
        if (fitted[slot] >= 0 && fitted[slot] != offset) return false;
        fitted[slot] = offset;
    }
    param = uint8_t(std::max(fitted[1], 0) << 4 | std::max(fitted[2], 0));
    return true;
}

uint32_t CountSilentModSlides(const uint8_t* data, size_t size, int channels, int patterns) {
    constexpr size_t kPatternData = 1084; // after 31 sample headers, the orders and the tag
    uint32_t count = 0;
    const size_t cells = size_t(64 * std::max(channels, 0));
    for (size_t i = 0; i < cells * size_t(std::max(patterns, 0)); ++i) {
        const size_t at = kPatternData + i * 4;
        if (at + 4 > size) break;
        const uint8_t effect = data[at + 2] & 0x0F, param = data[at + 3];
        const uint8_t sub = param >> 4;
        if ((effect == 0x1 || effect == 0x2 || effect == 0xA) && param == 0) ++count;
        if (effect == 0xE && (param & 0x0F) == 0 &&
            (sub == 1 || sub == 2 || sub == 0xA || sub == 0xB))
            ++count;
    }
    return count;
}

void FollowS3MEffects(const uint8_t* data, size_t size, xmp_module& x, ModuleRecord& m) {
    constexpr int kXmpSetPanning = 0x08;
    for (const S3MRawEffect& raw : S3MRawEffects(data, size)) {
        if (raw.pattern >= x.pat || raw.channel >= x.chn || !x.xxp[raw.pattern]) continue;
        const int track = x.xxp[raw.pattern]->index[raw.channel];
        if (track < 0 || track >= x.trk || !x.xxt[track] || raw.row >= x.xxt[track]->rows) continue;
        xmp_event& event = x.xxt[track]->event[raw.row];
        if (S3MEffectLost(raw)) ++m.lost[kLossEffects];
        const int pan = S3MCoarsePanning(raw);
        if (pan >= 0 && event.fxt == kXmpSetPanning) event.fxp = uint8_t(pan);
    }
}

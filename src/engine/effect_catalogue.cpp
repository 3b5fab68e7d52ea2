#include "engine/effect_catalogue.h"

namespace {

const EffectInfo kCatalogue[kEffectCount] = {
    {"[none]", 0x00, 0},
    {"arpeggio", 0x00, 0},
    {"period slide up", 0x01, 0},
    {"period slide down", 0x02, 0},
    {"tone portamento", 0x03, 0},
    {"vibrato", 0x04, 0},
    {"tone portamento + volume slide", 0x05, 0},
    {"vibrato + volume slide", 0x06, 0},
    {"tremolo", 0x07, 0},
    {"set panning (PT cmd 8)", 0x08, 0},
    {"set sample offset", 0x09, 0},
    {"volume slide", 0x0A, 0},
    {"position jump", 0x0B, 0},
    {"set volume", 0x0C, 0},
    {"pattern break (to a row)", 0x0D, 0},
    {"set speed", 0x0F, 0},
    {"set tempo in BPM", 0x0F, 0},
    {"fine period slide up", 0x0E, 0x10},
    {"fine period slide down", 0x0E, 0x20},
    {"pattern loop set/loop", 0x0E, 0x60},
    {"set 16-point panning value", 0x00, 0},
    {"Protracker-style retrig note", 0x0E, 0x90},
    {"fine volume slide up", 0x0E, 0xA0},
    {"fine volume slide down", 0x0E, 0xB0},
    {"note cut", 0x0E, 0xC0},
    {"note delay", 0x0E, 0xD0},
    {"pattern delay", 0x0E, 0xE0},
    {"set master volume", 0x10, 0},
    {"master volume slide", 0x11, 0},
    {"S3M retrig note", 0x1B, 0},
    {"music sync. command", 0x00, 0},
    {"extra fine period slide up", 0x21, 0x10},
    {"extra fine period slide down", 0x21, 0x20},
    {"panning slide", 0x19, 0},
    {"key off", 0x14, 0},
    {"set envelope position", 0x15, 0},
    {"tremor", 0x1D, 0},
    {"glissando control", 0x0E, 0x30},
    {"set vibrato waveform", 0x0E, 0x40},
    {"set finetune", 0x0E, 0x50},
    {"set tremolo waveform", 0x0E, 0x70},
    {"set coarse panning", 0x0E, 0x80},
    {"amiga filter", 0x0E, 0x00},
    {"funk repeat", 0x0E, 0xF0},
    {"fine pattern delay", 0x21, 0x60},
};

// Command of each XM extended effect E0x..EFx, by its sub-command nibble.
constexpr uint8_t kExtended[16] = {
    kCmdAmigaFilter,     kCmdFinePortaUp, kCmdFinePortaDown,  kCmdGlissando,
    kCmdVibratoWaveform, kCmdSetFinetune, kCmdPatternLoop,    kCmdTremoloWaveform,
    kCmdCoarsePanning,   kCmdRetrig,      kCmdFineVolSlideUp, kCmdFineVolSlideDown,
    kCmdNoteCut,         kCmdNoteDelay,   kCmdPatternDelay,   kCmdFunkRepeat,
};

} // namespace

const EffectInfo& EffectInfoOf(int command) {
    return kCatalogue[command];
}

bool XMEffectToCommand(uint8_t effect, uint8_t param, uint8_t& command, uint8_t& commandParam) {
    commandParam = param;
    switch (effect) {
    case 0x00:
        command = param ? kCmdArpeggio : kCmdNone;
        return true;
    case 0x0E:
        command = kExtended[param >> 4];
        commandParam = param & 0x0F;
        return true;
    case 0x0F:
        command = param < 32 ? kCmdSetSpeed : kCmdSetTempo;
        return true;
    case 0x21:
        if ((param >> 4) == 1 || (param >> 4) == 2) {
            command = (param >> 4) == 1 ? kCmdExtraFinePortaUp : kCmdExtraFinePortaDown;
            commandParam = param & 0x0F;
            return true;
        }
        // OpenMPT's X6x, which its player honours in files it saved.
        if ((param >> 4) == 6) {
            command = kCmdFinePatternDelay;
            commandParam = param & 0x0F;
            return true;
        }
        break;
    default:
        for (int c = 1; c < kEffectCount; ++c) {
            if (kCatalogue[c].xmEffect == effect && kCatalogue[c].xmOr == 0 && effect != 0x00) {
                command = uint8_t(c);
                return true;
            }
        }
        break;
    }
    command = kCmdNone;
    commandParam = 0;
    return false;
}
